#include "sqlitestore.h"

#include <chrono>
#include <tuple>

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>

#include <sqlite3.h>

#include "dictionarycollation.h"
#include "sqlitefunctions.h"
#include "texttable.h"
#include "textfile.h"

// The engine's connection, shared by the store and every result it gives. The authorizer's
// state lives here, beside the handle it is registered on, so whichever goes last, the
// engine never calls into freed memory.
class StoreConnection final {
public:
    explicit StoreConnection(sqlite3* handle) : handle(handle) { }
    ~StoreConnection() { sqlite3_close_v2(handle); }
    StoreConnection(const StoreConnection&) = delete;
    StoreConnection& operator=(const StoreConnection&) = delete;

    sqlite3* const handle;
    bool loading = false;
};

namespace {

constexpr int maxTableLoadsPerQuery = 8;

// The table that holds a table's order by one column.
QString orderingTable(const QString& table, const QString& column)
{
    return table + QStringLiteral("$order$") + column;
}

QString quoted(const QString& identifier)
{
    QString escaped = identifier;
    escaped.replace(u'"', QStringLiteral("\"\""));
    return u'"' + escaped + u'"';
}

// While the store answers queries, a statement may only read; loading a table is the one
// time it writes, into its own memory.
int authorize(void* connection, int action, const char*, const char*, const char*, const char*)
{
    if (static_cast<StoreConnection*>(connection)->loading)
        return SQLITE_OK;
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
        return SQLITE_OK;
    default:
        return SQLITE_DENY;
    }
}

} // namespace

SqliteQueryResult::SqliteQueryResult(std::shared_ptr<StoreConnection> connection, sqlite3_stmt* statement, QByteArray sql, QString query,
                         std::optional<Seek> seek)
    : m_connection(std::move(connection)), m_statement(statement), m_sql(std::move(sql)), m_query(std::move(query)), m_seek(std::move(seek))
{
    const int count = sqlite3_column_count(m_statement);
    for (int i = 0; i < count; ++i)
        m_columns.append(QString::fromUtf8(sqlite3_column_name(m_statement, i)));
    m_ends.push_back(0);
}

SqliteQueryResult::~SqliteQueryResult()
{
    if (m_statement != m_seekStatement)
        sqlite3_finalize(m_statement);
    sqlite3_finalize(m_seekStatement);
}

Failure SqliteQueryResult::engineFailure() const
{
    return { FailureNumber::QueryFailed, QStringLiteral("the query \"%1\" failed: %2").arg(m_query, QString::fromUtf8(sqlite3_errmsg(m_connection->handle))) };
}

Result<sqlite3_stmt*> SqliteQueryResult::prepare(const QByteArray& sql) const
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(m_connection->handle, sql.constData(), static_cast<int>(sql.size()), &statement, nullptr) != SQLITE_OK || !statement) {
        sqlite3_finalize(statement);
        return engineFailure();
    }
    return statement;
}

Outcome SqliteQueryResult::stepOnce()
{
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_DONE) {
        m_done = true;
        m_count = m_first + m_rows;
        sqlite3_reset(m_statement);
        return {};
    }
    if (rc != SQLITE_ROW) {
        m_done = true;
        return engineFailure();
    }
    const int count = static_cast<int>(m_columns.size());
    for (int i = 0; i < count; ++i) {
        const bool null = sqlite3_column_type(m_statement, i) == SQLITE_NULL;
        if (!null) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, i));
            m_bytes.append(text, static_cast<std::size_t>(sqlite3_column_bytes(m_statement, i)));
        }
        m_nulls.push_back(null);
        m_ends.push_back(static_cast<qsizetype>(m_bytes.size()));
    }
    ++m_rows;
    return {};
}

Outcome SqliteQueryResult::startAt(qsizetype first)
{
    // The first row is kept apart before the rows kept move away from it: a search goes back
    // to it before every placement.
    if (m_first == 0 && m_rows > 0 && m_firstRow.empty()) {
        for (int i = 0; i < static_cast<int>(m_columns.size()); ++i)
            m_firstRow.push_back(value(0, i));
    }
    if (m_seek) {
        // The engine finds the row in an index; the statement is prepared once and run again
        // from each new row.
        if (!m_seekStatement) {
            auto statement = prepare(m_seek->fromRow);
            if (!statement)
                return statement.failure();
            if (sqlite3_column_count(*statement) != m_columns.size()) {
                sqlite3_finalize(*statement);
                return Failure { FailureNumber::QueryFailed, QStringLiteral("the query \"%1\" cannot be read from row %2").arg(m_query).arg(first) };
            }
            m_seekStatement = *statement;
        }
        sqlite3_reset(m_seekStatement);
        sqlite3_bind_int64(m_seekStatement, 1, first);
        if (m_statement != m_seekStatement)
            sqlite3_finalize(m_statement);
        m_statement = m_seekStatement;
    } else {
        // The same query as a subquery lets the engine skip rows without reading their columns.
        auto statement = prepare(QByteArrayLiteral("SELECT * FROM (") + m_sql + QByteArrayLiteral(") LIMIT -1 OFFSET ") + QByteArray::number(first));
        if (!statement)
            return statement.failure();
        if (sqlite3_column_count(*statement) != m_columns.size()) {
            sqlite3_finalize(*statement);
            return Failure { FailureNumber::QueryFailed, QStringLiteral("the query \"%1\" cannot be read from row %2").arg(m_query).arg(first) };
        }
        sqlite3_finalize(m_statement);
        m_statement = *statement;
    }
    m_first = first;
    m_rows = 0;
    m_done = false;
    m_bytes.clear();
    m_ends.assign(1, 0);
    m_nulls.clear();
    return {};
}

Result<bool> SqliteQueryResult::hasRow(qsizetype index)
{
    if (index == 0 && !m_firstRow.empty())
        return true;
    if (index < 0 || (m_count && index >= *m_count))
        return false;
    const qsizetype behind = m_seek ? seekBehind : keptBehind;
    if (index < m_first) {
        if (auto done = startAt(std::max<qsizetype>(0, index - behind)); !done)
            return done.failure();
    } else if (!m_done && index - (m_first + m_rows) > (m_seek ? seekDistance : skipDistance)) {
        // Far ahead: skip there. A query the engine cannot take as a subquery (one ending in
        // a comment, say) is stepped through instead.
        auto count = rowCount();
        if (count && index >= *count)
            return false;
        if (count)
            std::ignore = startAt(index - behind);
    }
    while (m_first + m_rows <= index && !m_done) {
        if (auto done = stepOnce(); !done)
            return done.failure();
    }
    return index < m_first + m_rows;
}

Result<bool> SqliteQueryResult::hasRows()
{
    if (m_first > 0 || m_rows > 0)
        return true;
    return hasRow(0);
}

Result<qsizetype> SqliteQueryResult::rowCount()
{
    if (m_count)
        return *m_count;
    // Counted by the engine, so that RecordCount or a move to the last row need not fetch
    // every row; with a seek, read off the end of an index.
    auto statement = prepare(m_seek ? m_seek->count : QByteArrayLiteral("SELECT count(*) FROM (") + m_sql + ')');
    if (statement) {
        const int rc = sqlite3_step(*statement);
        const qsizetype count = sqlite3_column_int64(*statement, 0);
        sqlite3_finalize(*statement);
        if (rc == SQLITE_ROW) {
            m_count = count;
            return count;
        }
    }
    while (!m_done) {
        if (auto done = stepOnce(); !done)
            return done.failure();
    }
    return m_first + m_rows;
}

int SqliteQueryResult::columnIndex(QStringView name) const
{
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        if (name.compare(m_columns[i], Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

FieldValue SqliteQueryResult::value(qsizetype row, int column) const
{
    if (row < m_first || row >= m_first + m_rows)
        return m_firstRow[static_cast<std::size_t>(column)]; // row 0, kept apart
    const auto cell = static_cast<std::size_t>((row - m_first) * m_columns.size() + column);
    if (m_nulls[cell])
        return { QString(), true };
    const qsizetype begin = m_ends[cell];
    return { QString::fromUtf8(m_bytes.data() + begin, m_ends[cell + 1] - begin), false };
}

std::string SqliteQueryResult::bytes(qsizetype row, int column) const
{
    if (row < m_first || row >= m_first + m_rows)
        return value(row, column).text.toStdString();
    const auto cell = static_cast<std::size_t>((row - m_first) * m_columns.size() + column);
    const auto begin = static_cast<std::size_t>(m_ends[cell]);
    return m_bytes.substr(begin, static_cast<std::size_t>(m_ends[cell + 1]) - begin);
}

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
    sqlite3_set_authorizer(handle, &authorize, connection.get());
    std::shared_ptr<SqliteStore> store(new SqliteStore(description, connection));
    store->m_compiled = compiled;
    if (compiled)
        store->readOrderings();
    return std::shared_ptr<Store>(std::move(store));
}

Failure SqliteStore::engineFailure(const QString& query) const
{
    return { FailureNumber::QueryFailed,
             QStringLiteral("the query \"%1\" failed: %2").arg(query, QString::fromUtf8(sqlite3_errmsg(m_connection->handle))) };
}

Outcome SqliteStore::exec(const QString& sql)
{
    char* error = nullptr;
    if (sqlite3_exec(m_connection->handle, sql.toUtf8().constData(), nullptr, nullptr, &error) == SQLITE_OK)
        return {};
    Failure failure { FailureNumber::QueryFailed, QStringLiteral("the store could not load a table: ") + QString::fromUtf8(error) };
    sqlite3_free(error);
    return failure;
}

void SqliteStore::execAfterFailure(const QString& sql)
{
    std::ignore = exec(sql);
}

// Table "PS" is the file PS.txt; "p1.txt", which SQL reads as table txt of schema p1, is the
// file p1.txt, loaded into a schema of that name.
Outcome SqliteStore::loadTable(const QString& name)
{
    // A table is a file of the table directory itself, never one reached through a path.
    if (name.contains(u'/') || name.contains(u'\\') || name.contains(QStringLiteral("..")) || name.startsWith(u'.') || name.endsWith(u'.'))
        return Failure { FailureNumber::FileNotFound,
                         QStringLiteral("cannot find the table %1: a table is a file of %2 itself, and its name holds no / \\ or ..").arg(name, m_description.tableDirectory) };
    const qsizetype dot = name.indexOf(u'.');
    const QString schema = dot < 0 ? QStringLiteral("main") : name.left(dot);
    const QString table = dot < 0 ? name : name.mid(dot + 1);
    const QString fileName = dot < 0 ? name + QStringLiteral(".txt") : name;
    const QString path = TextFile::findCaseInsensitive(m_description.tableDirectory, fileName);
    if (!path.isEmpty() && !QFileInfo(path).isDir()) {
        if (const QString reason = TextFile::notRegularReason(path); !reason.isEmpty())
            return Failure { FailureNumber::CannotReadFile, QStringLiteral("cannot read %1: %2").arg(path, reason) };
    }
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return Failure { FailureNumber::FileNotFound,
                         QStringLiteral("cannot find the table %1: no file %2 in %3").arg(name, fileName, m_description.tableDirectory) };

    m_connection->loading = true;
    const auto loaded = qScopeGuard([this] { m_connection->loading = false; });
    if (dot >= 0) {
        if (auto done = exec(QStringLiteral("ATTACH DATABASE ':memory:' AS ") + quoted(schema)); !done)
            return done;
    }
    const QString target = quoted(schema) + u'.' + quoted(table);
    // Whatever fails from here on, the store is left as it was: nothing of the table, its
    // indexes or orderings, nor its definition for a compiled copy.
    bool committed = false;
    const auto undo = qScopeGuard([&] {
        if (committed)
            return;
        execAfterFailure(QStringLiteral("ROLLBACK"));
        if (dot >= 0)
            execAfterFailure(QStringLiteral("DETACH DATABASE ") + quoted(schema));
    });
    std::pair<QString, QStringList> definition;
    QMap<QString, QString> orderings;
    if (auto done = exec(QStringLiteral("BEGIN")); !done)
        return done;
    // Rows go in many to a statement, which saves most of the engine's work per row; the
    // values wait in `pending` until a statement's worth has come.
    sqlite3_stmt* insert = nullptr;
    const auto finalize = qScopeGuard([&insert] { sqlite3_finalize(insert); });
    QList<TextTable::Column> columns;
    QString rowPlaceholders;
    int rowsPerInsert = 1;
    struct Value {
        enum class Kind { Null, Integer, Real, Text } kind;
        qint64 integer = 0;
        double real = 0;
        std::size_t offset = 0;
        std::size_t size = 0;
    };
    std::vector<Value> pending;
    std::string pendingText;
    int pendingRows = 0;
    int firstPendingLine = 0;
    const auto prepareInsert = [&](int rows) -> Outcome {
        sqlite3_finalize(insert);
        insert = nullptr;
        QStringList values;
        for (int row = 0; row < rows; ++row)
            values.append(rowPlaceholders);
        const QByteArray sql = (QStringLiteral("INSERT INTO ") + target + QStringLiteral(" VALUES ") + values.join(u", ")).toUtf8();
        if (sqlite3_prepare_v2(m_connection->handle, sql.constData(), static_cast<int>(sql.size()), &insert, nullptr) != SQLITE_OK)
            return engineFailure(QString::fromUtf8(sql.left(200)));
        return {};
    };
    const auto insertPending = [&]() -> Outcome {
        for (std::size_t i = 0; i < pending.size(); ++i) {
            const Value& value = pending[i];
            const int parameter = static_cast<int>(i) + 1;
            switch (value.kind) {
            case Value::Kind::Null:
                sqlite3_bind_null(insert, parameter);
                break;
            case Value::Kind::Integer:
                sqlite3_bind_int64(insert, parameter, value.integer);
                break;
            case Value::Kind::Real:
                sqlite3_bind_double(insert, parameter, value.real);
                break;
            case Value::Kind::Text:
                sqlite3_bind_text(insert, parameter, pendingText.data() + value.offset, static_cast<int>(value.size), SQLITE_STATIC);
                break;
            }
        }
        const bool done = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
        pending.clear();
        pendingText.clear();
        pendingRows = 0;
        if (!done)
            return Failure { FailureNumber::MalformedTable, QStringLiteral("cannot read %1: line %2: %3")
                                                                .arg(path).arg(firstPendingLine).arg(QString::fromUtf8(sqlite3_errmsg(m_connection->handle))) };
        return {};
    };
    const auto onColumns = [&](const QList<TextTable::Column>& read) -> Outcome {
        columns = read;
        QStringList definitions;
        QStringList placeholders;
        for (const auto& column : columns) {
            switch (column.type) {
            case TextTable::ColumnType::Text:
                definitions.append(quoted(column.name) + QStringLiteral(" TEXT COLLATE ") + QLatin1String(DictionaryCollation::sqlName));
                break;
            case TextTable::ColumnType::Integer:
                definitions.append(quoted(column.name) + QStringLiteral(" INTEGER"));
                break;
            case TextTable::ColumnType::Real:
                definitions.append(quoted(column.name) + QStringLiteral(" REAL"));
                break;
            }
            placeholders.append(QStringLiteral("?"));
        }
        rowPlaceholders = u'(' + placeholders.join(u", ") + u')';
        rowsPerInsert = std::clamp(32000 / int(columns.size()), 1, 64);
        if (auto done = exec(QStringLiteral("CREATE TABLE ") + target + QStringLiteral(" (") + definitions.join(u", ") + u')'); !done)
            return done;
        definition.first = definitions.join(u", ");
        return prepareInsert(rowsPerInsert);
    };
    const auto onRow = [&](const std::vector<TextTable::Cell>& cells, int line) -> Outcome {
        if (pendingRows == 0)
            firstPendingLine = line;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const auto& cell = cells[i];
            const TextTable::ColumnType type = columns[static_cast<qsizetype>(i)].type;
            if (cell.null) {
                pending.push_back({ Value::Kind::Null });
            } else if (type == TextTable::ColumnType::Integer) {
                pending.push_back({ Value::Kind::Integer, TextTable::wholeNumber(cell.text).value_or(0) });
            } else if (type == TextTable::ColumnType::Real) {
                pending.push_back({ Value::Kind::Real, 0, QString::fromUtf8(cell.text.data(), static_cast<qsizetype>(cell.text.size())).trimmed().toDouble() });
            } else {
                pending.push_back({ Value::Kind::Text, 0, 0, pendingText.size(), cell.text.size() });
                pendingText.append(cell.text);
            }
        }
        if (++pendingRows < rowsPerInsert)
            return {};
        return insertPending();
    };
    Outcome read = TextTable::read(path, onColumns, onRow, &m_loadTimes.read);
    if (read && pendingRows > 0) {
        read = prepareInsert(pendingRows);
        if (read)
            read = insertPending();
    }
    if (!read)
        return read;
    // The search fields are looked up and ordered by; an index on each keeps that fast, and
    // scanning it gives equal terms in stored order.
    for (const auto& column : columns) {
        if (column.type != TextTable::ColumnType::Text)
            continue;
        if (!m_indexedColumns.contains(column.name, Qt::CaseInsensitive))
            continue;
        definition.second.append(column.name);
        const QString index = quoted(schema) + u'.' + quoted(table + u'_' + column.name);
        auto start = std::chrono::steady_clock::now();
        if (auto done = exec(QStringLiteral("CREATE INDEX ") + index + QStringLiteral(" ON ") + quoted(table) + u'(' + quoted(column.name) + u')'); !done)
            return done;
        m_loadTimes.indexMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        start = std::chrono::steady_clock::now();
        // The browse order by this field, position by position, so that a cursor reaches
        // any position with one lookup instead of passing every row before it.
        if (dot < 0) {
            const QString ordering = orderingTable(table, column.name);
            if (auto done = exec(QStringLiteral("CREATE TABLE ") + quoted(ordering) + QStringLiteral(" AS SELECT rowid AS r FROM ") + quoted(table)
                                 + QStringLiteral(" ORDER BY ") + quoted(column.name));
                !done)
                return done;
            orderings.insert(table.toLower() + u'\t' + column.name.toLower(), ordering);
            m_loadTimes.orderingMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        }
    }
    if (auto done = exec(QStringLiteral("COMMIT")); !done)
        return done;
    committed = true;
    if (dot < 0) {
        m_definitions[table] = definition;
        m_orderings.insert(orderings);
        // Rows went in one after another into a new table: rowids 1 to n, in stored order.
        m_orderings.insert(table.toLower(), table);
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
            return engineFailure(recordSource);
        const QString missing = message.mid(noSuchTable.size());
        if (m_loaded.contains(missing, Qt::CaseInsensitive))
            return engineFailure(recordSource);
        if (auto done = loadTable(missing); !done)
            return done.failure();
    }
}

Outcome SqliteStore::compileTo(const QString& databaseFile)
{
    m_connection->loading = true;
    const auto loaded = qScopeGuard([this] { m_connection->loading = false; });
    QString path = databaseFile;
    path.replace(u'\'', QStringLiteral("''"));
    if (auto done = exec(QStringLiteral("ATTACH DATABASE '") + path + QStringLiteral("' AS compiled")); !done)
        return done;
    const auto detach = qScopeGuard([this] { execAfterFailure(QStringLiteral("DETACH DATABASE compiled")); });
    if (auto done = exec(QStringLiteral("BEGIN")); !done)
        return done;
    // Which tables hold the orderings, so that the compiled store seeks as the text tables do.
    if (auto done = exec(QStringLiteral("CREATE TABLE compiled.evelmora_orderings (key TEXT PRIMARY KEY, orderTable TEXT)")); !done) {
        execAfterFailure(QStringLiteral("ROLLBACK"));
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
                                  .arg(QString(it.key().toLower() + u'\t' + column.toLower()).replace(u'\'', QStringLiteral("''")),
                                       QString(ordering).replace(u'\'', QStringLiteral("''"))));
        }
        statements.append(QStringLiteral("INSERT INTO compiled.evelmora_orderings VALUES ('%1', '%2')")
                              .arg(it.key().toLower().replace(u'\'', QStringLiteral("''")), QString(it.key()).replace(u'\'', QStringLiteral("''"))));
        for (const QString& statement : statements) {
            if (auto done = exec(statement); !done) {
                execAfterFailure(QStringLiteral("ROLLBACK"));
                return done;
            }
        }
    }
    return exec(QStringLiteral("COMMIT"));
}
