#include "termexport.h"

#include <QFileInfo>
#include <QHash>

#include "direction.h"
#include "store.h"
#include "windowdata.h"

namespace TermExport {
namespace {

using TermSource::Entry;

// One row of a table: its search term and translation as the source gave them.
struct Row final {
    QString french;
    QString english;
    QString subfield;
    QString label;
    QString grammar;
    QString translationGrammar;
    QString definitionFrench;
    QString definitionEnglish;
    QString notes;
    QString related;
};

// A row's record onto the sides of `entry`: the term looked up and its translation.
Outcome readRecord(const Row& row, bool fromFrench, Entry* entry, const QString& table, qsizetype index)
{
    TermRecord::Side& looked = fromFrench ? entry->frenchRecord : entry->englishRecord;
    TermRecord::Side& translated = fromFrench ? entry->englishRecord : entry->frenchRecord;
    looked = {};
    TermRecord::Side grammar;
    if (const auto problem = TermRecord::readRow(row.grammar, row.translationGrammar, row.notes, row.related, &looked, &grammar))
        return Failure { FailureNumber::MalformedTable, QStringLiteral("%1 row %2: %3").arg(table).arg(index + 1).arg(*problem) };
    if (translated.partOfSpeech.isEmpty()) {
        translated.partOfSpeech = grammar.partOfSpeech;
        translated.gender = grammar.gender;
        translated.plural = grammar.plural;
    }
    if (entry->definitionFrench.isEmpty() && entry->definitionEnglish.isEmpty()) {
        entry->definitionFrench = row.definitionFrench;
        entry->definitionEnglish = row.definitionEnglish;
    }
    return {};
}

Result<QList<Row>> rowsOf(const Direction& direction, const QString& dataDirectory)
{
    if (!QFileInfo(dataDirectory).isDir())
        return Failure { FailureNumber::FileNotFound, QStringLiteral("%1: no such data directory").arg(dataDirectory) };
    auto table = WindowData::rows(direction, dataDirectory, direction.browseSource);
    if (!table)
        return table.failure();
    QueryResult& rows = *table->result;
    const auto columns = TableColumns::of(rows, table->connectionFile, false);
    if (!columns)
        return columns.failure();
    const bool frenchToEnglish = direction.isFrenchToEnglish();
    const auto text = [&rows](qsizetype i, int column) { return column < 0 ? QString() : rows.value(i, column).text; };
    QList<Row> list;
    Outcome read = forEachRow(rows, [&](qsizetype i) {
        Row row { .french = text(i, columns->french),
                  .english = text(i, columns->english),
                  .subfield = text(i, columns->subfield),
                  .label = text(i, columns->label),
                  .grammar = text(i, columns->grammar),
                  .translationGrammar = text(i, columns->translationGrammar),
                  .definitionFrench = text(i, columns->definitionFrench),
                  .definitionEnglish = text(i, columns->definitionEnglish),
                  .notes = text(i, columns->notes),
                  .related = text(i, columns->related) };
        QString& translation = frenchToEnglish ? row.english : row.french;
        const QString bare = TermSource::withoutLabel(translation, row.label);
        if (bare == translation)
            row.label.clear(); // a label not written after the translation is not one the build made
        translation = bare;
        list.append(row);
        return Outcome();
    });
    if (!read)
        return read.failure();
    return list;
}

} // namespace

Result<QList<Entry>> entries(const QString& dataDirectory, Tables tables)
{
    auto frenchRows = rowsOf(Direction::frenchToEnglish(), dataDirectory);
    if (!frenchRows)
        return frenchRows.failure();
    auto englishRows = rowsOf(Direction::englishToFrench(), dataDirectory);
    if (!englishRows)
        return englishRows.failure();
    // The entries in the browse order of the table asked for; for both, the French-to-English
    // one first.
    const bool englishFirst = tables == Tables::EnglishToFrench;
    const QList<Row>& first = englishFirst ? *englishRows : *frenchRows;
    const QList<Row>& second = englishFirst ? *frenchRows : *englishRows;
    // The rows of each pair in the second table not yet joined to one of the first.
    QHash<QString, QList<qsizetype>> unjoined;
    for (qsizetype i = second.size() - 1; i >= 0; --i)
        unjoined[second[i].french + u'\t' + second[i].english].append(i);
    QList<bool> joined(second.size(), false);
    const auto entryOf = [](const Row& row, bool fromFrench, TermSource::Direction direction) {
        return Entry { .french = row.french,
                       .english = row.english,
                       .direction = direction,
                       .subfield = row.subfield,
                       .labelEnglish = fromFrench ? row.label : QString(),
                       .labelFrench = fromFrench ? QString() : row.label };
    };
    const QString firstTable = englishFirst ? Direction::englishToFrench().connectionFile : Direction::frenchToEnglish().connectionFile;
    const QString secondTable = englishFirst ? Direction::frenchToEnglish().connectionFile : Direction::englishToFrench().connectionFile;
    QList<Entry> entries;
    for (qsizetype i = 0; i < first.size(); ++i) {
        const Row& row = first[i];
        Entry entry = entryOf(row, !englishFirst, englishFirst ? TermSource::Direction::EnglishToFrench : TermSource::Direction::FrenchToEnglish);
        if (Outcome read = readRecord(row, !englishFirst, &entry, firstTable, i); !read)
            return read.failure();
        QList<qsizetype>& same = unjoined[row.french + u'\t' + row.english];
        if (!same.isEmpty()) {
            // The same pair from the other side: one entry for both tables.
            const qsizetype other = same.takeLast();
            joined[other] = true;
            entry.direction = TermSource::Direction::Both;
            (englishFirst ? entry.labelEnglish : entry.labelFrench) = second[other].label;
            if (entry.subfield.isEmpty())
                entry.subfield = second[other].subfield;
            if (Outcome read = readRecord(second[other], englishFirst, &entry, secondTable, other); !read)
                return read.failure();
        }
        entries.append(entry);
    }
    if (tables == Tables::Both) {
        for (qsizetype i = 0; i < second.size(); ++i) {
            if (joined[i])
                continue;
            Entry entry = entryOf(second[i], false, TermSource::Direction::EnglishToFrench);
            if (Outcome read = readRecord(second[i], false, &entry, secondTable, i); !read)
                return read.failure();
            entries.append(entry);
        }
    }
    return entries;
}

} // namespace TermExport
