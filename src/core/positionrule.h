#pragma once

#include <cstdint>
#include <string_view>

// The browse position an entry's num names: a number (sign, digits, a decimal point, an
// exponent), blanks around it allowed, rounded to the nearest whole number, halves to even.
namespace PositionRule {

enum class Verdict { Position, NotANumber, Overflow, Negative };

struct Parsed final {
    Verdict verdict = Verdict::NotANumber;
    std::int32_t position = 0;
};

Parsed parse(std::string_view num);

} // namespace PositionRule
