#pragma once

#include <memory>

#include "serverconnection.h"
#include "serverquery.h"
#include "store.h"

class RecentRows;

// A dictionary published on a PostgreSQL server, read by a window: the French-to-English
// window reads fr_en.ps, the English-to-French one en_fr.ps. The session is read-only with a
// bounded wait for the server and for each statement. Results read the rows they are asked
// for a page at a time, never the whole table.
class ServerStore final : public Store {
public:
    static Result<std::shared_ptr<Store>> open(const ConnectionDescription& description);
    ~ServerStore() override;
    ServerStore(const ServerStore&) = delete;
    ServerStore& operator=(const ServerStore&) = delete;

    Result<std::unique_ptr<QueryResult>> execute(const QString& recordSource) override;
    const ConnectionDescription& description() const override { return m_description; }
    Outcome compileTo(const QString& databaseFile) override;
    void setIndexedColumns(const QStringList&) override { }
    const LoadTimes& loadTimes() const override { return m_loadTimes; }
    void setQueryObserver(std::function<void(const QString&)> observer) override { m_observer = std::move(observer); }

    // How long the program waits for the server to answer a connection and a statement.
    static constexpr int connectSeconds = 5;
    static constexpr int statementMilliseconds = 5000;
    static ServerConnection::Session session();

private:
    ServerStore(ConnectionDescription description, std::shared_ptr<ServerConnection> server, QByteArray table, ServerQuery::Table columns);

    ConnectionDescription m_description;
    std::shared_ptr<ServerConnection> m_server;
    std::shared_ptr<RecentRows> m_recent; // shared by the store's results
    QByteArray m_table; // schema.ps
    ServerQuery::Table m_columns;
    std::function<void(const QString&)> m_observer;
    LoadTimes m_loadTimes;
};
