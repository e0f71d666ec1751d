#include "publish.h"

#include <algorithm>
#include <numeric>
#include <optional>

#include "dictionarycollation.h"
#include "searchindex.h"
#include "serverconnection.h"
#include "store.h"
#include "texttable.h"

namespace Publish {
namespace {

// A value in COPY's text format: backslash, tab and line ends escaped, a missing value as \N.
void appendCopyValue(QByteArray* out, const FieldValue& value)
{
    if (value.null) {
        out->append("\\N");
        return;
    }
    for (const char c : value.text.toUtf8()) {
        switch (c) {
        case '\\': out->append("\\\\"); break;
        case '\t': out->append("\\t"); break;
        case '\n': out->append("\\n"); break;
        case '\r': out->append("\\r"); break;
        default: out->append(c);
        }
    }
}

struct Table final {
    QByteArray rows; // COPY text
    QByteArray search; // COPY text of the search table: place, term, head, names, words
    qsizetype count = 0;
    bool records = false; // the record columns follow the label
};

// The record columns, published when the data directory's tables have them.
constexpr const char* recordColumns = ", grammar text, translationgrammar text, definitionfr text, definitionen text, notes text, related text";

// One direction's table in stored order, as COPY rows: english, frensh, num, subfield, label,
// the record columns where there are, key, stored, place. A missing search field has no key and comes first in the browse order,
// as the text store orders it; place is the rank in that order, ties in stored order, which
// is what lets a window's cursor reach any position with one lookup.
Result<Table> tableOf(const Source& source)
{
    QueryResult& rows = *source.rows;
    const TableColumns& columns = source.columns;
    const int searched = source.byFrench ? columns.french : columns.english;
    Table table;
    table.records = columns.hasRecord();
    std::vector<std::optional<std::string>> keys;
    std::vector<QByteArray> lines;
    std::vector<QByteArray> searchLines; // empty for a row without its search field
    Outcome read = forEachRow(rows, [&](qsizetype i) -> Outcome {
        const FieldValue position = rows.value(i, columns.num);
        const QByteArray digits = position.text.toUtf8();
        if (position.null || !TextTable::wholeNumber(std::string_view(digits.constData(), static_cast<std::size_t>(digits.size()))))
            return Failure { FailureNumber::TypeMismatch, QStringLiteral("%1: row %2 has the num \"%3\", not a whole number").arg(source.name).arg(i + 1).arg(position.text) };
        QByteArray line;
        for (const int column : { columns.english, columns.french }) {
            appendCopyValue(&line, rows.value(i, column));
            line.append('\t');
        }
        line.append(digits.trimmed());
        for (const int column : { columns.subfield, columns.label }) {
            line.append('\t');
            appendCopyValue(&line, column < 0 ? FieldValue { {}, true } : rows.value(i, column));
        }
        if (table.records) {
            for (const int column : { columns.grammar, columns.translationGrammar, columns.definitionFrench, columns.definitionEnglish, columns.notes,
                                      columns.related }) {
                line.append('\t');
                appendCopyValue(&line, column < 0 ? FieldValue { {}, true } : rows.value(i, column));
            }
        }
        const FieldValue term = rows.value(i, searched);
        if (term.null) {
            line.append("\t\\N");
            keys.emplace_back();
        } else {
            const QByteArray key = DictionaryCollation::folded(term.text).toUtf8();
            line.append("\t\\\\x" + key.toHex());
            keys.emplace_back(key.toStdString());
        }
        line.append('\t' + QByteArray::number(i));
        lines.push_back(line);
        // Folded as the program's own index folds them; the server only splits at blanks.
        const SearchIndex::Entry entry = SearchIndex::entryOf(rows, i, columns, searched);
        QByteArray searchLine;
        if (!entry.term.isEmpty()) {
            const QString names = entry.head + u' ' + entry.translation;
            for (const QString* text : { &entry.term, &entry.head, &names }) {
                searchLine.append('\t');
                appendCopyValue(&searchLine, FieldValue { *text, false });
            }
            searchLine.append('\t');
            appendCopyValue(&searchLine, FieldValue { names + u' ' + entry.body, false });
        }
        searchLines.push_back(searchLine);
        ++table.count;
        return {};
    });
    if (!read)
        return read.failure();
    // std::string compares bytes as unsigned, as the server compares a bytea.
    std::vector<std::size_t> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&keys](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    std::vector<std::size_t> place(keys.size());
    for (std::size_t rank = 0; rank < order.size(); ++rank)
        place[order[rank]] = rank;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        table.rows.append(lines[i] + '\t' + QByteArray::number(qulonglong(place[i])) + '\n');
        if (!searchLines[i].isEmpty())
            table.search.append(QByteArray::number(qulonglong(place[i])) + searchLines[i] + '\n');
    }
    return table;
}

// Puts `table` in the place of schema.ps, keeping who may read it.
Outcome replace(ServerConnection& server, const QByteArray& schema, const Table& table)
{
    const QByteArray name = schema + ".ps";
    const QByteArray fresh = schema + ".ps_new";
    const QByteArray search = schema + ".search";
    const QByteArray freshSearch = schema + ".search_new";
    for (const QByteArray& sql : QList<QByteArray> {
             "CREATE SCHEMA IF NOT EXISTS " + schema, "DROP TABLE IF EXISTS " + fresh,
           "CREATE TABLE " + fresh + " (english text, frensh text, num bigint, subfield text, label text" + (table.records ? recordColumns : "")
               + ", key bytea, stored integer NOT NULL, place integer NOT NULL)",
           "DROP TABLE IF EXISTS " + freshSearch,
           "CREATE TABLE " + freshSearch + " (place integer NOT NULL, term text NOT NULL, head text NOT NULL, names text NOT NULL, words text NOT NULL)" }) {
        if (Outcome done = server.execute(sql); !done)
            return done;
    }
    if (Outcome sent = server.copyIn("COPY " + fresh + " FROM STDIN", table.rows); !sent)
        return sent;
    if (Outcome sent = server.copyIn("COPY " + freshSearch + " FROM STDIN", table.search); !sent)
        return sent;
    auto readers = server.rows("SELECT DISTINCT grantee FROM information_schema.role_table_grants WHERE table_schema = '" + schema
                               + "' AND table_name = 'ps' AND privilege_type = 'SELECT' AND grantee <> current_user");
    if (!readers)
        return readers.failure();
    QList<QByteArray> statements { "CREATE INDEX ON " + fresh + " (key, place)", "CREATE UNIQUE INDEX ON " + fresh + " (place)",
                                   "CREATE UNIQUE INDEX ON " + fresh + " (stored)",
                                   "CREATE INDEX ON " + fresh + " (num)", "DROP TABLE IF EXISTS " + name, "ALTER TABLE " + fresh + " RENAME TO ps",
                                   "ANALYZE " + name,
                                   // The entry view's search: beginnings of the folded headword,
                                   // and the server's own full-text search over the folded words.
                                   "CREATE INDEX ON " + freshSearch + " (head text_pattern_ops, place)",
                                   "CREATE INDEX ON " + freshSearch + " USING gin (to_tsvector('simple', names))",
                                   "CREATE INDEX ON " + freshSearch + " USING gin (to_tsvector('simple', words))",
                                   "DROP TABLE IF EXISTS " + search, "ALTER TABLE " + freshSearch + " RENAME TO search", "ANALYZE " + search };
    for (const QStringList& reader : *readers) {
        const QByteArray role = '"' + reader.front().toUtf8().replace("\"", "\"\"") + '"';
        statements.append("GRANT SELECT ON " + name + ", " + search + " TO " + role);
    }
    for (const QByteArray& sql : statements) {
        if (Outcome done = server.execute(sql); !done)
            return done;
    }
    return {};
}

} // namespace

QString schemaOf(bool frenchToEnglish)
{
    return frenchToEnglish ? QStringLiteral("fr_en") : QStringLiteral("en_fr");
}

Result<Published> publish(const Source& frenchToEnglish, const Source& englishToFrench, const QString& connectionString)
{
    // Both tables are read before the server is touched: a table that cannot be read changes
    // nothing there.
    auto french = tableOf(frenchToEnglish);
    if (!french)
        return french.failure();
    auto english = tableOf(englishToFrench);
    if (!english)
        return english.failure();
    auto server = ServerConnection::open(connectionString);
    if (!server)
        return server.failure();
    if (Outcome begun = (*server)->execute("BEGIN"); !begun)
        return begun.failure();
    for (const auto& [table, schema] : { std::pair { &*french, schemaOf(true) }, std::pair { &*english, schemaOf(false) } }) {
        if (Outcome done = replace(**server, schema.toUtf8(), *table); !done) {
            (void)(*server)->execute("ROLLBACK");
            return done.failure();
        }
    }
    if (Outcome committed = (*server)->execute("COMMIT"); !committed)
        return committed.failure();
    return Published { french->count, english->count, (*server)->describe() };
}

Result<QList<std::pair<QString, FieldValue>>> browseOrder(const QString& connectionString, bool frenchToEnglish)
{
    auto server = ServerConnection::open(connectionString);
    if (!server)
        return server.failure();
    const QByteArray schema = schemaOf(frenchToEnglish).toUtf8();
    const QByteArray sql = frenchToEnglish ? QByteArray("SELECT frensh, num, num IS NULL FROM " + schema + ".ps ORDER BY place")
                                           : QByteArray("SELECT english, num, num IS NULL FROM " + schema + ".ps ORDER BY stored");
    auto rows = (*server)->rows(sql);
    if (!rows)
        return rows.failure();
    QList<std::pair<QString, FieldValue>> order;
    order.reserve(rows->size());
    for (const QStringList& row : *rows)
        order.append({ row[0], FieldValue { row[1], row[2] == u"t" } });
    return order;
}

} // namespace Publish
