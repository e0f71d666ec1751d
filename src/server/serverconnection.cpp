#include "serverconnection.h"

#include <libpq-fe.h>

namespace {

// libpq's words on one line: its messages span several, indented with tabs.
QString serverText(const char* text)
{
    return QString::fromUtf8(text).simplified();
}

// Frees a result whatever happens to the statement.
struct ResultGuard {
    PGresult* result;
    ~ResultGuard() { PQclear(result); }
};

} // namespace

Result<std::unique_ptr<ServerConnection>> ServerConnection::open(const QString& connectionString, int timeoutSeconds)
{
    return open(connectionString, Session { .connectSeconds = timeoutSeconds });
}

Result<std::unique_ptr<ServerConnection>> ServerConnection::open(const QString& connectionString, const Session& session)
{
    const QByteArray given = connectionString.toUtf8();
    if (session.passwordRefused) {
        // Parsed as libpq will parse it, URIs and key=value strings alike.
        char* error = nullptr;
        PQconninfoOption* options = PQconninfoParse(given.constData(), &error);
        // A string without '=' is a database name alone, which libpq takes as such.
        if (!options && given.contains('=')) {
            const QString reason = error ? serverText(error) : QStringLiteral("out of memory");
            PQfreemem(error);
            return Failure { FailureNumber::BadConnectionDescription, QStringLiteral("the connection string cannot be read: ") + reason };
        }
        PQfreemem(error);
        bool password = false;
        for (const PQconninfoOption* option = options; option && option->keyword; ++option)
            password = password || (qstrcmp(option->keyword, "password") == 0 && option->val && *option->val);
        PQconninfoFree(options);
        if (password)
            return Failure { FailureNumber::BadConnectionDescription,
                             QStringLiteral("the connection string holds a password: keep it in ~/.pgpass (or use the server's own authentication), never in a connection file") };
    }
    const QByteArray timeout = QByteArray::number(session.connectSeconds);
    // The string's own settings come after the default wait, so they win; it must not read
    // settings from the environment's PGOPTIONS either way: libpq does that itself.
    // Over TCP, a server that vanishes mid-answer is given up after 10 seconds rather than
    // the system's quarter of an hour.
    const char* const keywords[] = { "connect_timeout", "tcp_user_timeout", "client_encoding", "dbname", nullptr };
    const char* const values[] = { timeout.constData(), "10000", "UTF8", given.constData(), nullptr };
    PGconn* connection = PQconnectdbParams(keywords, values, 1);
    if (!connection)
        return Failure { FailureNumber::OutOfMemory, QStringLiteral("cannot connect to the server: out of memory") };
    if (PQstatus(connection) != CONNECTION_OK) {
        const QString reason = serverText(PQerrorMessage(connection));
        PQfinish(connection);
        return Failure { FailureNumber::CannotReadFile, QStringLiteral("cannot connect to the server (%1): %2").arg(connectionString, reason) };
    }
    // The server's notices ("table … does not exist, skipping") are not the user's business.
    PQsetNoticeProcessor(connection, [](void*, const char*) {}, nullptr);
    std::unique_ptr<ServerConnection> server(new ServerConnection(connection, connectionString, session));
    if (Outcome begun = server->begin(); !begun)
        return begun.failure();
    return server;
}

Outcome ServerConnection::begin()
{
    QByteArray settings = "SET standard_conforming_strings = on";
    if (m_session.readOnly)
        settings += "; SET default_transaction_read_only = on";
    // Prepared statements keep one plan: the program's queries are index lookups whose best
    // plan does not change with the values looked up.
    settings += "; SET plan_cache_mode = force_generic_plan";
    if (m_session.statementMilliseconds > 0)
        settings += "; SET statement_timeout = " + QByteArray::number(m_session.statementMilliseconds);
    return execute(settings);
}

Outcome ServerConnection::reconnectIfLost()
{
    if (PQstatus(m_connection) != CONNECTION_BAD)
        return {};
    PQreset(m_connection);
    m_prepared.clear(); // a new session knows none of them
    if (PQstatus(m_connection) != CONNECTION_OK)
        return Failure { FailureNumber::CannotReadFile,
                         QStringLiteral("cannot connect to the server again (%1): %2").arg(m_connectionString, serverText(PQerrorMessage(m_connection))) };
    PQsetNoticeProcessor(m_connection, [](void*, const char*) {}, nullptr);
    return begin();
}

Failure ServerConnection::selectFailure(const QByteArray& sql, const pg_result* result) const
{
    const char* resultMessage = result ? PQresultErrorMessage(result) : nullptr;
    if (resultMessage && *resultMessage && PQstatus(m_connection) != CONNECTION_BAD)
        return { FailureNumber::QueryFailed, QStringLiteral("the server refused \"%1\": %2").arg(QString::fromUtf8(sql.left(200)), serverText(resultMessage)) };
    if (PQstatus(m_connection) == CONNECTION_BAD)
        return Failure { FailureNumber::CannotReadFile, QStringLiteral("the connection to the server was lost (%1): %2; the next operation connects again")
                                                            .arg(m_connectionString, serverText(PQerrorMessage(m_connection))) };
    return failure(QStringLiteral("the server refused \"%1\"").arg(QString::fromUtf8(sql.left(200))));
}

Result<ServerConnection::Rows> ServerConnection::select(const QByteArray& sql, const std::vector<Parameter>& parameters)
{
    if (Outcome connected = reconnectIfLost(); !connected)
        return connected.failure();
    PGresult* answer = nullptr;
    if (parameters.empty()) {
        answer = PQexec(m_connection, sql.constData());
    } else {
        std::vector<const char*> values;
        std::vector<int> lengths;
        std::vector<int> formats;
        for (const Parameter& parameter : parameters) {
            values.push_back(parameter.value.c_str());
            lengths.push_back(static_cast<int>(parameter.value.size()));
            formats.push_back(parameter.binary ? 1 : 0);
        }
        const int count = static_cast<int>(parameters.size());
        // A session prepares a few dozen statement shapes; past that many, one is run unnamed.
        constexpr qsizetype mostPrepared = 256;
        const QByteArray name = m_prepared.value(sql);
        if (!name.isEmpty()) {
            answer = PQexecPrepared(m_connection, name.constData(), count, values.data(), lengths.data(), formats.data(), 0);
        } else if (m_prepared.size() >= mostPrepared) {
            answer = PQexecParams(m_connection, sql.constData(), count, nullptr, values.data(), lengths.data(), formats.data(), 0);
        } else {
            // Prepared and run in one round trip: the first search of a window waits no longer
            // than an unprepared one.
            const QByteArray fresh = "evelmora_" + QByteArray::number(m_prepared.size());
            bool prepared = false;
            if (PQenterPipelineMode(m_connection) == 1) {
                const bool sent = PQsendPrepare(m_connection, fresh.constData(), sql.constData(), 0, nullptr) == 1
                    && PQsendQueryPrepared(m_connection, fresh.constData(), count, values.data(), lengths.data(), formats.data(), 0) == 1
                    && PQpipelineSync(m_connection) == 1;
                // Every result up to the sync is read, whatever went wrong, so the connection is
                // left ready for the next statement.
                for (int results = 0, ends = 0; sent;) {
                    PGresult* next = PQgetResult(m_connection);
                    if (!next) {
                        // The end of one statement's results; a broken connection ends them all.
                        if (PQstatus(m_connection) == CONNECTION_BAD || ++ends > 2)
                            break;
                        continue;
                    }
                    ends = 0;
                    const ExecStatusType status = PQresultStatus(next);
                    if (status == PGRES_PIPELINE_SYNC) {
                        PQclear(next);
                        break;
                    }
                    if (results++ == 0) {
                        prepared = status == PGRES_COMMAND_OK;
                        if (!prepared) {
                            PQclear(answer);
                            answer = next; // why the statement was refused
                            continue;
                        }
                        PQclear(next);
                    } else if (!answer) {
                        answer = next;
                    } else {
                        PQclear(next);
                    }
                }
                PQexitPipelineMode(m_connection);
            } else {
                answer = PQexecParams(m_connection, sql.constData(), count, nullptr, values.data(), lengths.data(), formats.data(), 0);
            }
            if (prepared)
                m_prepared.insert(sql, fresh);
        }
    }
    ResultGuard result { answer };
    if (PQresultStatus(result.result) != PGRES_TUPLES_OK)
        return selectFailure(sql, result.result);
    Rows rows;
    const int columns = PQnfields(result.result);
    for (int column = 0; column < columns; ++column)
        rows.columns.emplace_back(PQfname(result.result, column));
    rows.count = PQntuples(result.result);
    rows.cells.reserve(static_cast<std::size_t>(rows.count * columns));
    for (int row = 0; row < rows.count; ++row) {
        for (int column = 0; column < columns; ++column) {
            if (PQgetisnull(result.result, row, column))
                rows.cells.emplace_back();
            else
                rows.cells.emplace_back(std::string(PQgetvalue(result.result, row, column), static_cast<std::size_t>(PQgetlength(result.result, row, column))));
        }
    }
    return rows;
}

ServerConnection::~ServerConnection()
{
    PQfinish(m_connection);
}

Failure ServerConnection::failure(const QString& what) const
{
    return { FailureNumber::QueryFailed, what + QStringLiteral(": ") + serverText(PQerrorMessage(m_connection)) };
}

Outcome ServerConnection::execute(const QByteArray& sql)
{
    ResultGuard result { PQexec(m_connection, sql.constData()) };
    const ExecStatusType status = PQresultStatus(result.result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        return failure(QStringLiteral("the server refused \"%1\"").arg(QString::fromUtf8(sql.left(80))));
    return {};
}

Result<QList<QStringList>> ServerConnection::rows(const QByteArray& sql)
{
    auto read = select(sql);
    if (!read)
        return read.failure();
    QList<QStringList> rows;
    const std::size_t columns = read->columns.size();
    for (std::size_t row = 0; row < static_cast<std::size_t>(read->count); ++row) {
        QStringList values;
        for (std::size_t column = 0; column < columns; ++column)
            values.append(QString::fromStdString(read->cells[row * columns + column].value_or(std::string())));
        rows.append(values);
    }
    return rows;
}

Outcome ServerConnection::copyIn(const QByteArray& statement, const QByteArray& data)
{
    {
        ResultGuard started { PQexec(m_connection, statement.constData()) };
        if (PQresultStatus(started.result) != PGRES_COPY_IN)
            return failure(QStringLiteral("the server refused \"%1\"").arg(QString::fromUtf8(statement.left(80))));
    }
    if (PQputCopyData(m_connection, data.constData(), static_cast<int>(data.size())) != 1 || PQputCopyEnd(m_connection, nullptr) != 1)
        return failure(QStringLiteral("the rows could not be sent"));
    for (PGresult* result = PQgetResult(m_connection); result; result = PQgetResult(m_connection)) {
        ResultGuard guard { result };
        if (PQresultStatus(result) != PGRES_COMMAND_OK)
            return failure(QStringLiteral("the server refused the rows"));
    }
    return {};
}

QString ServerConnection::describe() const
{
    const QString host = QString::fromUtf8(PQhost(m_connection));
    return QStringLiteral("database %1 on %2, port %3").arg(QString::fromUtf8(PQdb(m_connection)), host, QString::fromUtf8(PQport(m_connection)));
}
