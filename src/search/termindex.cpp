#include "termindex.h"

#include <QFile>
#include <QSet>

#include <sqlite3.h>

#include "searchtext.h"
#include "store.h"

namespace {

QString tableName(const QString& headField)
{
    // The field is one of the program's own column names: letters only.
    return QStringLiteral("evelmora_search_") + headField.toLower();
}

Failure engineFailure(sqlite3* handle, QStringView doing)
{
    return Failure { FailureNumber::QueryFailed, QStringLiteral("cannot %1: %2").arg(doing, QString::fromUtf8(sqlite3_errmsg(handle))) };
}

Outcome exec(sqlite3* handle, const QString& sql, QStringView doing)
{
    if (sqlite3_exec(handle, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return engineFailure(handle, doing);
    return {};
}

struct Statement final {
    sqlite3_stmt* handle = nullptr;
    ~Statement() { sqlite3_finalize(handle); }
};

// `quoted`: the table's name as a statement names it, with its schema.
Outcome fill(sqlite3* handle, const QString& quoted, QueryResult& rows, const QString& headField)
{
    if (auto done = exec(handle, QStringLiteral("DROP TABLE IF EXISTS ") + quoted, u"replace the search index"); !done)
        return done;
    // The words come folded already; the index only splits them at blanks. Prefix indexes
    // keep the search of a word being typed quick on a large dictionary.
    if (auto done = exec(handle, QStringLiteral("CREATE VIRTUAL TABLE ") + quoted
                             + QStringLiteral(" USING fts5(term UNINDEXED, head, translation, body, tokenize = 'unicode61 remove_diacritics 0', prefix = '1 2 3')"),
                         u"create the search index");
        !done)
        return done;
    // A server's result knows its columns once its first rows have come.
    auto any = rows.hasRow(0);
    if (!any)
        return any.failure();
    if (!*any)
        return {};
    auto columns = TableColumns::of(rows, rows.query(), false);
    if (!columns)
        return columns.failure();
    const int head = rows.columnIndex(headField);
    if (head < 0)
        return Failure { FailureNumber::FieldNotFound, QStringLiteral("no field %1 to index").arg(headField) };
    Statement insert;
    const QByteArray sql = (QStringLiteral("INSERT INTO ") + quoted + QStringLiteral(" (term, head, translation, body) VALUES (?1, ?2, ?3, ?4)")).toUtf8();
    if (sqlite3_prepare_v2(handle, sql.constData(), -1, &insert.handle, nullptr) != SQLITE_OK)
        return engineFailure(handle, u"fill the search index");
    // Inside a transaction under way (a compile), the rows go in with it.
    const bool own = sqlite3_get_autocommit(handle);
    if (own) {
        if (auto done = exec(handle, QStringLiteral("BEGIN"), u"fill the search index"); !done)
            return done;
    }
    const auto bind = [&](int at, const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(insert.handle, at, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    };
    Outcome filled = forEachRow(rows, [&](qsizetype row) -> Outcome {
        const SearchIndex::Entry entry = SearchIndex::entryOf(rows, row, *columns, head);
        if (entry.term.isEmpty())
            return {};
        bind(1, entry.term);
        bind(2, entry.head);
        bind(3, entry.translation);
        bind(4, entry.body);
        const int rc = sqlite3_step(insert.handle);
        sqlite3_reset(insert.handle);
        if (rc != SQLITE_DONE)
            return engineFailure(handle, u"fill the search index");
        return {};
    });
    if (!own)
        return filled;
    if (!filled) {
        sqlite3_exec(handle, "ROLLBACK", nullptr, nullptr, nullptr);
        return filled;
    }
    return exec(handle, QStringLiteral("COMMIT"), u"fill the search index");
}

// An FTS5 phrase of folded words: letters and digits only, so nothing in it needs escaping.
QByteArray phrase(const QStringList& words)
{
    return '"' + words.join(u' ').toUtf8() + "\"*";
}

} // namespace

TermIndex::TermIndex(sqlite3* handle, const QString& headField) : m_handle(handle), m_table(tableName(headField).toUtf8()) { }

TermIndex::~TermIndex()
{
    sqlite3_close(m_handle);
}

Result<std::unique_ptr<TermIndex>> TermIndex::build(QueryResult& rows, const QString& headField)
{
    sqlite3* handle = nullptr;
    // Built on one thread and searched on another, one after the other: the full mutex keeps
    // that safe at no cost worth measuring.
    if (sqlite3_open_v2(":memory:", &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr) != SQLITE_OK) {
        sqlite3_close(handle);
        return Failure { FailureNumber::OutOfMemory, QStringLiteral("cannot start the search index") };
    }
    std::unique_ptr<TermIndex> index(new TermIndex(handle, headField));
    sqlite3_exec(handle, "PRAGMA temp_store = MEMORY", nullptr, nullptr, nullptr);
    if (auto done = fill(handle, u'"' + tableName(headField) + u'"', rows, headField); !done)
        return done.failure();
    return index;
}

Outcome TermIndex::writeInto(sqlite3* handle, const QString& schema, QueryResult& rows, const QString& headField)
{
    return fill(handle, u'"' + schema + QStringLiteral("\".\"") + tableName(headField) + u'"', rows, headField);
}

Result<std::unique_ptr<TermIndex>> TermIndex::open(const QString& databaseFile, const QString& headField)
{
    sqlite3* handle = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(databaseFile).constData(), &handle, SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX, nullptr);
    std::unique_ptr<TermIndex> index(new TermIndex(handle, headField));
    if (rc != SQLITE_OK)
        return engineFailure(handle, QStringLiteral("read %1").arg(databaseFile));
    Statement exists;
    const QByteArray name = tableName(headField).toUtf8();
    if (sqlite3_prepare_v2(handle, "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?1", -1, &exists.handle, nullptr) != SQLITE_OK)
        return engineFailure(handle, QStringLiteral("read %1").arg(databaseFile));
    sqlite3_bind_text(exists.handle, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(exists.handle) != SQLITE_ROW)
        return std::unique_ptr<TermIndex>(); // compiled before stores kept their index
    return index;
}

Result<SearchIndex::Hits> TermIndex::search(const QString& text, int limit) const
{
    Hits hits;
    const QStringList words = SearchText::words(text);
    if (words.isEmpty() || limit <= 0)
        return hits;
    QSet<QString> seen;
    const QString asked = words.join(u' ');
    const auto run = [&](const QByteArray& match, QStringList* into, bool exactFirst = true) -> Outcome {
        Statement query;
        const QByteArray sql = "SELECT term, translation FROM \"" + m_table + "\" WHERE \"" + m_table + "\" MATCH ?1 LIMIT ?2";
        if (sqlite3_prepare_v2(m_handle, sql.constData(), -1, &query.handle, nullptr) != SQLITE_OK)
            return engineFailure(m_handle, u"search");
        sqlite3_bind_text(query.handle, 1, match.constData(), int(match.size()), SQLITE_TRANSIENT);
        // Senses of one headword are rows of their own: read past them.
        sqlite3_bind_int(query.handle, 2, 4 * limit);
        // A translation that is the text itself comes before those that only hold it.
        qsizetype exact = 0;
        int rc;
        while ((rc = sqlite3_step(query.handle)) == SQLITE_ROW && seen.size() < limit) {
            const QString term = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(query.handle, 0)));
            const bool same = exactFirst && QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(query.handle, 1))) == asked;
            if (seen.contains(term))
                continue;
            seen.insert(term);
            into->insert(same ? exact++ : into->size(), term);
        }
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            return engineFailure(m_handle, u"search");
        return {};
    };
    if (auto done = run("head : ^ " + phrase(words), &hits.beginning, false); !done)
        return done.failure();
    // A single letter is in nearly every entry: only the headwords are searched for it.
    if (words.join(QString()).size() < 2)
        return hits;
    QByteArray every;
    for (qsizetype i = 0; i < words.size(); ++i)
        every += (i ? " \"" : "\"") + words[i].toUtf8() + (i + 1 == words.size() ? "\"*" : "\"");
    if (auto done = run("{head translation} : (" + every + ')', &hits.translated); !done)
        return done.failure();
    if (auto done = run(every, &hits.containing); !done)
        return done.failure();
    return hits;
}
