#include "positionrule.h"

#include <locale.h>
#include <stdlib.h>

#include <cfenv>
#include <cmath>
#include <string>

#include "utf8text.h"

namespace PositionRule {

Parsed parse(std::string_view num)
{
    num = Utf8Text::trimmed(num);
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
        return {};
    if (i < num.size() && (num[i] == 'e' || num[i] == 'E')) {
        ++i;
        if (i < num.size() && (num[i] == '+' || num[i] == '-'))
            ++i;
        if (digits() == 0)
            return {};
    }
    if (i != num.size())
        return {};
    // Read in the C locale: a program whose locale writes decimal commas would stop at the point.
    static const locale_t c = newlocale(LC_NUMERIC_MASK, "C", nullptr);
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(strtod_l(std::string(num).c_str(), nullptr, c));
    if (!std::isfinite(rounded) || rounded < -2147483648.0 || rounded > 2147483647.0)
        return { Verdict::Overflow };
    // -0.4 rounds to a negative zero, which is position 0.
    if (rounded < 0)
        return { Verdict::Negative, static_cast<std::int32_t>(rounded) };
    return { Verdict::Position, static_cast<std::int32_t>(rounded) };
}

} // namespace PositionRule
