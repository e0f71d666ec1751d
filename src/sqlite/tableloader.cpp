#include "tableloader.h"

#include <algorithm>
#include <chrono>

#include <QFileInfo>
#include <QScopeGuard>

#include <sqlite3.h>

#include "dictionarycollation.h"
#include "sqliteconnection.h"
#include "textfile.h"

using SqliteText::quoted;

namespace {

double millisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

TableLoader::TableLoader(StoreConnection& connection, const QString& tableDirectory, const QStringList& indexedColumns, Store::LoadTimes& times)
    : m_connection(connection), m_tableDirectory(tableDirectory), m_indexedColumns(indexedColumns), m_times(times)
{
}

TableLoader::~TableLoader()
{
    sqlite3_finalize(m_insert);
}

Result<QString> TableLoader::locate(const QString& name) const
{
    // A table is a file of the table directory itself, never one reached through a path.
    if (name.contains(u'/') || name.contains(u'\\') || name.contains(QStringLiteral("..")) || name.startsWith(u'.') || name.endsWith(u'.'))
        return Failure { FailureNumber::FileNotFound,
                         QStringLiteral("cannot find the table %1: a table is a file of %2 itself, and its name holds no / \\ or ..").arg(name, m_tableDirectory) };
    const QString fileName = name.contains(u'.') ? name : name + QStringLiteral(".txt");
    const QString path = TextFile::findCaseInsensitive(m_tableDirectory, fileName);
    if (!path.isEmpty() && !QFileInfo(path).isDir()) {
        if (const QString reason = TextFile::notRegularReason(path); !reason.isEmpty())
            return Failure { FailureNumber::CannotReadFile, QStringLiteral("cannot read %1: %2").arg(path, reason) };
    }
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return Failure { FailureNumber::FileNotFound, QStringLiteral("cannot find the table %1: no file %2 in %3").arg(name, fileName, m_tableDirectory) };
    return path;
}

Result<TableLoader::Loaded> TableLoader::load(const QString& name)
{
    auto path = locate(name);
    if (!path)
        return path.failure();
    m_path = *path;
    const qsizetype dot = name.indexOf(u'.');
    m_schema = dot < 0 ? QStringLiteral("main") : name.left(dot);
    m_loaded.table = dot < 0 ? name : name.mid(dot + 1);
    m_loaded.inMain = dot < 0;
    m_target = quoted(m_schema) + u'.' + quoted(m_loaded.table);

    m_connection.loading = true;
    const auto loaded = qScopeGuard([this] { m_connection.loading = false; });
    if (!m_loaded.inMain) {
        if (auto done = m_connection.exec(QStringLiteral("ATTACH DATABASE ':memory:' AS ") + quoted(m_schema)); !done)
            return done.failure();
    }
    // Whatever fails from here on, the store is left as it was: nothing of the table, its
    // indexes or orderings.
    bool committed = false;
    const auto undo = qScopeGuard([&] {
        if (committed)
            return;
        m_connection.execAfterFailure(QStringLiteral("ROLLBACK"));
        if (!m_loaded.inMain)
            m_connection.execAfterFailure(QStringLiteral("DETACH DATABASE ") + quoted(m_schema));
    });
    if (auto done = m_connection.exec(QStringLiteral("BEGIN")); !done)
        return done.failure();
    Outcome read = TextTable::read(
        m_path, [this](const QList<TextTable::Column>& columns) { return createTable(columns); },
        [this](const std::vector<TextTable::Cell>& cells, int line) { return addRow(cells, line); }, &m_times.read);
    if (read && m_pendingRows > 0) {
        read = prepareInsert(m_pendingRows);
        if (read)
            read = insertPending();
    }
    if (read)
        read = indexAndOrder();
    if (read)
        read = m_connection.exec(QStringLiteral("COMMIT"));
    if (!read)
        return read.failure();
    committed = true;
    return m_loaded;
}

Outcome TableLoader::createTable(const QList<TextTable::Column>& columns)
{
    m_columns = columns;
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
    m_rowPlaceholders = u'(' + placeholders.join(u", ") + u')';
    m_rowsPerInsert = std::clamp(32000 / int(columns.size()), 1, 64);
    if (auto done = m_connection.exec(QStringLiteral("CREATE TABLE ") + m_target + QStringLiteral(" (") + definitions.join(u", ") + u')'); !done)
        return done;
    m_loaded.definition = definitions.join(u", ");
    return prepareInsert(m_rowsPerInsert);
}

Outcome TableLoader::prepareInsert(int rows)
{
    sqlite3_finalize(m_insert);
    m_insert = nullptr;
    QStringList values;
    for (int row = 0; row < rows; ++row)
        values.append(m_rowPlaceholders);
    const QByteArray sql = (QStringLiteral("INSERT INTO ") + m_target + QStringLiteral(" VALUES ") + values.join(u", ")).toUtf8();
    if (sqlite3_prepare_v2(m_connection.handle, sql.constData(), static_cast<int>(sql.size()), &m_insert, nullptr) != SQLITE_OK)
        return m_connection.engineFailure(QString::fromUtf8(sql.left(200)));
    return {};
}

Outcome TableLoader::addRow(const std::vector<TextTable::Cell>& cells, int line)
{
    if (m_pendingRows == 0)
        m_firstPendingLine = line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const auto& cell = cells[i];
        const TextTable::ColumnType type = m_columns[static_cast<qsizetype>(i)].type;
        if (cell.null) {
            m_pending.push_back({ Value::Kind::Null });
        } else if (type == TextTable::ColumnType::Integer) {
            m_pending.push_back({ Value::Kind::Integer, TextTable::wholeNumber(cell.text).value_or(0) });
        } else if (type == TextTable::ColumnType::Real) {
            m_pending.push_back({ Value::Kind::Real, 0, QString::fromUtf8(cell.text.data(), static_cast<qsizetype>(cell.text.size())).trimmed().toDouble() });
        } else {
            m_pending.push_back({ Value::Kind::Text, 0, 0, m_pendingText.size(), cell.text.size() });
            m_pendingText.append(cell.text);
        }
    }
    if (++m_pendingRows < m_rowsPerInsert)
        return {};
    return insertPending();
}

Outcome TableLoader::insertPending()
{
    for (std::size_t i = 0; i < m_pending.size(); ++i) {
        const Value& value = m_pending[i];
        const int parameter = static_cast<int>(i) + 1;
        switch (value.kind) {
        case Value::Kind::Null:
            sqlite3_bind_null(m_insert, parameter);
            break;
        case Value::Kind::Integer:
            sqlite3_bind_int64(m_insert, parameter, value.integer);
            break;
        case Value::Kind::Real:
            sqlite3_bind_double(m_insert, parameter, value.real);
            break;
        case Value::Kind::Text:
            sqlite3_bind_text(m_insert, parameter, m_pendingText.data() + value.offset, static_cast<int>(value.size), SQLITE_STATIC);
            break;
        }
    }
    const bool done = sqlite3_step(m_insert) == SQLITE_DONE;
    sqlite3_reset(m_insert);
    m_pending.clear();
    m_pendingText.clear();
    m_pendingRows = 0;
    if (!done)
        return Failure { FailureNumber::MalformedTable, QStringLiteral("cannot read %1: line %2: %3")
                                                            .arg(m_path)
                                                            .arg(m_firstPendingLine)
                                                            .arg(QString::fromUtf8(sqlite3_errmsg(m_connection.handle))) };
    return {};
}

// The search fields are looked up and ordered by; an index on each keeps that fast, and
// scanning it gives equal terms in stored order.
Outcome TableLoader::indexAndOrder()
{
    const QString& table = m_loaded.table;
    for (const auto& column : m_columns) {
        if (column.type != TextTable::ColumnType::Text || !m_indexedColumns.contains(column.name, Qt::CaseInsensitive))
            continue;
        m_loaded.indexed.append(column.name);
        const QString index = quoted(m_schema) + u'.' + quoted(table + u'_' + column.name);
        auto start = std::chrono::steady_clock::now();
        if (auto done = m_connection.exec(QStringLiteral("CREATE INDEX ") + index + QStringLiteral(" ON ") + quoted(table) + u'(' + quoted(column.name) + u')');
            !done)
            return done;
        m_times.indexMs += millisecondsSince(start);
        start = std::chrono::steady_clock::now();
        // The browse order by this field, position by position, so that a cursor reaches
        // any position with one lookup instead of passing every row before it.
        if (m_loaded.inMain) {
            const QString ordering = SqliteText::orderingTable(table, column.name);
            if (auto done = m_connection.exec(QStringLiteral("CREATE TABLE ") + quoted(ordering) + QStringLiteral(" AS SELECT rowid AS r FROM ") + quoted(table)
                                              + QStringLiteral(" ORDER BY ") + quoted(column.name));
                !done)
                return done;
            m_loaded.orderings.insert(table.toLower() + u'\t' + column.name.toLower(), ordering);
            m_times.orderingMs += millisecondsSince(start);
        }
    }
    return {};
}
