#include "quicklookup.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "connectionrules.h"
#include "letterstartrules.h"
#include "positionrule.h"
#include "searchplan.h"
#include "sqlitefunctions.h"
#include "utf8text.h"

namespace {

using Database = std::unique_ptr<sqlite3, decltype(&sqlite3_close_v2)>;
using Statement = std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)>;

constexpr std::size_t maxDescriptionBytes = 64 * 1024;

std::optional<std::string> readSmallFile(const std::string& path)
{
    std::unique_ptr<FILE, decltype(&std::fclose)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file)
        return std::nullopt;
    std::string bytes(maxDescriptionBytes + 1, '\0');
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
    if (std::ferror(file.get()) || bytes.size() > maxDescriptionBytes)
        return std::nullopt;
    return bytes;
}

bool regularFile(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

// The database a connection file names with Provider=sqlite, read by the windows' own rules;
// nullopt for anything else, and for what the windows would report or read otherwise (a file
// in UTF-16 or Windows-1252, a malformed Letter Starts key, a path the windows clean up first).
std::optional<std::string> compiledDatabase(const std::string& dataDirectory, const char* connectionFile)
{
    auto bytes = readSmallFile(dataDirectory + '/' + connectionFile);
    if (!bytes || bytes->empty() || bytes->find('\0') != std::string::npos || !Utf8Text::valid(*bytes))
        return std::nullopt;
    std::string_view text = *bytes;
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    const auto parsed = ConnectionRules::parse(text);
    if (!parsed.connection || parsed.connection->kind() != ConnectionRules::Provider::Sqlite)
        return std::nullopt;
    const auto& connection = *parsed.connection;
    if (connection.letterStarts && !LetterStartRules::parse(*connection.letterStarts).table)
        return std::nullopt;
    const std::string& source = connection.dataSource;
    if (source.empty() || source.find("/.") != std::string::npos || source.starts_with('.') || source.find("//") != std::string::npos)
        return std::nullopt;
    std::string path = source.starts_with('/') ? source : dataDirectory + '/' + source;
    if (!regularFile(path))
        return std::nullopt;
    return path;
}

// Runs a query; the statement stands on its first row, or is null when there is none.
// nullopt when the engine refused the query.
std::optional<Statement> run(sqlite3* database, const std::string& query)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(database, query.c_str(), int(query.size()), &raw, nullptr) != SQLITE_OK)
        return std::nullopt;
    Statement statement(raw, &sqlite3_finalize);
    const int rc = sqlite3_step(raw);
    if (rc == SQLITE_ROW)
        return statement;
    if (rc == SQLITE_DONE)
        return Statement(nullptr, &sqlite3_finalize);
    return std::nullopt;
}

std::optional<std::string> text(sqlite3_stmt* statement, std::string_view name)
{
    for (int i = 0; i < sqlite3_column_count(statement); ++i) {
        if (!Utf8Text::equalsIgnoringCase(sqlite3_column_name(statement, i), name))
            continue;
        if (sqlite3_column_type(statement, i) == SQLITE_NULL)
            return std::nullopt;
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
        return std::string(bytes ? bytes : "", std::size_t(sqlite3_column_bytes(statement, i)));
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> quickLookup(const std::string& dataDirectory, const QueryTexts::Direction& direction, std::string word)
{
    // Qt drops a byte-order mark that begins an argument; the tool then searches without it.
    if (!Utf8Text::valid(word) || word.find('\0') != std::string::npos || word.starts_with("\xEF\xBB\xBF"))
        return std::nullopt;
    const auto path = compiledDatabase(dataDirectory, direction.connectionFile);
    if (!path)
        return std::nullopt;
    sqlite3* handle = nullptr;
    const int rc = sqlite3_open_v2(path->c_str(), &handle, SQLITE_OPEN_READONLY, nullptr);
    Database database(handle, &sqlite3_close_v2);
    if (rc != SQLITE_OK)
        return std::nullopt;
    DictionaryCollation::registerWithSqlite(handle);

    Statement found(nullptr, &sqlite3_finalize);
    const auto query = [&](const std::string& text) {
        auto result = run(handle, text);
        if (!result)
            return SearchPlan::Answer::Failed;
        found = std::move(*result);
        return found ? SearchPlan::Answer::Found : SearchPlan::Answer::Empty;
    };
    const auto longest = [&]() -> std::ptrdiff_t {
        auto result = run(handle, SearchPlan::longestQuery(direction));
        if (!result || !*result || sqlite3_column_type(result->get(), 0) == SQLITE_NULL)
            return 0;
        return std::max<sqlite3_int64>(0, sqlite3_column_int64(result->get(), 0));
    };
    // No entry at all, or a failure: the tool reports it.
    if (SearchPlan::run(direction, std::move(word), query, longest).answer != SearchPlan::Answer::Found)
        return std::nullopt;

    const auto english = text(found.get(), "English");
    const auto french = text(found.get(), "Frensh");
    const auto num = text(found.get(), "num");
    if (!english || !french || !num || !Utf8Text::valid(*english) || !Utf8Text::valid(*french)
        || PositionRule::parse(*num).verdict != PositionRule::Verdict::Position)
        return std::nullopt;
    return *french + '\t' + *english + '\n';
}
