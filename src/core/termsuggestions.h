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
    Index() = default;
    // `terms` in browse order, UTF-8.
    explicit Index(const std::vector<std::string>& terms);

    // The next term in browse order. A term given again while its equals under the ordering
    // last came is kept once, in its first place: in browse order repeats stand together.
    void add(std::string_view term);

    // Up to `count` terms closest to `typed`, measured to their closest beginning: by distance,
    // then the shorter, then the first in browse order. Only terms within `edits(typed)` are
    // offered: none for one or two characters, one edit up to five, two from six on.
    static std::size_t edits(std::size_t foldedLength) { return foldedLength < 3 ? 0 : foldedLength < 6 ? 1 : 2; }
    std::vector<std::string> closest(std::string_view typed, std::size_t count) const;

    std::size_t size() const { return m_terms.size(); }

private:
    struct Term {
        std::uint32_t offset; // in m_folded
        std::uint32_t length; // folded code points
        std::uint32_t order;  // browse position of its first appearance
        std::uint32_t original; // in m_originals, up to the next term's
    };
    std::u32string_view foldedOf(const Term& term) const { return { m_folded.data() + term.offset, term.length }; }
    std::string_view originalOf(std::size_t index) const;

    std::string m_originals; // the terms as given, one after the other
    std::vector<char32_t> m_folded;
    std::vector<Term> m_terms;
    std::uint32_t m_longest = 0; // folded code points
    bool m_sorted = true;        // by folded text, so that terms of one beginning stand together
    std::size_t m_runStart = 0;  // the first term whose folded text is that of the last
};

} // namespace TermSuggestions
