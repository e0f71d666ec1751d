#include "tablewriter.h"

using namespace Qt::StringLiterals;

namespace TableWriter {
namespace {

// A field as the table reader takes it back: one that begins with a quote is quoted, its
// quotes doubled; any other is written as it is.
QString field(const QString& text)
{
    if (!text.startsWith(u'"'))
        return text;
    return u'"' + QString(text).replace(u"\""_s, u"\"\""_s) + u'"';
}

} // namespace

bool Row::hasRecord() const
{
    return !grammar.isEmpty() || !translationGrammar.isEmpty() || !definitionFrench.isEmpty() || !definitionEnglish.isEmpty() || !notes.isEmpty()
        || !related.isEmpty();
}

QByteArray table(const QList<Row>& rows, bool records)
{
    QString text = QStringLiteral("English\tFrensh\tnum\tSubfield\tLabel");
    if (records)
        text += QStringLiteral("\tGrammar\tTranslationGrammar\tDefinitionFr\tDefinitionEn\tNotes\tRelated");
    text += u'\n';
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        text += field(row.english) + u'\t' + field(row.french) + u'\t' + QString::number(i) + u'\t' + field(row.subfield) + u'\t' + field(row.label);
        if (records) {
            for (const QString* value : { &row.grammar, &row.translationGrammar, &row.definitionFrench, &row.definitionEnglish, &row.notes, &row.related })
                text += u'\t' + field(*value);
        }
        text += u'\n';
    }
    return text.toUtf8();
}

QByteArray schema(bool records)
{
    // Subfield, Label and the record are for people, tools and the entry's record; the windows'
    // lists read the first three.
    QByteArray text = "[PS.txt]\nColNameHeader=True\nFormat=TabDelimited\nCharacterSet=65001\nCol1=English Text\nCol2=Frensh Text\n"
                      "Col3=num Integer\nCol4=Subfield Text\nCol5=Label Text\n";
    if (records)
        text += "Col6=Grammar Text\nCol7=TranslationGrammar Text\nCol8=DefinitionFr Text\nCol9=DefinitionEn Text\nCol10=Notes Text\nCol11=Related Text\n";
    return text;
}

QByteArray connection(const QString& title, const QString& tableFolder, const QString& letterStarts)
{
    return QStringLiteral("[oledb]\n; %1\nProvider=text;Data Source=%2;Letter Starts=%3\n").arg(title, tableFolder, letterStarts).toUtf8();
}

} // namespace TableWriter
