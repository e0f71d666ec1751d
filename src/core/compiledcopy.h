#pragma once

#include <optional>
#include <string>

// The compiled copy of a data directory's text tables that the look-up tools read instead of
// them: a folder "compiled" inside the data directory, with its own connection files naming
// SQLite databases. The windows keep reading what the data directory's own connection files
// name; the tools take the copy only while it is at least as new as what it was made from.
namespace CompiledCopy
{

inline constexpr const char* folder = "compiled";

// The database a connection file of `dataDirectory` names with Provider=sqlite, read by the
// windows' own rules; nullopt for anything else, and for what the windows would report or read
// otherwise (a file in UTF-16 or Windows-1252, a malformed Letter Starts key, a path the
// windows clean up first).
std::optional<std::string> databaseNamedBy(const std::string& dataDirectory, const char* connectionFile);

// Where a tool looks a word of this direction up: the compiled copy when the data directory's
// connection file names text tables and the copy's database is no older than that file and
// every file of those tables; else the data directory itself.
std::string directoryFor(const std::string& dataDirectory, const char* connectionFile);

} // namespace CompiledCopy
