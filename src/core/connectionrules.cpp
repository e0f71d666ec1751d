#include "connectionrules.h"

#include "utf8text.h"

namespace ConnectionRules {

Provider ConnectionString::kind() const
{
    if (provider && Utf8Text::equalsIgnoringCase(*provider, "text"))
        return Provider::Text;
    if (provider && Utf8Text::equalsIgnoringCase(*provider, "sqlite"))
        return Provider::Sqlite;
    if (provider && Utf8Text::equalsIgnoringCase(*provider, "postgresql"))
        return Provider::Postgresql;
    return Provider::Other;
}

std::optional<std::vector<std::pair<std::string, std::string>>> splitPairs(std::string_view text, std::string* problem)
{
    std::vector<std::pair<std::string, std::string>> pairs;
    std::size_t i = 0;
    const auto find = [&text](char c, std::size_t from) { return text.find(c, from); };
    while (i < text.size()) {
        const std::size_t equals = find('=', i);
        const std::size_t semicolon = find(';', i);
        if (equals == std::string_view::npos || (semicolon != std::string_view::npos && semicolon < equals)) {
            const std::string_view rest = Utf8Text::trimmed(text.substr(i, semicolon == std::string_view::npos ? std::string_view::npos : semicolon - i));
            if (!rest.empty()) {
                *problem = "\"" + std::string(rest) + "\" has no '='";
                return std::nullopt;
            }
            if (semicolon == std::string_view::npos)
                break;
            i = semicolon + 1;
            continue;
        }
        const std::string key(Utf8Text::trimmed(text.substr(i, equals - i)));
        if (key.empty()) {
            *problem = "a value has no key";
            return std::nullopt;
        }
        i = equals + 1;
        const auto spaceAt = [&text](std::size_t at) {
            std::size_t size = 0;
            return Utf8Text::isSpace(Utf8Text::decode(text, at, &size)) ? size : std::size_t(0);
        };
        while (i < text.size()) {
            const std::size_t blank = spaceAt(i);
            if (blank == 0)
                break;
            i += blank;
        }
        std::string value;
        if (i < text.size() && text[i] == '"') {
            ++i;
            bool closed = false;
            while (i < text.size()) {
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        value += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                value += text[i++];
            }
            if (!closed) {
                *problem = "the value of " + key + " has no closing quote";
                return std::nullopt;
            }
            while (i < text.size() && text[i] != ';') {
                const std::size_t blank = spaceAt(i);
                if (blank == 0) {
                    *problem = "text after the quoted value of " + key;
                    return std::nullopt;
                }
                i += blank;
            }
        } else {
            const std::size_t end = find(';', i);
            value = std::string(Utf8Text::trimmed(text.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i)));
            i = end == std::string_view::npos ? text.size() : end;
        }
        pairs.emplace_back(key, std::move(value));
        if (i < text.size())
            ++i; // the ';'
    }
    return pairs;
}

Parsed parse(std::string_view text)
{
    std::optional<std::string_view> connection;
    for (;;) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Utf8Text::trimmed(text.substr(0, end));
        if (!line.empty() && !line.starts_with(';') && !Utf8Text::equalsIgnoringCase(line, "[oledb]")) {
            connection = line;
            break;
        }
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    if (!connection)
        return { std::nullopt, "no connection string" };
    if (connection->find('\0') != std::string_view::npos)
        return { std::nullopt, "the connection string holds a NUL character" };
    std::string problem;
    const auto pairs = splitPairs(*connection, &problem);
    if (!pairs)
        return { std::nullopt, problem };
    ConnectionString result;
    for (const auto& [key, value] : *pairs) {
        if (Utf8Text::equalsIgnoringCase(key, "Provider"))
            result.provider = value;
        else if (Utf8Text::equalsIgnoringCase(key, "Data Source"))
            result.dataSource = value;
        else if (Utf8Text::equalsIgnoringCase(key, "Letter Starts"))
            result.letterStarts = value;
    }
    if (!result.provider)
        return { std::nullopt, "no Provider" };
    return { result, {} };
}

} // namespace ConnectionRules
