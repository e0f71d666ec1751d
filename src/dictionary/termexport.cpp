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
};

// The translation without the label the build wrote after it; unchanged when it does not end
// with that label in parentheses.
QString withoutLabel(const QString& shown, const QString& label)
{
    const QString suffix = QStringLiteral(" (") + label + u')';
    return !label.isEmpty() && shown.endsWith(suffix) ? shown.chopped(suffix.size()) : shown;
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
        Row row { text(i, columns->french), text(i, columns->english), text(i, columns->subfield), text(i, columns->label) };
        QString& translation = frenchToEnglish ? row.english : row.french;
        const QString bare = withoutLabel(translation, row.label);
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
        return Entry { row.french, row.english, direction, row.subfield, fromFrench ? row.label : QString(), fromFrench ? QString() : row.label, 0, {} };
    };
    QList<Entry> entries;
    for (const Row& row : first) {
        Entry entry = entryOf(row, !englishFirst, englishFirst ? TermSource::Direction::EnglishToFrench : TermSource::Direction::FrenchToEnglish);
        QList<qsizetype>& same = unjoined[row.french + u'\t' + row.english];
        if (!same.isEmpty()) {
            // The same pair from the other side: one entry for both tables.
            const qsizetype other = same.takeLast();
            joined[other] = true;
            entry.direction = TermSource::Direction::Both;
            (englishFirst ? entry.labelEnglish : entry.labelFrench) = second[other].label;
            if (entry.subfield.isEmpty())
                entry.subfield = second[other].subfield;
        }
        entries.append(entry);
    }
    if (tables == Tables::Both) {
        for (qsizetype i = 0; i < second.size(); ++i) {
            if (!joined[i])
                entries.append(entryOf(second[i], false, TermSource::Direction::EnglishToFrench));
        }
    }
    return entries;
}

} // namespace TermExport
