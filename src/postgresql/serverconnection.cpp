#include "serverconnection.h"

#include <poll.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <thread>

#include <QDeadlineTimer>
#include <QRegularExpression>

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

// Cancel requests under way: each may wait as long as a stopped server does, on a thread of
// its own, so only a few are ever sent at once.
std::atomic<int> cancelsUnderWay { 0 };
constexpr int mostCancels = 2;

// The server's kind of failure, from its SQLSTATE.
int numberFor(const pg_result* result, int otherwise)
{
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    if (!state)
        return otherwise;
    const QByteArray code(state);
    if (code == "57014" || code == "55P03") // statement or lock timeout
        return FailureNumber::TimedOut;
    if (code == "42501") // insufficient privilege
        return FailureNumber::CannotReadFile;
    return otherwise;
}

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
            return Failure { FailureNumber::BadConnectionDescription,
                             QStringLiteral("the connection string cannot be read: ") + withoutPassword(reason, connectionString) };
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
        return Failure { FailureNumber::CannotReadFile,
                         QStringLiteral("cannot connect to the server (%1): %2").arg(shown(connectionString), withoutPassword(reason, connectionString)) };
    }
    std::unique_ptr<ServerConnection> server(new ServerConnection(connection, connectionString, session));
    if (Outcome begun = server->begin(); !begun)
        return begun.failure();
    return server;
}

Outcome ServerConnection::begin()
{
    // The server's notices ("table … does not exist, skipping") are not the user's business.
    PQsetNoticeProcessor(m_connection, [](void*, const char*) {}, nullptr);
    // Nothing blocks on the server: every wait is the program's own, with its deadline.
    if (PQsetnonblocking(m_connection, 1) != 0)
        return failure(QStringLiteral("the session cannot be set up"));
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
    if (PQstatus(m_connection) != CONNECTION_BAD && !m_abandoned)
        return {};
    PQreset(m_connection);
    m_prepared.clear(); // a new session knows none of them
    if (PQstatus(m_connection) != CONNECTION_OK)
        return Failure { FailureNumber::CannotReadFile, QStringLiteral("cannot connect to the server again (%1): %2")
                                                            .arg(shown(m_connectionString), withoutPassword(serverText(PQerrorMessage(m_connection)), m_connectionString)) };
    m_abandoned = false;
    return begin();
}

bool ServerConnection::awaitServer()
{
    if (m_abandoned)
        return false;
    const int socket = PQsocket(m_connection);
    // The wait starts again whenever the server sends or takes bytes: a long answer that keeps
    // coming is not cut off, a silent server is.
    QDeadlineTimer quiet(m_session.answerMilliseconds);
    for (;;) {
        const int flushed = PQflush(m_connection);
        if (flushed < 0 || socket < 0)
            return true; // broken: the result says so
        if (flushed == 0 && !PQisBusy(m_connection))
            return true;
        pollfd wait { socket, static_cast<short>(POLLIN | (flushed == 1 ? POLLOUT : 0)), 0 };
        const int ready = ::poll(&wait, 1, static_cast<int>(std::max<qint64>(0, quiet.remainingTime())));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0) {
            abandon();
            return false;
        }
        quiet.setRemainingTime(m_session.answerMilliseconds);
        if ((wait.revents & (POLLIN | POLLERR | POLLHUP)) && PQconsumeInput(m_connection) == 0)
            return true;
    }
}

pg_result* ServerConnection::nextResult()
{
    return awaitServer() ? PQgetResult(m_connection) : nullptr;
}

pg_result* ServerConnection::lastResult()
{
    PGresult* kept = nullptr;
    for (PGresult* next = nextResult(); next; next = nextResult()) {
        const ExecStatusType status = PQresultStatus(next);
        const bool keptError = kept && (PQresultStatus(kept) == PGRES_FATAL_ERROR || PQresultStatus(kept) == PGRES_BAD_RESPONSE);
        if (keptError) {
            PQclear(next);
            continue;
        }
        PQclear(kept);
        kept = next;
        if (status == PGRES_COPY_IN || status == PGRES_COPY_OUT)
            break; // the statement waits for its rows
    }
    if (m_abandoned) {
        PQclear(kept);
        return nullptr;
    }
    return kept;
}

void ServerConnection::abandon()
{
    m_abandoned = true;
    // Asks the server to stop the statement, should it wake; the request itself waits for the
    // server, so it goes on a thread of its own, and the session is connected again afresh.
    if (cancelsUnderWay.fetch_add(1) < mostCancels) {
        if (PGcancel* cancel = PQgetCancel(m_connection)) {
            std::thread([cancel] {
                char error[256];
                PQcancel(cancel, error, sizeof error);
                PQfreeCancel(cancel);
                --cancelsUnderWay;
            }).detach();
            return;
        }
    }
    --cancelsUnderWay;
}

Failure ServerConnection::silence() const
{
    return { FailureNumber::TimedOut, QStringLiteral("the server did not answer within %1 seconds (%2): it may be stopped or overloaded; the next operation connects again")
                                          .arg(m_session.answerMilliseconds / 1000.0)
                                          .arg(shown(m_connectionString)) };
}

Failure ServerConnection::selectFailure(const QByteArray& sql, const pg_result* result) const
{
    if (m_abandoned)
        return silence();
    const char* resultMessage = result ? PQresultErrorMessage(result) : nullptr;
    if (resultMessage && *resultMessage && PQstatus(m_connection) != CONNECTION_BAD)
        return { numberFor(result, FailureNumber::QueryFailed),
                 QStringLiteral("the server refused \"%1\": %2").arg(QString::fromUtf8(sql.left(200)), serverText(resultMessage)) };
    if (PQstatus(m_connection) == CONNECTION_BAD)
        return Failure { FailureNumber::CannotReadFile, QStringLiteral("the connection to the server was lost (%1): %2; the next operation connects again")
                                                            .arg(shown(m_connectionString), withoutPassword(serverText(PQerrorMessage(m_connection)), m_connectionString)) };
    return failure(QStringLiteral("the server refused \"%1\"").arg(QString::fromUtf8(sql.left(200))), result);
}

Result<ServerConnection::Rows> ServerConnection::select(const QByteArray& sql, const std::vector<Parameter>& parameters)
{
    if (Outcome connected = reconnectIfLost(); !connected)
        return connected.failure();
    PGresult* answer = nullptr;
    if (parameters.empty()) {
        if (PQsendQuery(m_connection, sql.constData()) == 1)
            answer = lastResult();
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
            if (PQsendQueryPrepared(m_connection, name.constData(), count, values.data(), lengths.data(), formats.data(), 0) == 1)
                answer = lastResult();
        } else if (m_prepared.size() >= mostPrepared) {
            if (PQsendQueryParams(m_connection, sql.constData(), count, nullptr, values.data(), lengths.data(), formats.data(), 0) == 1)
                answer = lastResult();
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
                for (int results = 0, ends = 0; sent && !m_abandoned;) {
                    PGresult* next = nextResult();
                    if (!next) {
                        // The end of one statement's results; a broken connection ends them all.
                        if (m_abandoned || PQstatus(m_connection) == CONNECTION_BAD || ++ends > 2)
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
                if (!m_abandoned)
                    PQexitPipelineMode(m_connection);
            } else if (PQsendQueryParams(m_connection, sql.constData(), count, nullptr, values.data(), lengths.data(), formats.data(), 0) == 1) {
                answer = lastResult();
            }
            if (prepared && !m_abandoned)
                m_prepared.insert(sql, fresh);
        }
    }
    ResultGuard result { answer };
    if (m_abandoned || PQresultStatus(result.result) != PGRES_TUPLES_OK)
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

Failure ServerConnection::failure(const QString& what, const pg_result* result) const
{
    if (m_abandoned)
        return silence();
    return { numberFor(result, FailureNumber::QueryFailed),
             what + QStringLiteral(": ") + withoutPassword(serverText(result ? PQresultErrorMessage(result) : PQerrorMessage(m_connection)), m_connectionString) };
}

Outcome ServerConnection::execute(const QByteArray& sql)
{
    if (m_abandoned)
        return silence();
    if (PQsendQuery(m_connection, sql.constData()) != 1)
        return failure(QStringLiteral("the server refused \"%1\"").arg(QString::fromUtf8(sql.left(80))));
    ResultGuard result { lastResult() };
    const ExecStatusType status = PQresultStatus(result.result);
    if (m_abandoned || (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK))
        return failure(QStringLiteral("the server refused \"%1\"").arg(QString::fromUtf8(sql.left(80))), result.result);
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
    if (m_abandoned)
        return silence();
    if (PQsendQuery(m_connection, statement.constData()) != 1)
        return failure(QStringLiteral("the server refused \"%1\"").arg(QString::fromUtf8(statement.left(80))));
    {
        ResultGuard started { lastResult() };
        if (PQresultStatus(started.result) != PGRES_COPY_IN)
            return failure(QStringLiteral("the server refused \"%1\"").arg(QString::fromUtf8(statement.left(80))), started.result);
    }
    // A slice at a time, waiting whenever libpq's buffer is full, so that a server that stops
    // taking rows is noticed.
    constexpr qsizetype slice = 64 * 1024;
    for (qsizetype sent = 0; sent < data.size();) {
        const int length = static_cast<int>(std::min(slice, data.size() - sent));
        const int queued = PQputCopyData(m_connection, data.constData() + sent, length);
        if (queued < 0)
            return failure(QStringLiteral("the rows could not be sent"));
        if (queued == 1)
            sent += length;
        else if (!awaitServer())
            return silence();
    }
    for (int ended = 0; ended != 1;) {
        ended = PQputCopyEnd(m_connection, nullptr);
        if (ended < 0)
            return failure(QStringLiteral("the rows could not be sent"));
        if (ended == 0 && !awaitServer())
            return silence();
    }
    ResultGuard result { lastResult() };
    if (m_abandoned || PQresultStatus(result.result) != PGRES_COMMAND_OK)
        return failure(QStringLiteral("the server refused the rows"), result.result);
    return {};
}

QString ServerConnection::describe() const
{
    const QString host = QString::fromUtf8(PQhost(m_connection));
    return QStringLiteral("database %1 on %2, port %3").arg(QString::fromUtf8(PQdb(m_connection)), host, QString::fromUtf8(PQport(m_connection)));
}

QString ServerConnection::shown(const QString& connectionString)
{
    const QByteArray given = connectionString.toUtf8();
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(given.constData(), &error);
    PQfreemem(error);
    if (!options)
        return given.contains('=') ? QStringLiteral("a connection string libpq cannot read") : connectionString;
    // As written unless it holds a password; then its settings without it.
    bool password = false;
    for (const PQconninfoOption* option = options; option->keyword; ++option)
        password = password || (qstrcmp(option->keyword, "password") == 0 && option->val);
    if (!password) {
        PQconninfoFree(options);
        return connectionString;
    }
    QStringList settings;
    for (const PQconninfoOption* option = options; option->keyword; ++option) {
        if (!option->val || qstrcmp(option->keyword, "password") == 0)
            continue;
        QString value = QString::fromUtf8(option->val);
        if (value.isEmpty() || value.contains(u' ') || value.contains(u'\'') || value.contains(u'\\'))
            value = u'\'' + value.replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'")) + u'\'';
        settings.append(QString::fromUtf8(option->keyword) + u'=' + value);
    }
    PQconninfoFree(options);
    return settings.join(u' ');
}

QString ServerConnection::withoutPassword(QString text, const QString& connectionString)
{
    // The password as libpq reads it, and as it stands in the string (quoted, escaped or
    // percent-encoded in a URI), wherever libpq or the server may have repeated it.
    QStringList secrets;
    const QByteArray given = connectionString.toUtf8();
    if (PQconninfoOption* options = PQconninfoParse(given.constData(), nullptr)) {
        for (const PQconninfoOption* option = options; option->keyword; ++option) {
            if (qstrcmp(option->keyword, "password") == 0 && option->val && *option->val)
                secrets.append(QString::fromUtf8(option->val));
        }
        PQconninfoFree(options);
    }
    static const QRegularExpression written(QStringLiteral(R"((?:password\s*=\s*('(?:[^'\\]|\\.)*'|\S+))|(?:://[^/@:?#]*:([^/@?#]*)@))"));
    for (auto match = written.globalMatch(connectionString); match.hasNext();) {
        const auto found = match.next();
        for (int group = 1; group <= 2; ++group) {
            if (!found.captured(group).isEmpty())
                secrets.append(found.captured(group));
        }
    }
    std::sort(secrets.begin(), secrets.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
    // A password of a letter or two would blot out half the message; libpq never repeats it
    // on its own anyway, only a string it could not read.
    for (const QString& secret : std::as_const(secrets)) {
        if (secret.size() >= 4)
            text.replace(secret, QStringLiteral("(password)"));
    }
    return text;
}
