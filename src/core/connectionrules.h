#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How a connection file (d0.UDL, d2.UDL) reads, without Qt: the windows and the quick lookup
// take their tables from the same rules. Blank lines, a line [oledb] and lines starting with
// ';' are skipped; the first other line is the connection string, Key=Value pairs separated
// by ';', keys in any case, a value optionally in double quotes (a doubled quote inside
// stands for one).
namespace ConnectionRules {

enum class Provider { Text, Sqlite, Postgresql, Other };

struct ConnectionString final {
    std::optional<std::string> provider; // as written
    std::string dataSource;              // empty when absent
    std::optional<std::string> letterStarts;

    Provider kind() const;
};

struct Parsed final {
    std::optional<ConnectionString> connection;
    std::string problem; // what is wrong when there is no connection string
};

// `text` is the decoded file, in UTF-8.
Parsed parse(std::string_view text);

// The Key=Value pairs of a connection string, in order; nullopt with `problem` set when the
// string is malformed.
std::optional<std::vector<std::pair<std::string, std::string>>> splitPairs(std::string_view text, std::string* problem);

} // namespace ConnectionRules
