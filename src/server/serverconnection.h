#pragma once

#include <memory>

#include <QByteArray>
#include <QList>
#include <QString>

#include "failure.h"

struct pg_conn;

// A session with a PostgreSQL server. The connection string is libpq's own (key=value pairs,
// a postgresql:// URI or service=NAME from pg_service.conf); passwords come from ~/.pgpass or
// the server's authentication, never from the program's files.
class ServerConnection final {
public:
    // Waits at most `timeoutSeconds` for the server unless the string sets connect_timeout.
    static Result<std::unique_ptr<ServerConnection>> open(const QString& connectionString, int timeoutSeconds = 10);
    ~ServerConnection();
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    // Runs statements that return no rows; the failure carries the server's words.
    Outcome execute(const QByteArray& sql);
    // The rows of a query, each value as text (a null as an empty string).
    Result<QList<QStringList>> rows(const QByteArray& sql);
    // Sends `data` to a COPY ... FROM STDIN statement.
    Outcome copyIn(const QByteArray& statement, const QByteArray& data);

    // "database d on host h" or the socket it went through, for messages.
    QString describe() const;

private:
    explicit ServerConnection(pg_conn* connection) : m_connection(connection) { }
    Failure failure(const QString& what) const;

    pg_conn* m_connection;
};
