#pragma once

struct sqlite3;

namespace DictionaryCollation {

// Registers the ordering as the collation DICTIONARY and dictionary_length(text) on a
// connection; both are needed before a table or index that uses them can be read.
void registerWithSqlite(sqlite3* database);

} // namespace DictionaryCollation
