#pragma once

#include <string>
#include <string_view>

// The text between the quotes of an SQL string literal: every quote doubled, so that the
// literal ends where it should. One rule for every kind of text the program quotes (UTF-8,
// UTF-16, code points).
namespace SqlText {

template <typename Char>
std::basic_string<Char> doubledQuotes(std::basic_string_view<Char> text)
{
    std::basic_string<Char> doubled;
    doubled.reserve(text.size() + 8);
    for (const Char c : text) {
        doubled += c;
        if (c == Char('\''))
            doubled += c;
    }
    return doubled;
}

} // namespace SqlText
