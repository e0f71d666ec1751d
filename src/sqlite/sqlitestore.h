#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QString>
#include <QMap>
#include <QStringList>

#include "sqliteresult.h"
#include "store.h"
#include "texttable.h"

class StoreConnection;

// The text tables of one connection, loaded on first use into an in-memory SQLite database
// that answers the query texts as they are written, or a compiled store opened read-only.
// It only reads: nothing on disk changes.
class SqliteStore final : public Store {
public:
    static Result<std::shared_ptr<Store>> open(const ConnectionDescription& description);
    ~SqliteStore() override;
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    Result<std::unique_ptr<QueryResult>> execute(const QString& recordSource) override;
    const ConnectionDescription& description() const override { return m_description; }
    Outcome compileTo(const QString& databaseFile) override;
    void setIndexedColumns(const QStringList& columns) override { m_indexedColumns = columns; }
    const LoadTimes& loadTimes() const override { return m_loadTimes; }
    void setQueryObserver(std::function<void(const QString&)> observer) override { m_observer = std::move(observer); }

private:
    SqliteStore(ConnectionDescription description, std::shared_ptr<StoreConnection> connection);
    Outcome loadTable(const QString& name);
    // The seek a record source's result can use: the whole of a table in stored order, or
    // ordered by a search field.
    std::optional<SqliteQueryResult::Seek> seekFor(const QString& recordSource);
    // A compiled store's orderings, written when it was compiled; forgotten when the database
    // changes under the store.
    void readOrderings();

    ConnectionDescription m_description;
    std::shared_ptr<StoreConnection> m_connection;
    std::function<void(const QString&)> m_observer;
    QStringList m_loaded;
    QMap<QString, std::pair<QString, QStringList>> m_definitions; // main tables: columns, indexed columns
    // Lower-case "table" (stored order, rowids 1 to n) or "table\tcolumn": the table of the
    // order's rowids, whose own rowid is the 1-based position.
    QMap<QString, QString> m_orderings;
    unsigned m_dataVersion = 0;
    LoadTimes m_loadTimes;
    bool m_compiled = false;
    QStringList m_indexedColumns { Column::english.toString(), Column::french.toString() };
};
