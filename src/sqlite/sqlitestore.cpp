#include "sqlitestore.h"

#include <chrono>
#include <tuple>

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>

#include <sqlite3.h>

#include "dictionarycollation.h"
#include "sqliteconnection.h"
#include "sqlitefunctions.h"
#include "tableloader.h"
#include "termindex.h"

using SqliteText::orderingTable;
using SqliteText::quoted;
using SqliteText::quotedText;

namespace {

constexpr int maxTableLoadsPerQuery = 8;

} // namespace

SqliteStore::SqliteStore(ConnectionDescription description, std::shared_ptr<StoreConnection> connection)
    : m_description(std::move(description)), m_connection(std::move(connection))
{
}

SqliteStore::~SqliteStore() = default;

Result<std::shared_ptr<Store>> SqliteStore::open(const ConnectionDescription& description)
{
    // Text tables load into memory (":memory:" without SQLITE_OPEN_MEMORY, so that a compiled
    // copy can be attached as a real file); a compiled store is its own file, opened read-only.
    const bool compiled = !description.databaseFile.isEmpty();
    const QByteArray name = compiled ? QFile::encodeName(description.databaseFile) : QByteArray(":memory:");
    // Nobody reads the engine's memory statistics; keeping them costs a lock per allocation.
    static const bool configured = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
    Q_UNUSED(configured);
    sqlite3* handle = nullptr;
    // Each connection is used by one thread only, the one that opened it.
    const int flags = (compiled ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(name.constData(), &handle, flags, nullptr);
    auto connection = std::make_shared<StoreConnection>(handle);
    if (rc != SQLITE_OK || (compiled && sqlite3_exec(handle, "SELECT count(*) FROM sqlite_schema", nullptr, nullptr, nullptr) != SQLITE_OK)) {
        if (!compiled)
            return Failure { FailureNumber::QueryFailed, QStringLiteral("cannot start the in-memory store for %1").arg(description.file) };
        return Failure { FailureNumber::CannotReadFile,
                         QStringLiteral("cannot read the database %1: %2").arg(description.databaseFile, QString::fromUtf8(sqlite3_errmsg(handle))) };
    }
    // Sorts and temporary tables stay in memory: the program writes no file, not even a
    // temporary one for a large sort.
    sqlite3_exec(handle, "PRAGMA temp_store = MEMORY", nullptr, nullptr, nullptr);
    sqlite3_db_config(handle, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(handle, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
    DictionaryCollation::registerWithSqlite(handle);
    connection->allowReadingOnly();
    std::shared_ptr<SqliteStore> store(new SqliteStore(description, connection));
    store->m_compiled = compiled;
    if (compiled)
        store->readOrderings();
    return std::shared_ptr<Store>(std::move(store));
}

Outcome SqliteStore::loadTable(const QString& name)
{
    TableLoader loader(*m_connection, m_description.tableDirectory, m_indexedColumns, m_loadTimes);
    auto loaded = loader.load(name);
    if (!loaded)
        return loaded.failure();
    // Recorded once committed: a table that failed to load leaves nothing for a compiled copy.
    if (loaded->inMain) {
        m_definitions[loaded->table] = { loaded->definition, loaded->indexed };
        m_orderings.insert(loaded->orderings);
        // Rows went in one after another into a new table: rowids 1 to n, in stored order.
        m_orderings.insert(loaded->table.toLower(), loaded->table);
    }
    m_loaded.append(name);
    return {};
}

std::optional<SqliteQueryResult::Seek> SqliteStore::seekFor(const QString& recordSource)
{
    // Only a whole table in an order qualifies; the search's own queries, which select, never do.
    if (m_orderings.isEmpty() || recordSource.contains(u"where", Qt::CaseInsensitive))
        return std::nullopt;
    if (m_compiled && !m_orderings.isEmpty()) {
        // Someone wrote to the database since it was opened: its orderings may be stale.
        unsigned version = 0;
        if (sqlite3_file_control(m_connection->handle, "main", SQLITE_FCNTL_DATA_VERSION, &version) != SQLITE_OK || version != m_dataVersion)
            m_orderings.clear();
    }
    static const QRegularExpression storedOrder(QStringLiteral("^\\s*\\[?([A-Za-z_][A-Za-z0-9_]*)\\]?\\s*$"));
    static const QRegularExpression byField(
        QStringLiteral("^\\s*select\\s+\\*\\s+from\\s+\\[?([A-Za-z_][A-Za-z0-9_]*)\\]?\\s+order\\s+by\\s+\\[?([A-Za-z_][A-Za-z0-9_]*)\\]?(\\s+asc)?[\\s;]*$"),
        QRegularExpression::CaseInsensitiveOption);
    if (const auto match = storedOrder.match(recordSource); match.hasMatch()) {
        const auto table = m_orderings.constFind(match.captured(1).toLower());
        if (table == m_orderings.constEnd())
            return std::nullopt;
        const QByteArray name = quoted(*table).toUtf8();
        return SqliteQueryResult::Seek { "SELECT * FROM " + name + " WHERE rowid > ?1 ORDER BY rowid", "SELECT max(rowid) FROM " + name };
    }
    if (const auto match = byField.match(recordSource); match.hasMatch()) {
        const QString key = match.captured(1).toLower() + u'\t' + match.captured(2).toLower();
        const auto ordering = m_orderings.constFind(key);
        if (ordering == m_orderings.constEnd())
            return std::nullopt;
        const QByteArray order = quoted(*ordering).toUtf8();
        const QByteArray table = quoted(match.captured(1)).toUtf8();
        return SqliteQueryResult::Seek { "SELECT t.* FROM " + order + " AS o JOIN " + table + " AS t ON t.rowid = o.r WHERE o.rowid > ?1 ORDER BY o.rowid",
                                   "SELECT max(rowid) FROM " + order };
    }
    return std::nullopt;
}

void SqliteStore::readOrderings()
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(m_connection->handle, "SELECT key, orderTable FROM evelmora_orderings", -1, &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW) {
            const auto text = [statement](int column) { return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column))); };
            m_orderings.insert(text(0), text(1));
        }
    }
    sqlite3_finalize(statement); // a database compiled before orderings were kept has none
    sqlite3_file_control(m_connection->handle, "main", SQLITE_FCNTL_DATA_VERSION, &m_dataVersion);
}

Result<std::unique_ptr<QueryResult>> SqliteStore::execute(const QString& recordSource)
{
    if (m_observer)
        m_observer(recordSource);
    if (auto reason = unsendableQueryText(recordSource))
        return Failure { FailureNumber::QueryFailed, *reason };

    static const QRegularExpression tableName(QStringLiteral("^\\s*\\[?([A-Za-z_][A-Za-z0-9_]*(\\.[A-Za-z0-9_]+)?)\\]?\\s*$"));
    QString sql = recordSource;
    // A table name alone holds no blank; most record sources are queries.
    const bool maybeTable = !recordSource.trimmed().contains(u' ');
    if (const auto match = maybeTable ? tableName.match(recordSource) : QRegularExpressionMatch(); match.hasMatch())
        sql = QStringLiteral("SELECT * FROM ") + match.captured(1) + QStringLiteral(" ORDER BY rowid");

    const QByteArray utf8 = sql.toUtf8();
    for (int attempt = 0;; ++attempt) {
        sqlite3_stmt* statement = nullptr;
        const char* tail = nullptr;
        const int rc = sqlite3_prepare_v2(m_connection->handle, utf8.constData(), static_cast<int>(utf8.size()), &statement, &tail);
        if (rc == SQLITE_OK && statement) {
            if (!QByteArrayView(tail, utf8.constData() + utf8.size() - tail).trimmed().isEmpty()) {
                sqlite3_finalize(statement);
                return Failure { FailureNumber::QueryFailed, QStringLiteral("the query \"%1\" holds more than one statement").arg(recordSource) };
            }
            QByteArray text = QByteArray(utf8.constData(), tail - utf8.constData()).trimmed();
            while (text.endsWith(';'))
                text = text.chopped(1).trimmed();
            return std::unique_ptr<QueryResult>(std::make_unique<SqliteQueryResult>(m_connection, statement, text, recordSource, seekFor(recordSource)));
        }
        sqlite3_finalize(statement);
        if (rc == SQLITE_OK)
            return Failure { FailureNumber::QueryFailed, QStringLiteral("the query \"%1\" is empty").arg(recordSource) };
        const QString message = QString::fromUtf8(sqlite3_errmsg(m_connection->handle));
        static const QString noSuchTable = QStringLiteral("no such table: ");
        if (!message.startsWith(noSuchTable) || attempt >= maxTableLoadsPerQuery || m_compiled)
            return m_connection->engineFailure(recordSource);
        const QString missing = message.mid(noSuchTable.size());
        if (m_loaded.contains(missing, Qt::CaseInsensitive))
            return m_connection->engineFailure(recordSource);
        if (auto done = loadTable(missing); !done)
            return done.failure();
    }
}

Outcome SqliteStore::compileTo(const QString& databaseFile)
{
    m_connection->loading = true;
    const auto loaded = qScopeGuard([this] { m_connection->loading = false; });
    const auto run = [this](const QString& sql) { return m_connection->exec(sql, u"write the compiled database"); };
    const QString path = quotedText(databaseFile);
    if (auto done = run(QStringLiteral("ATTACH DATABASE '") + path + QStringLiteral("' AS compiled")); !done)
        return done;
    const auto detach = qScopeGuard([this] { m_connection->execAfterFailure(QStringLiteral("DETACH DATABASE compiled")); });
    if (auto done = run(QStringLiteral("BEGIN")); !done)
        return done;
    // Which tables hold the orderings, so that the compiled store seeks as the text tables do.
    if (auto done = run(QStringLiteral("CREATE TABLE compiled.evelmora_orderings (key TEXT PRIMARY KEY, orderTable TEXT)")); !done) {
        m_connection->execAfterFailure(QStringLiteral("ROLLBACK"));
        return done;
    }
    for (auto it = m_definitions.cbegin(); it != m_definitions.cend(); ++it) {
        const QString table = quoted(it.key());
        QStringList statements { QStringLiteral("CREATE TABLE compiled.") + table + QStringLiteral(" (") + it.value().first + u')',
                                 QStringLiteral("INSERT INTO compiled.") + table + QStringLiteral(" SELECT * FROM main.") + table + QStringLiteral(" ORDER BY rowid") };
        for (const QString& column : it.value().second) {
            statements.append(QStringLiteral("CREATE INDEX compiled.") + quoted(it.key() + u'_' + column) + QStringLiteral(" ON ") + table + u'('
                              + quoted(column) + u')');
            const QString ordering = orderingTable(it.key(), column);
            statements.append(QStringLiteral("CREATE TABLE compiled.") + quoted(ordering) + QStringLiteral(" AS SELECT r FROM main.") + quoted(ordering)
                              + QStringLiteral(" ORDER BY rowid"));
            statements.append(QStringLiteral("INSERT INTO compiled.evelmora_orderings VALUES ('%1', '%2')")
                                  .arg(quotedText(it.key().toLower() + u'\t' + column.toLower()), quotedText(ordering)));
        }
        statements.append(QStringLiteral("INSERT INTO compiled.evelmora_orderings VALUES ('%1', '%2')")
                              .arg(quotedText(it.key().toLower()), quotedText(it.key())));
        for (const QString& statement : statements) {
            if (auto done = run(statement); !done) {
                m_connection->execAfterFailure(QStringLiteral("ROLLBACK"));
                return done;
            }
        }
    }
    // Each search field's full-text index goes in too, so that a compiled store is searched
    // at once instead of being indexed again on every start.
    for (auto it = m_definitions.cbegin(); it != m_definitions.cend(); ++it) {
        for (const QString& column : it.value().second) {
            // The rows' statement ends before any undo.
            const Outcome done = [&]() -> Outcome {
                auto rows = execute(QStringLiteral("SELECT * FROM main.%1 ORDER BY %2").arg(quoted(it.key()), quoted(column)));
                if (!rows)
                    return rows.failure();
                return TermIndex::writeInto(m_connection->handle, QStringLiteral("compiled"), **rows, column);
            }();
            if (!done) {
                m_connection->execAfterFailure(QStringLiteral("ROLLBACK"));
                return done;
            }
        }
    }
    return run(QStringLiteral("COMMIT"));
}
