#include "glossaryfile.h"

#include <QStringList>

namespace GlossaryFile {

namespace {

// A field of a tab-separated line: a tab or line end in it would start another field or line.
QString plain(QString text)
{
    text.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
    return text;
}

// As the notes importer reads a field: quoted, quotes doubled, when it holds a separator, a
// line end or a quote.
QString quoted(const QString& text)
{
    if (!text.contains(u'\t') && !text.contains(u'\n') && !text.contains(u'\r') && !text.contains(u'"'))
        return text;
    QString doubled = text;
    doubled.replace(u'"', QStringLiteral("\"\""));
    return u'"' + doubled + u'"';
}

struct Pair {
    QString term, translation, label, partOfSpeech, definition;
};

Pair pairOf(const TermSource::Entry& entry, bool fromFrench)
{
    return fromFrench ? Pair { entry.french, entry.english, entry.labelEnglish, entry.frenchRecord.partOfSpeech, entry.definitionFrench }
                      : Pair { entry.english, entry.french, entry.labelFrench, entry.englishRecord.partOfSpeech, entry.definitionEnglish };
}

bool inDirection(const TermSource::Entry& entry, bool fromFrench)
{
    return fromFrench ? entry.inFrenchToEnglish() : entry.inEnglishToFrench();
}

} // namespace

QByteArray omegaT(const QList<TermSource::Entry>& entries, bool fromFrench)
{
    QString text;
    for (const TermSource::Entry& entry : entries) {
        if (!inDirection(entry, fromFrench))
            continue;
        const Pair pair = pairOf(entry, fromFrench);
        QStringList comment;
        for (const QString& part : { pair.label, pair.partOfSpeech }) {
            if (!part.isEmpty())
                comment << plain(part);
        }
        text += plain(pair.term) + u'\t' + plain(pair.translation) + u'\t' + comment.join(QStringLiteral("; ")) + u'\n';
    }
    return text.toUtf8();
}

QByteArray anki(const QList<TermSource::Entry>& entries, bool fromFrench, const QString& subfield)
{
    QString text = QStringLiteral("#separator:tab\n#html:false\n#columns:Term\tTranslation\tDefinition\tTags\n#tags column:4\n");
    for (const TermSource::Entry& entry : entries) {
        if (!inDirection(entry, fromFrench) || (!subfield.isEmpty() && entry.subfield != subfield))
            continue;
        const Pair pair = pairOf(entry, fromFrench);
        const QString translation = pair.label.isEmpty() ? pair.translation : pair.translation + QStringLiteral(" (") + pair.label + u')';
        // A tag is one word: the subfield codes are.
        text += quoted(pair.term) + u'\t' + quoted(translation) + u'\t' + quoted(pair.definition) + u'\t' + plain(entry.subfield) + u'\n';
    }
    return text.toUtf8();
}

} // namespace GlossaryFile
