#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include "failure.h"

struct pg_conn;
struct pg_result;

// A session with a PostgreSQL server. The connection string is libpq's own (key=value pairs,
// a postgresql:// URI or service=NAME from pg_service.conf); passwords come from ~/.pgpass or
// the server's authentication, never from the program's files.
class ServerConnection final {
public:
    struct Session final {
        int connectSeconds = 10; // unless the string sets connect_timeout
        bool readOnly = false;   // every transaction read-only, on the server's side too
        int statementMilliseconds = 0; // the longest a statement may run; 0 for no limit
        bool passwordRefused = false; // a password in the string itself is refused
        // The longest the program waits with no byte from the server, whatever the server's own
        // limits: a stopped server or host sends nothing, and neither it nor the network says so.
        int answerMilliseconds = 60000;
    };

    // The rows of a query as the server sent them, in text form.
    struct Rows final {
        std::vector<std::string> columns;
        std::vector<std::optional<std::string>> cells; // row by row; nullopt for a missing value
        qsizetype count = 0;
    };

    static Result<std::unique_ptr<ServerConnection>> open(const QString& connectionString, int timeoutSeconds = 10);
    static Result<std::unique_ptr<ServerConnection>> open(const QString& connectionString, const Session& session);
    ~ServerConnection();
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    // Runs statements that return no rows; the failure carries the server's words.
    Outcome execute(const QByteArray& sql);
    // The rows of a query, each value as text (a null as an empty string).
    Result<QList<QStringList>> rows(const QByteArray& sql);
    // A value sent beside a statement for its $1, $2 …: text, or bytes as they are.
    struct Parameter final {
        std::string value;
        bool binary = false;
    };

    // The rows of a query with their column names and missing values. A connection found lost
    // is reported as such; the next call connects again. With parameters, the statement is
    // prepared once a session, so running it again skips the server's parsing and planning.
    Result<Rows> select(const QByteArray& sql, const std::vector<Parameter>& parameters = {});
    // Sends `data` to a COPY ... FROM STDIN statement.
    Outcome copyIn(const QByteArray& statement, const QByteArray& data);

    // "database d on host h" or the socket it went through, for messages.
    QString describe() const;

    // The connection string as messages show it: its settings without any password, which
    // is also blotted out of `text`.
    static QString shown(const QString& connectionString);
    static QString withoutPassword(QString text, const QString& connectionString);

private:
    ServerConnection(pg_conn* connection, QString connectionString, Session session)
        : m_connection(connection), m_connectionString(std::move(connectionString)), m_session(session)
    {
    }
    Failure failure(const QString& what, const pg_result* result = nullptr) const;
    // The session's settings, after connecting and after connecting again.
    Outcome begin();
    Outcome reconnectIfLost();
    Failure selectFailure(const QByteArray& sql, const pg_result* result = nullptr) const;
    // Waits until libpq has sent everything and a result can be read without blocking; false
    // when the server stayed silent past the session's wait, and the session is then given up.
    bool awaitServer();
    // The next result of what was sent, or null at the end of them (or when given up).
    pg_result* nextResult();
    // Every result of what was sent; the first error, else the last one, like PQexec.
    pg_result* lastResult();
    void abandon();
    Failure silence() const;

    pg_conn* m_connection;
    QString m_connectionString;
    Session m_session;
    bool m_abandoned = false; // the server stopped answering: the next operation connects again
    QHash<QByteArray, QByteArray> m_prepared; // statement text: its name in this session
};
