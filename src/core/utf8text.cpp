#include "utf8text.h"

#include <algorithm>

namespace Utf8Text {
namespace {

std::size_t sequenceLength(unsigned char lead)
{
    return lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : 4;
}

char32_t folded(char32_t c)
{
    if (c >= 'A' && c <= 'Z')
        return c + 32;
    if (c == 0x017F)
        return 's';
    if (c == 0x212A)
        return 'k';
    return c;
}

} // namespace

std::size_t sequenceSize(std::string_view text, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80)
        return 1;
    const int extra = (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || text.size() - at <= static_cast<std::size_t>(extra))
        return 0;
    char32_t c = lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        const auto byte = static_cast<unsigned char>(text[at + k]);
        if ((byte & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (byte & 0x3F);
    }
    static constexpr char32_t smallest[] = { 0, 0x80, 0x800, 0x10000 };
    if (c < smallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    return static_cast<std::size_t>(extra) + 1;
}

bool valid(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t size = sequenceSize(text, i);
        if (size == 0)
            return false;
        i += size;
    }
    return true;
}

void append(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char32_t decode(std::string_view text, std::size_t at, std::size_t* size)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = std::min(sequenceLength(lead), text.size() - at);
    *size = length;
    if (length == 1)
        return lead;
    char32_t c = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k)
        c = (c << 6) | (static_cast<unsigned char>(text[at + k]) & 0x3F);
    return c;
}

bool isSpace(char32_t c)
{
    if (c == 0x20 || (c >= 0x09 && c <= 0x0D))
        return true;
    if (c < 0x80)
        return false;
    return c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F
        || c == 0x205F || c == 0x3000;
}

std::string_view trimmed(std::string_view text)
{
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t size = 0;
        if (!isSpace(decode(text, begin, &size)))
            break;
        begin += size;
    }
    std::size_t end = text.size();
    while (end > begin) {
        std::size_t start = end - 1;
        while (start > begin && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
            --start;
        std::size_t size = 0;
        if (!isSpace(decode(text, start, &size)))
            break;
        end = start;
    }
    return text.substr(begin, end - begin);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        std::size_t x = 0;
        std::size_t y = 0;
        if (folded(decode(a, i, &x)) != folded(decode(b, j, &y)))
            return false;
        i += x;
        j += y;
    }
    return i == a.size() && j == b.size();
}

std::ptrdiff_t utf16Length(std::string_view text)
{
    std::ptrdiff_t length = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t size = sequenceLength(static_cast<unsigned char>(text[i]));
        length += size == 4 ? 2 : 1;
        i += size;
    }
    return length;
}

} // namespace Utf8Text
