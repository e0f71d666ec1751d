#include "quicklookup.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "compiledcopy.h"
#include "positionrule.h"
#include "searchplan.h"
#include "sqlitefunctions.h"
#include "utf8text.h"

namespace {

using Database = std::unique_ptr<sqlite3, decltype(&sqlite3_close_v2)>;
using Statement = std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)>;

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
    const auto path = CompiledCopy::databaseNamedBy(dataDirectory, direction.connectionFile);
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
