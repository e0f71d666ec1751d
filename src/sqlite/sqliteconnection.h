#pragma once

#include <QString>

#include "failure.h"

struct sqlite3;

// The engine's connection, shared by the store and every result it gives. The authorizer's
// state lives here, beside the handle it is registered on, so whichever goes last, the
// engine never calls into freed memory.
class StoreConnection final {
public:
    explicit StoreConnection(sqlite3* handle);
    ~StoreConnection();
    StoreConnection(const StoreConnection&) = delete;
    StoreConnection& operator=(const StoreConnection&) = delete;

    // From now on a statement may only read, unless `loading` is set.
    void allowReadingOnly();
    // A statement that gives no rows, while loading or compiling; a failure says what the
    // store was doing.
    Outcome exec(const QString& sql, QStringView doing = u"load a table");
    // After a failure: the undo's own failure would only hide the first one.
    void execAfterFailure(const QString& sql);
    Failure engineFailure(const QString& query) const;

    sqlite3* const handle;
    bool loading = false;
};

// The names and literals the store writes into its statements.
namespace SqliteText {

QString quoted(const QString& identifier);
// What goes between the quotes of a string literal.
QString quotedText(const QString& text);
// The table that holds a table's order by one column.
QString orderingTable(const QString& table, const QString& column);

} // namespace SqliteText
