#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Plain UTF-8 text handled the way the windows' Qt strings handle it, for the parts of the
// program that run without Qt: what counts as a blank, as the same key, and as a length.
namespace Utf8Text {

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool valid(std::string_view text);

// The length of the well-formed sequence that starts at `at`; 0 when none does.
std::size_t sequenceSize(std::string_view text, std::size_t at);

// The code point starting at `at` in valid UTF-8, and how many bytes it takes.
char32_t decode(std::string_view text, std::size_t at, std::size_t* size);

// Appends the UTF-8 form of a code point.
void append(std::string& out, char32_t c);

// Blanks as Qt's QChar::isSpace sees them: the ASCII controls \t to \r, U+0085 and the
// Unicode separators (no-break space, ideographic space …).
bool isSpace(char32_t c);

// Without the blanks at either end.
std::string_view trimmed(std::string_view text);

// Equal without regard to case, as Qt compares keys: ASCII letters in either case, and the
// two letters outside ASCII whose case folding is an ASCII letter (ſ is s, the Kelvin sign k).
bool equalsIgnoringCase(std::string_view a, std::string_view b);

// The length in UTF-16 code units.
std::ptrdiff_t utf16Length(std::string_view text);

} // namespace Utf8Text
