#include "letterstartrules.h"

#include <limits>

#include "utf8text.h"

namespace LetterStartRules {

Parsed parse(std::string_view text)
{
    int fields = 1;
    for (const char c : text)
        fields += c == ',';
    if (fields != 26)
        return { std::nullopt, { .kind = Problem::Kind::Count, .fields = fields } };
    Table table {};
    for (int i = 0; i < 26; ++i) {
        const std::size_t comma = text.find(',');
        const std::string_view field = Utf8Text::trimmed(text.substr(0, comma));
        text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
        bool digitsOnly = !field.empty() && field.size() <= 10;
        for (const char c : field)
            digitsOnly = digitsOnly && c >= '0' && c <= '9';
        std::int64_t value = 0;
        for (const char c : digitsOnly ? field : std::string_view())
            value = value * 10 + (c - '0');
        if (!digitsOnly || value > std::numeric_limits<std::int32_t>::max())
            return { std::nullopt, { .kind = Problem::Kind::NotANumber, .fields = fields, .letter = i, .field = std::string(field) } };
        table[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(value);
        if (i == 0 && value != 0)
            return { std::nullopt, { .kind = Problem::Kind::FirstNotZero, .fields = fields, .letter = i, .value = value } };
        if (i > 0 && table[static_cast<std::size_t>(i)] < table[static_cast<std::size_t>(i - 1)])
            return { std::nullopt,
                     { .kind = Problem::Kind::Falling, .fields = fields, .letter = i, .value = value, .previous = table[static_cast<std::size_t>(i - 1)] } };
    }
    return { table, {} };
}

} // namespace LetterStartRules
