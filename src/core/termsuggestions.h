#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "querytexts.h"

// The list that follows the typing in a dictionary window, without Qt: the entries that begin
// with what is typed, or, when none does, the entries closest to it by an edit distance on the
// folded text (case and accents ignored, ligatures spelt out).
namespace TermSuggestions {

// The text as the ordering sees it, one code point a character.
std::u32string folded(std::string_view utf8);

// The query of the entries whose search field begins with `typed` as the ordering folds it, in
// the window's browse order (the ordering, then stored order), at most `limit` rows of one
// column `term`. Empty when the typed text folds to nothing.
std::string beginningsQuery(const QueryTexts::Direction& direction, std::string_view typed, int limit);

// The optimal string alignment distance: insertions, deletions, substitutions and the
// transposition of two neighbours each count one. Past `limit` it stops and gives limit + 1.
// With `toBeginning`, the distance from `typed` to the closest beginning of `term`, so that a
// word typed halfway is measured against as much of the term: "schizofr" is 2 from
// "schizophrénie".
std::size_t distance(std::u32string_view typed, std::u32string_view term, std::size_t limit, bool toBeginning = false);

// The terms of one search field, folded once, for finding the closest ones to a typo.
class Index final {
public:
    // `terms` in browse order, UTF-8; a term given again is kept once, in its first place.
    explicit Index(const std::vector<std::string>& terms);

    // Up to `count` terms closest to `typed`, measured to their closest beginning: by distance,
    // then the shorter, then the first in browse order. Only terms within one edit for about
    // every three characters typed, `maxEdits` at most, are offered: none for one character.
    static constexpr std::size_t maxEdits = 4;
    std::vector<std::string> closest(std::string_view typed, std::size_t count) const;

    std::size_t size() const { return m_terms.size(); }

private:
    struct Term {
        std::uint32_t offset; // in m_folded
        std::uint32_t length; // folded code points
        std::uint32_t order;  // browse position of its first appearance
    };
    std::vector<std::string> m_originals; // by order
    std::vector<char32_t> m_folded;
    std::vector<Term> m_terms;

};

} // namespace TermSuggestions
