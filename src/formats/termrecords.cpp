#include "termrecords.h"

#include <tuple>

#include <QFileInfo>
#include <QHash>
#include <QSet>

#include "textfile.h"

namespace TermRecords {
namespace {

using TermSource::Entry;

constexpr qint64 maxRecordFileBytes = qint64(1) << 28;

Failure bad(const QString& path, int line, const QString& reason)
{
    return { FailureNumber::MalformedTable, QStringLiteral("%1 line %2: %3").arg(path).arg(line).arg(reason) };
}

struct Line final {
    QStringList fields;
    int number = 0;
};

// A record file's lines after its header, which must name `columns` in order; none when the
// file is not there.
Result<QList<Line>> linesOf(const QString& path, const QStringList& columns, QStringList* found)
{
    if (!QFileInfo::exists(path))
        return QList<Line>();
    auto bytes = TextFile::read(path, maxRecordFileBytes);
    if (!bytes)
        return bytes.failure();
    if (Outcome utf8 = TermSource::checkUtf8(*bytes, path); !utf8)
        return utf8.failure();
    const QStringList lines = QString::fromUtf8(*bytes).split(u'\n');
    if (lines.front() != columns.join(u'\t'))
        return bad(path, 1, QStringLiteral("the header line \"%1\" expected").arg(columns.join(QStringLiteral(" ⇥ "))));
    found->append(path);
    QList<Line> result;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const int number = static_cast<int>(i + 1);
        if (lines[i].isEmpty())
            continue;
        const QStringList fields = lines[i].split(u'\t');
        if (fields.size() != columns.size())
            return bad(path, number, QStringLiteral("%1 fields, %2 expected").arg(fields.size()).arg(columns.size()));
        for (qsizetype f = 0; f < fields.size(); ++f) {
            if (fields[f].isEmpty() && f < 2)
                return bad(path, number, QStringLiteral("an empty %1").arg(columns[f]));
            if (fields[f] != fields[f].trimmed())
                return bad(path, number, QStringLiteral("\"%1\" begins or ends with a blank").arg(fields[f]));
        }
        result.append({ fields, number });
    }
    return result;
}

// The entries that hold a term of a language, by the term.
using Index = QHash<QString, QList<Entry*>>;

Result<QList<Entry*>> entriesOf(const Index& index, const Line& line, const QString& path)
{
    const QString& language = line.fields[0];
    if (language != u"fr" && language != u"en")
        return bad(path, line.number, QStringLiteral("language \"%1\": fr or en expected").arg(language));
    const QList<Entry*> found = index.value(language + u'\t' + line.fields[1]);
    if (found.isEmpty())
        return bad(path, line.number, QStringLiteral("\"%1\" is no %2 term of the source").arg(line.fields[1], language == u"fr" ? QStringLiteral("French") : QStringLiteral("English")));
    return found;
}

TermRecord::Side& sideOf(Entry* entry, const QString& language)
{
    return language == u"fr" ? entry->frenchRecord : entry->englishRecord;
}

} // namespace

const QStringList& noteKinds()
{
    static const QStringList kinds { QStringLiteral("false-friend"), QStringLiteral("usage"), QStringLiteral("region"), QStringLiteral("former-name") };
    return kinds;
}

Result<Source> read(const QString& path)
{
    auto entries = TermSource::read(path);
    if (!entries)
        return entries.failure();
    Source source { .entries = std::move(*entries), .notes = {}, .files = {} };
    const QFileInfo info(path);
    const QString suffix = info.suffix().toLower();
    if (suffix == u"tbx" || suffix == u"csv")
        return source;
    const QString stem = info.path() + u'/' + info.completeBaseName() + u'.';

    Index terms;
    QHash<QString, QList<Entry*>> pairs;
    for (Entry& entry : source.entries) {
        terms[QStringLiteral("fr\t") + entry.french].append(&entry);
        terms[QStringLiteral("en\t") + entry.english].append(&entry);
        pairs[entry.french + u'\t' + entry.english].append(&entry);
    }

    const QString grammarPath = stem + QStringLiteral("grammar.tsv");
    auto grammar = linesOf(grammarPath, { QStringLiteral("Language"), QStringLiteral("Term"), QStringLiteral("PartOfSpeech"), QStringLiteral("Gender") }, &source.files);
    if (!grammar)
        return grammar.failure();
    QSet<QString> given;
    for (const Line& line : *grammar) {
        auto holders = entriesOf(terms, line, grammarPath);
        if (!holders)
            return holders.failure();
        if (given.contains(line.fields[0] + u'\t' + line.fields[1]))
            return bad(grammarPath, line.number, QStringLiteral("\"%1\" is given a second time").arg(line.fields[1]));
        given.insert(line.fields[0] + u'\t' + line.fields[1]);
        TermRecord::Side side;
        if (const auto problem = TermRecord::readGrammar(line.fields[2] + u' ' + line.fields[3], &side))
            return bad(grammarPath, line.number, *problem);
        if (!side.gender.isEmpty() && line.fields[0] == u"en")
            return bad(grammarPath, line.number, QStringLiteral("a gender on an English term"));
        for (Entry* entry : *holders) {
            TermRecord::Side& record = sideOf(entry, line.fields[0]);
            record.partOfSpeech = side.partOfSpeech;
            record.gender = side.gender;
            record.plural = side.plural;
        }
        ++source.grammarLines;
    }

    const QString definitionsPath = stem + QStringLiteral("definitions.tsv");
    auto definitions = linesOf(definitionsPath, { QStringLiteral("French"), QStringLiteral("English"), QStringLiteral("DefinitionFr"), QStringLiteral("DefinitionEn") }, &source.files);
    if (!definitions)
        return definitions.failure();
    for (const Line& line : *definitions) {
        const QList<Entry*> holders = pairs.value(line.fields[0] + u'\t' + line.fields[1]);
        if (holders.isEmpty())
            return bad(definitionsPath, line.number, QStringLiteral("\"%1\" / \"%2\" is no pair of the source").arg(line.fields[0], line.fields[1]));
        if (!holders.front()->definitionFrench.isEmpty())
            return bad(definitionsPath, line.number, QStringLiteral("the pair \"%1\" / \"%2\" is defined a second time").arg(line.fields[0], line.fields[1]));
        if (line.fields[2].isEmpty() || line.fields[3].isEmpty())
            return bad(definitionsPath, line.number, QStringLiteral("a definition in one language only"));
        for (Entry* entry : holders) {
            entry->definitionFrench = line.fields[2];
            entry->definitionEnglish = line.fields[3];
        }
        ++source.definitionLines;
    }

    const QString notesPath = stem + QStringLiteral("notes.tsv");
    auto notes = linesOf(notesPath, { QStringLiteral("Language"), QStringLiteral("Term"), QStringLiteral("Kind"), QStringLiteral("LookAlike"), QStringLiteral("Note") }, &source.files);
    if (!notes)
        return notes.failure();
    for (const Line& line : *notes) {
        auto holders = entriesOf(terms, line, notesPath);
        if (!holders)
            return holders.failure();
        if (!noteKinds().contains(line.fields[2]))
            return bad(notesPath, line.number, QStringLiteral("kind \"%1\": %2 expected").arg(line.fields[2], noteKinds().join(QStringLiteral(", "))));
        if (line.fields[4].isEmpty())
            return bad(notesPath, line.number, QStringLiteral("a note without its text"));
        for (Entry* entry : *holders) {
            TermRecord::Side& side = sideOf(entry, line.fields[0]);
            QStringList& list = line.fields[2] == u"false-friend" ? side.warnings : side.notes;
            if (!list.contains(line.fields[4]))
                list.append(line.fields[4]);
        }
        source.notes.append({ line.fields[0], line.fields[1], line.fields[2], line.fields[3], line.fields[4], line.number });
    }

    const QString linksPath = stem + QStringLiteral("links.tsv");
    auto links = linesOf(linksPath, { QStringLiteral("Language"), QStringLiteral("Term"), QStringLiteral("Relation"), QStringLiteral("Target") }, &source.files);
    if (!links)
        return links.failure();
    for (const Line& line : *links) {
        auto holders = entriesOf(terms, line, linksPath);
        if (!holders)
            return holders.failure();
        const TermRecord::Link link { line.fields[2], line.fields[3] };
        if (!TermRecord::relations().contains(link.relation))
            return bad(linksPath, line.number, QStringLiteral("relation \"%1\": %2 expected").arg(link.relation, TermRecord::relations().join(QStringLiteral(", "))));
        if (!terms.contains(line.fields[0] + u'\t' + link.term))
            return bad(linksPath, line.number, QStringLiteral("the target \"%1\" is no %2 term of the source").arg(link.term, line.fields[0] == u"fr" ? QStringLiteral("French") : QStringLiteral("English")));
        if (link.term == line.fields[1])
            return bad(linksPath, line.number, QStringLiteral("\"%1\" linked to itself").arg(link.term));
        for (Entry* entry : *holders) {
            QList<TermRecord::Link>& list = sideOf(entry, line.fields[0]).related;
            if (list.contains(link))
                return bad(linksPath, line.number, QStringLiteral("the link from \"%1\" to \"%2\" is given a second time").arg(line.fields[1], link.term));
            list.append(link);
        }
        ++source.statedLinks;
    }
    for (const Entry& entry : source.entries) {
        if (Outcome fit = TermSource::check(entry, path); !fit)
            return fit.failure();
    }
    return source;
}

void addInverseLinks(QList<Entry>* entries)
{
    QHash<QString, QList<TermRecord::Side*>> sides;
    for (Entry& entry : *entries) {
        sides[QStringLiteral("fr\t") + entry.french].append(&entry.frenchRecord);
        sides[QStringLiteral("en\t") + entry.english].append(&entry.englishRecord);
    }
    // Collected first: adding while walking would walk the inverses too.
    QList<std::tuple<QString, QString, TermRecord::Link>> inverses;
    for (const Entry& entry : *entries) {
        for (const auto& [language, term, side] : { std::tuple { QStringLiteral("fr"), &entry.french, &entry.frenchRecord }, std::tuple { QStringLiteral("en"), &entry.english, &entry.englishRecord } }) {
            for (const TermRecord::Link& link : side->related)
                inverses.append({ language, link.term, TermRecord::Link { TermRecord::inverseOf(link.relation), *term } });
        }
    }
    for (const auto& [language, target, link] : inverses) {
        for (TermRecord::Side* side : sides.value(language + u'\t' + target)) {
            if (!side->related.contains(link))
                side->related.append(link);
        }
    }
}

} // namespace TermRecords
