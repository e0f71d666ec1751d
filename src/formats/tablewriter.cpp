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

QByteArray table(const QList<Row>& rows)
{
    QString text = QStringLiteral("English\tFrensh\tnum\tSubfield\tLabel\n");
    for (qsizetype i = 0; i < rows.size(); ++i)
        text += field(rows[i].english) + u'\t' + field(rows[i].french) + u'\t' + QString::number(i) + u'\t' + field(rows[i].subfield) + u'\t'
            + field(rows[i].label) + u'\n';
    return text.toUtf8();
}

QByteArray schema()
{
    // Subfield and Label are for people and other tools; the windows read the first three.
    return "[PS.txt]\nColNameHeader=True\nFormat=TabDelimited\nCharacterSet=65001\nCol1=English Text\nCol2=Frensh Text\n"
           "Col3=num Integer\nCol4=Subfield Text\nCol5=Label Text\n";
}

QByteArray connection(const QString& title, const QString& tableFolder, const QString& letterStarts)
{
    return QStringLiteral("[oledb]\n; %1\nProvider=text;Data Source=%2;Letter Starts=%3\n").arg(title, tableFolder, letterStarts).toUtf8();
}

} // namespace TableWriter
