#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QString>
#include <QMap>
#include <QStringList>

#include "connectiondescription.h"
#include "failure.h"

struct sqlite3;
struct sqlite3_stmt;

// One field of a result row as the store holds it.
struct FieldValue final {
    QString text;
    bool null = false;
};

// The rows of one query, stepped from the engine as they are first needed and kept, so a
// cursor can go back and forth over them.
class QueryResult final {
public:
    QueryResult(std::shared_ptr<sqlite3> database, sqlite3_stmt* statement, QString query);
    ~QueryResult();
    QueryResult(const QueryResult&) = delete;
    QueryResult& operator=(const QueryResult&) = delete;

    // True when row `index` exists, stepping the query as far as needed.
    Result<bool> hasRow(qsizetype index);
    Result<qsizetype> rowCount();

    // The index of the column named so, without regard to case; -1 when there is none.
    int columnIndex(QStringView name) const;
    FieldValue value(qsizetype row, int column) const;
    const QString& query() const { return m_query; }

private:
    Outcome stepOnce();

    std::shared_ptr<sqlite3> m_database;
    sqlite3_stmt* m_statement;
    QString m_query;
    QStringList m_columns;
    qsizetype m_rows = 0;
    bool m_done = false;
    // Every cell's UTF-8 bytes end to end: cell k is [m_ends[k - 1], m_ends[k]).
    std::string m_bytes;
    std::vector<qsizetype> m_ends;
    std::vector<bool> m_nulls;
};

// The relational store behind a window's cursors: the text tables of one connection,
// loaded on first use into an in-memory SQLite database that answers the query texts as
// they are written. It only reads: nothing on disk changes.
class Store final {
public:
    static Result<std::shared_ptr<Store>> open(const ConnectionDescription& description);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // Runs a record source: a query text, or a table name alone for the whole table in
    // stored order.
    Result<std::unique_ptr<QueryResult>> execute(const QString& recordSource);

    const ConnectionDescription& description() const { return m_description; }

    // Writes the tables loaded so far, with their indexes, into a new SQLite database file,
    // which a connection file can then name with Provider=sqlite.
    Outcome compileTo(const QString& databaseFile);

    // The text columns that get an index when their table loads: the search fields. A window
    // names its own, so a table is not indexed for the other direction too.
    void setIndexedColumns(const QStringList& columns) { m_indexedColumns = columns; }

    // Sees every query text the store is asked to run; for tests and diagnostics.
    void setQueryObserver(std::function<void(const QString&)> observer) { m_observer = std::move(observer); }

private:
    Store(ConnectionDescription description, std::shared_ptr<sqlite3> database);
    Outcome loadTable(const QString& name);
    Outcome exec(const QString& sql);
    Failure engineFailure(const QString& query) const;
    static int authorize(void* store, int action, const char*, const char*, const char*, const char*);

    ConnectionDescription m_description;
    std::shared_ptr<sqlite3> m_database;
    std::function<void(const QString&)> m_observer;
    QStringList m_loaded;
    QMap<QString, std::pair<QString, QStringList>> m_definitions; // main tables: columns, indexed columns
    bool m_compiled = false;
    QStringList m_indexedColumns { QStringLiteral("English"), QStringLiteral("Frensh") };
    bool m_loading = false;
};
