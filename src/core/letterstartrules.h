#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The "Letter Starts" key of a connection file: the browse position of the first entry of
// each letter A to Z, 26 whole numbers separated by commas, A at 0 and never falling.
namespace LetterStartRules {

using Table = std::array<std::int32_t, 26>;

struct Problem final {
    enum class Kind { Count, NotANumber, FirstNotZero, Falling } kind = Kind::Count;
    int fields = 0;          // Count: how many numbers there are
    int letter = 0;          // 0 for A … 25 for Z
    std::string field {};    // NotANumber: the field as written, trimmed
    std::int64_t value = 0;  // FirstNotZero, Falling
    std::int64_t previous = 0; // Falling: the letter before's
};

struct Parsed final {
    std::optional<Table> table;
    Problem problem;
};

Parsed parse(std::string_view text);

} // namespace LetterStartRules
