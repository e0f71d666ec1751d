#pragma once

#include <cstddef>

// The query texts of the two directions, as the windows send them to the store. Kept free of
// Qt so that the quick lookup builds the very same texts.
namespace QueryTexts {

struct Direction {
    const char* connectionFile; // in the data directory
    const char* browseSource;   // record source of the browse cursor Adodc1
    const char* lookupSource;   // record source of the lookup cursor Adodc2 at load
    const char* searchField;
    const char* exactStart;     // then the word in quotes
    const char* exactEnd;
    const char* prefixStart;    // then 'word *'  and 'wordz*'
    const char* prefixEnd;
};

inline constexpr Direction frenchToEnglish {
    "d0.UDL",
    "select * from PS order by Frensh",
    "select * from PS order by Frensh",
    "Frensh",
    "select * from Ps where [Frensh] = ",
    " order by frensh ",
    "select * from Ps where [Frensh] Between ",
    " order by Frensh ASC ",
};

inline constexpr Direction englishToFrench {
    "d2.UDL",
    "PS",
    "select * from PS ",
    "English",
    "select * from Ps where [English] = ",
    "",
    "select * from Ps where [English] Between ",
    " order by English ASC ",
};

// The range of a beginning: from 'word *' to 'wordz*'.
inline constexpr const char* rangeLowEnd = " *";
inline constexpr const char* rangeAnd = "  and ";
inline constexpr const char* rangeHighEnd = "z*";

// The folded length of the longest search-field text: "select max(dictionary_length([Frensh]))...".
inline constexpr const char* longestStart = "select max(dictionary_length([";
inline constexpr const char* longestEnd = "])) as longest from Ps";

// A word longer than this (in UTF-16 units) was pasted rather than typed: the search leaves
// out the beginnings longer than any entry.
inline constexpr std::ptrdiff_t pastedLength = 64;

} // namespace QueryTexts
