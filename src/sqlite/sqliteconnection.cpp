#include "sqliteconnection.h"

#include <string_view>
#include <tuple>

#include <sqlite3.h>

#include "sqltext.h"

namespace {

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

StoreConnection::StoreConnection(sqlite3* handle) : handle(handle) { }

StoreConnection::~StoreConnection()
{
    sqlite3_close_v2(handle);
}

void StoreConnection::allowReadingOnly()
{
    sqlite3_set_authorizer(handle, &authorize, this);
}

Outcome StoreConnection::exec(const QString& sql, QStringView doing)
{
    char* error = nullptr;
    if (sqlite3_exec(handle, sql.toUtf8().constData(), nullptr, nullptr, &error) == SQLITE_OK)
        return {};
    Failure failure { FailureNumber::QueryFailed, QStringLiteral("the store could not %1: %2").arg(doing, QString::fromUtf8(error)) };
    sqlite3_free(error);
    return failure;
}

void StoreConnection::execAfterFailure(const QString& sql)
{
    std::ignore = exec(sql);
}

Failure StoreConnection::engineFailure(const QString& query) const
{
    return { FailureNumber::QueryFailed, QStringLiteral("the query \"%1\" failed: %2").arg(query, QString::fromUtf8(sqlite3_errmsg(handle))) };
}

namespace SqliteText {

QString quoted(const QString& identifier)
{
    QString escaped = identifier;
    escaped.replace(u'"', QStringLiteral("\"\""));
    return u'"' + escaped + u'"';
}

QString quotedText(const QString& text)
{
    return QString::fromStdU16String(SqlText::doubledQuotes(std::u16string_view(QStringView(text).utf16(), static_cast<std::size_t>(text.size()))));
}

QString orderingTable(const QString& table, const QString& column)
{
    return table + QStringLiteral("$order$") + column;
}

} // namespace SqliteText
