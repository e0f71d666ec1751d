#include "sqlitefunctions.h"

#include <sqlite3.h>

#include "collationcore.h"

namespace DictionaryCollation {
namespace {

int collate(void*, int leftLength, const void* left, int rightLength, const void* right)
{
    return compareUtf8({ static_cast<const char*>(left), static_cast<std::size_t>(leftLength) },
                       { static_cast<const char*>(right), static_cast<std::size_t>(rightLength) });
}

// dictionary_length(text): the length of the text as the ordering sees it; NULL for NULL.
void foldedLength(sqlite3_context* context, int, sqlite3_value** arguments)
{
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(arguments[0]));
    const int bytes = sqlite3_value_bytes(arguments[0]);
    sqlite3_result_int64(context, foldedLengthUtf8({ text ? text : "", static_cast<std::size_t>(bytes) }));
}

} // namespace

void registerWithSqlite(sqlite3* database)
{
    sqlite3_create_collation_v2(database, sqlName, SQLITE_UTF8, nullptr, collate, nullptr);
    sqlite3_create_function_v2(database, lengthSqlName, 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr, foldedLength, nullptr,
                               nullptr, nullptr);
}

} // namespace DictionaryCollation
