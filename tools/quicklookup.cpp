#include "quicklookup.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>

#include "collationcore.h"
#include "sqlitefunctions.h"

namespace {

using Database = std::unique_ptr<sqlite3, decltype(&sqlite3_close_v2)>;
using Statement = std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)>;

std::optional<std::string> readSmallFile(const std::string& path)
{
    std::unique_ptr<FILE, decltype(&std::fclose)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file)
        return std::nullopt;
    std::string bytes(64 * 1024 + 1, '\0');
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
    if (std::ferror(file.get()) || bytes.size() > 64 * 1024)
        return std::nullopt;
    return bytes;
}

std::string_view trimmed(std::string_view text)
{
    constexpr std::string_view blanks = " \t\r\n\f\v";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// A Letter Starts key as the windows accept it: 26 whole numbers from A at 0, never falling.
bool validLetterStarts(std::string_view text)
{
    long long previous = 0;
    int count = 0;
    while (true) {
        const auto comma = text.find(',');
        const std::string_view field = trimmed(text.substr(0, comma));
        if (field.empty() || field.size() > 10 || field.find_first_not_of("0123456789") != std::string_view::npos)
            return false;
        const long long value = std::stoll(std::string(field));
        if (value > std::numeric_limits<std::int32_t>::max() || value < previous || (count == 0 && value != 0))
            return false;
        previous = value;
        ++count;
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
    }
    return count == 26;
}

// The database a plain connection file names with Provider=sqlite; nullopt for anything else,
// and for anything out of the ordinary (quotes, non-ASCII text, backslashes, other keys).
std::optional<std::string> compiledDatabase(const std::string& dataDirectory, const char* connectionFile)
{
    auto bytes = readSmallFile(dataDirectory + '/' + connectionFile);
    if (!bytes)
        return std::nullopt;
    std::string_view text = *bytes;
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    for (const char c : text) {
        if (c == '\0' || static_cast<unsigned char>(c) >= 0x80 || c == '"' || c == '\'' || c == '\\')
            return std::nullopt;
    }
    std::string_view connection;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.starts_with(';') || equalsIgnoringCase(line, "[oledb]"))
            continue;
        connection = line;
        break;
    }
    std::optional<std::string_view> provider, source;
    while (!connection.empty()) {
        const auto end = connection.find(';');
        const std::string_view pair = trimmed(connection.substr(0, end));
        connection.remove_prefix(end == std::string_view::npos ? connection.size() : end + 1);
        if (pair.empty())
            continue;
        const auto equals = pair.find('=');
        if (equals == std::string_view::npos)
            return std::nullopt;
        const std::string_view key = trimmed(pair.substr(0, equals));
        const std::string_view value = trimmed(pair.substr(equals + 1));
        if (equalsIgnoringCase(key, "Provider"))
            provider = value;
        else if (equalsIgnoringCase(key, "Data Source"))
            source = value;
        else if (!equalsIgnoringCase(key, "Letter Starts") || !validLetterStarts(value))
            return std::nullopt;
    }
    if (!provider || !equalsIgnoringCase(*provider, "sqlite") || !source || source->empty())
        return std::nullopt;
    std::string path = source->starts_with('/') ? std::string(*source) : dataDirectory + '/' + std::string(*source);
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return path;
}

bool validUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || text.size() - i <= static_cast<std::size_t>(extra))
            return false;
        char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const auto byte = static_cast<unsigned char>(text[i + k]);
            if ((byte & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (byte & 0x3F);
        }
        static constexpr char32_t smallest[] = { 0, 0x80, 0x800, 0x10000 };
        if (c < smallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

// Bytes of the last character of valid UTF-8 text.
std::size_t lastCharacterSize(std::string_view text)
{
    std::size_t size = 1;
    while (size < text.size() && (static_cast<unsigned char>(text[text.size() - size]) & 0xC0) == 0x80)
        ++size;
    return size;
}

std::size_t characterSize(unsigned char lead)
{
    return lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : 4;
}

std::ptrdiff_t utf16Length(std::string_view text)
{
    std::ptrdiff_t length = 0;
    for (std::size_t i = 0; i < text.size(); i += characterSize(static_cast<unsigned char>(text[i])))
        length += characterSize(static_cast<unsigned char>(text[i])) == 4 ? 2 : 1;
    return length;
}

std::string doubledQuotes(std::string_view word)
{
    std::string doubled;
    doubled.reserve(word.size() + 8);
    for (const char c : word) {
        doubled += c;
        if (c == '\'')
            doubled += '\'';
    }
    return doubled;
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

int column(sqlite3_stmt* statement, std::string_view name)
{
    for (int i = 0; i < sqlite3_column_count(statement); ++i) {
        if (equalsIgnoringCase(sqlite3_column_name(statement, i), name))
            return i;
    }
    return -1;
}

std::optional<std::string> text(sqlite3_stmt* statement, std::string_view name)
{
    const int index = column(statement, name);
    if (index < 0 || sqlite3_column_type(statement, index) == SQLITE_NULL)
        return std::nullopt;
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
    return std::string(bytes ? bytes : "", std::size_t(sqlite3_column_bytes(statement, index)));
}

// num as the search places the browse cursor by it: a number, rounded half to even, in 32 bits.
bool validPosition(std::string_view num)
{
    num = trimmed(num);
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t start = i;
        while (i < num.size() && num[i] >= '0' && num[i] <= '9')
            ++i;
        return i - start;
    };
    if (i < num.size() && (num[i] == '+' || num[i] == '-'))
        ++i;
    const std::size_t whole = digits();
    std::size_t fraction = 0;
    if (i < num.size() && num[i] == '.') {
        ++i;
        fraction = digits();
    }
    if (whole == 0 && fraction == 0)
        return false;
    if (i < num.size() && (num[i] == 'e' || num[i] == 'E')) {
        ++i;
        if (i < num.size() && (num[i] == '+' || num[i] == '-'))
            ++i;
        if (digits() == 0)
            return false;
    }
    if (i != num.size())
        return false;
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(std::strtod(std::string(num).c_str(), nullptr));
    return std::isfinite(rounded) && rounded >= -2147483648.0 && rounded <= 2147483647.0;
}

} // namespace

std::optional<std::string> quickLookup(const std::string& dataDirectory, const QueryTexts::Direction& direction, std::string word)
{
    // Qt drops a byte-order mark that begins an argument; the tool then searches without it.
    if (!validUtf8(word) || word.find('\0') != std::string::npos || word.starts_with("\xEF\xBB\xBF"))
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

    const std::string quote = "'";
    auto found = run(handle, direction.exactStart + quote + doubledQuotes(word) + quote + direction.exactEnd);
    if (!found)
        return std::nullopt;
    if (!*found && utf16Length(word) > QueryTexts::pastedLength) {
        // Beginnings whose folded length reaches the longest entry's find nothing.
        std::ptrdiff_t longest = 0;
        if (auto result = run(handle, QueryTexts::longestStart + std::string(direction.searchField) + QueryTexts::longestEnd); result && *result) {
            if (sqlite3_column_type(result->get(), 0) != SQLITE_NULL)
                longest = std::max<sqlite3_int64>(0, sqlite3_column_int64(result->get(), 0));
        }
        if (longest > 0) {
            std::ptrdiff_t folded = 0;
            std::size_t end = 0;
            while (end < word.size()) {
                const std::size_t size = characterSize(static_cast<unsigned char>(word[end]));
                folded += DictionaryCollation::foldedLengthUtf8(std::string_view(word).substr(end, size));
                if (folded >= longest)
                    break;
                end += size;
            }
            word.resize(end);
        }
    }
    while (!*found) {
        const std::string doubled = doubledQuotes(word);
        found = run(handle, direction.prefixStart + quote + doubled + QueryTexts::rangeLowEnd + quote + QueryTexts::rangeAnd + quote + doubled
                           + QueryTexts::rangeHighEnd + quote + direction.prefixEnd);
        if (!found)
            return std::nullopt;
        if (*found)
            break;
        if (word.empty())
            return std::nullopt; // no entry begins with any beginning: the tool says so
        // A character that folds to nothing goes with the one before it.
        std::ptrdiff_t dropped = 0;
        do {
            const std::size_t size = lastCharacterSize(word);
            dropped = DictionaryCollation::foldedLengthUtf8(std::string_view(word).substr(word.size() - size));
            word.resize(word.size() - size);
        } while (dropped == 0 && !word.empty());
    }

    sqlite3_stmt* row = found->get();
    const auto english = text(row, "English");
    const auto french = text(row, "Frensh");
    const auto num = text(row, "num");
    if (!english || !french || !num || !validUtf8(*english) || !validUtf8(*french) || !validPosition(*num))
        return std::nullopt;
    return *french + '\t' + *english + '\n';
}

