#include "sqliteresult.h"

#include <sqlite3.h>

#include "sqliteconnection.h"

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
    return m_connection->engineFailure(m_query);
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

