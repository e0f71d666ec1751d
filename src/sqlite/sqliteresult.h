#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "store.h"

struct sqlite3_stmt;
class StoreConnection;

// The rows of one query on SQLite, stepped from the engine as they are first needed and kept, so a
// cursor can go back and forth over them. A jump far ahead (a search placing the browse
// cursor deep in a large table) does not step through every row on the way: the engine skips
// to near the row asked for, and the rows kept start there; going back before them brings
// them in the same way. Counting the rows does not fetch them.
class SqliteQueryResult final : public QueryResult {
public:
    // How to reach a row far ahead without passing the rows before it, when the store knows
    // the result's order: `fromRow` gives the rows from 0-based index ?1 on, in the result's
    // order, `count` the number of rows.
    struct Seek {
        QByteArray fromRow;
        QByteArray count;
    };

    // `sql` is the text the statement was prepared from; `query` the record source it came from.
    SqliteQueryResult(std::shared_ptr<StoreConnection> connection, sqlite3_stmt* statement, QByteArray sql, QString query,
                      std::optional<Seek> seek = std::nullopt);
    ~SqliteQueryResult() override;
    SqliteQueryResult(const SqliteQueryResult&) = delete;
    SqliteQueryResult& operator=(const SqliteQueryResult&) = delete;

    Result<bool> hasRow(qsizetype index) override;
    Result<bool> hasRows() override;
    Result<qsizetype> rowCount() override;
    int columnIndex(QStringView name) const override;
    FieldValue value(qsizetype row, int column) const override;
    std::string bytes(qsizetype row, int column) const override;
    const QString& query() const override { return m_query; }

    // How far ahead a row must be for the engine to skip to it, and how many rows before it
    // are kept for stepping back: without a seek the engine still walks the rows it skips, so
    // the jump must be worth it; with one it costs a lookup in an index.
    static constexpr qsizetype skipDistance = 4096;
    static constexpr qsizetype keptBehind = 512;
    static constexpr qsizetype seekDistance = 64;
    static constexpr qsizetype seekBehind = 8;

private:
    Outcome stepOnce();
    Failure engineFailure() const;
    // Starts the kept rows at `first`, letting the engine skip the rows before it.
    Outcome startAt(qsizetype first);
    Result<sqlite3_stmt*> prepare(const QByteArray& sql) const;

    // Kept alive by every result, so a result can outlive the store that made it.
    std::shared_ptr<StoreConnection> m_connection;
    sqlite3_stmt* m_statement;
    QByteArray m_sql;
    QString m_query;
    std::optional<Seek> m_seek;
    sqlite3_stmt* m_seekStatement = nullptr;
    std::vector<FieldValue> m_firstRow; // row 0, once read
    QStringList m_columns;
    qsizetype m_first = 0; // index of the first row kept; every row before it exists
    qsizetype m_rows = 0;  // rows kept
    std::optional<qsizetype> m_count;
    bool m_done = false;
    // Every cell's UTF-8 bytes end to end: cell k is [m_ends[k - 1], m_ends[k]).
    std::string m_bytes;
    std::vector<qsizetype> m_ends;
    std::vector<bool> m_nulls;
};
