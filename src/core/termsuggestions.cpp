#include "termsuggestions.h"

#include <algorithm>
#include <limits>
#include <tuple>

#include "collationcore.h"
#include "utf8text.h"
#include "sqltext.h"

namespace TermSuggestions {

std::u32string folded(std::string_view utf8)
{
    std::u32string text;
    DictionaryCollation::FoldedStream<DictionaryCollation::Utf8Reader> stream { DictionaryCollation::Utf8Reader(utf8) };
    for (std::int32_t c = stream.next(); c >= 0; c = stream.next())
        text.push_back(static_cast<char32_t>(c));
    return text;
}

namespace {

std::string literal(const std::u32string& text)
{
    std::string quoted = "'";
    for (const char32_t c : SqlText::doubledQuotes<char32_t>(text))
        Utf8Text::append(quoted, c);
    return quoted + "'";
}

// The next character the ordering keeps as it is (capitals fold to small letters, accented
// letters to plain ones): the end of the range of texts that begin with what comes before.
char32_t nextUnfolded(char32_t c)
{
    for (++c; c < 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const auto folding = DictionaryCollation::foldingOf(c);
        if (c >= U'A' && c <= U'Z')
            continue;
        if (c < 0x80 || (folding.size == 1 && folding.units[0] == c))
            return c;
    }
    return c;
}

} // namespace

std::string beginningsQuery(const QueryTexts::Direction& direction, std::string_view typed, int limit)
{
    const std::u32string low = folded(typed);
    if (low.empty())
        return {};
    std::u32string high = low;
    high.back() = nextUnfolded(high.back());
    const std::string field = std::string("[") + direction.searchField + "]";
    return "SELECT " + field + " AS term FROM Ps WHERE " + field + " >= " + literal(low) + " AND " + field + " < " + literal(high) + " ORDER BY "
        + field + " LIMIT " + std::to_string(limit);
}

std::size_t distance(std::u32string_view typed, std::u32string_view term, std::size_t limit, bool toBeginning)
{
    const std::size_t n = typed.size();
    const std::size_t m = term.size();
    const std::size_t far = limit + 1;
    if (n > m + limit || (!toBeginning && m > n + limit))
        return far;
    // Three rows of the table, only the cells within `limit` of the diagonal: the row two back
    // is needed for transpositions. Cells outside count as too far.
    thread_local std::vector<std::size_t> storage;
    storage.assign(3 * (m + 1), far);
    std::size_t* before = storage.data();
    std::size_t* previous = before + (m + 1);
    std::size_t* current = previous + (m + 1);
    for (std::size_t j = 0; j <= std::min(m, limit); ++j)
        previous[j] = j;
    for (std::size_t i = 1; i <= n; ++i) {
        const std::size_t from = i > limit ? i - limit : 1;
        const std::size_t to = std::min(m, i + limit);
        std::fill(current, current + m + 1, far);
        current[0] = i <= limit ? i : far;
        std::size_t smallest = current[0];
        for (std::size_t j = from; j <= to; ++j) {
            const std::size_t cost = typed[i - 1] == term[j - 1] ? 0 : 1;
            std::size_t value = std::min({ previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost });
            if (i > 1 && j > 1 && typed[i - 1] == term[j - 2] && typed[i - 2] == term[j - 1])
                value = std::min(value, before[j - 2] + 1);
            current[j] = std::min(value, far);
            smallest = std::min(smallest, current[j]);
        }
        if (smallest > limit)
            return far;
        std::swap(before, previous);
        std::swap(previous, current);
    }
    if (!toBeginning)
        return std::min(previous[m], far);
    return std::min(*std::min_element(previous, previous + m + 1), far);
}

Index::Index(const std::vector<std::string>& terms)
{
    for (const std::string& term : terms)
        add(term);
}

void Index::add(std::string_view term)
{
    const auto start = static_cast<std::uint32_t>(m_folded.size());
    DictionaryCollation::FoldedStream<DictionaryCollation::Utf8Reader> stream { DictionaryCollation::Utf8Reader(term) };
    for (std::int32_t c = stream.next(); c >= 0; c = stream.next())
        m_folded.push_back(static_cast<char32_t>(c));
    const auto length = static_cast<std::uint32_t>(m_folded.size() - start);
    if (length == 0)
        return;
    const std::u32string_view fold(m_folded.data() + start, length);
    if (!m_terms.empty()) {
        const std::u32string_view last = foldedOf(m_terms.back());
        if (fold == last) {
            for (std::size_t i = m_runStart; i < m_terms.size(); ++i) {
                if (originalOf(i) == term) {
                    m_folded.resize(start);
                    return;
                }
            }
        } else {
            m_sorted = m_sorted && last < fold;
            m_runStart = m_terms.size();
        }
    }
    m_terms.push_back({ start, length, static_cast<std::uint32_t>(m_terms.size()), static_cast<std::uint32_t>(m_originals.size()) });
    m_originals.append(term);
    m_longest = std::max(m_longest, length);
}

std::string_view Index::originalOf(std::size_t index) const
{
    const std::size_t begin = m_terms[index].original;
    const std::size_t end = index + 1 < m_terms.size() ? m_terms[index + 1].original : m_originals.size();
    return std::string_view(m_originals).substr(begin, end - begin);
}

std::vector<std::string> Index::closest(std::string_view typed, std::size_t count) const
{
    const std::u32string query = folded(typed);
    if (query.empty() || count == 0 || m_terms.empty())
        return {};
    // A typo is an edit or two: past that a term is seldom what was meant, and each edit more
    // lets many times more terms through.
    const std::size_t b = edits(query.size());
    const std::size_t n = query.size();
    if (b == 0 || n > m_longest + b)
        return {};

    // The table of `distance`, walked as a trie: terms in browse order share their beginnings
    // with the term before, and so the rows of those letters. Row r holds the distances from
    // the query's first j letters to the term's first r, for j within b of r; a cell farther
    // than b is b + 1. Rows past n + b cannot reach the query's end.
    const auto far = static_cast<std::uint8_t>(b + 1);
    const std::size_t width = 2 * b + 1;
    const std::size_t depth = std::min<std::size_t>(m_longest, n + b);
    std::vector<std::uint8_t> cells((depth + 1) * width, far);
    std::vector<std::uint8_t> rowLeast(depth + 1, far); // the smallest cell of each row
    std::vector<std::uint8_t> toEnd(depth + 1, far);    // the best whole-query cell of rows 0..r
    const auto cell = [&](std::size_t r, std::size_t j) -> std::uint8_t {
        if (j > n || j + b < r || j > r + b)
            return far;
        return cells[r * width + (j + b - r)];
    };
    for (std::size_t j = 0; j <= std::min(n, b); ++j)
        cells[j + b] = static_cast<std::uint8_t>(j);
    rowLeast[0] = 0;
    toEnd[0] = cell(0, n);

    using Rank = std::tuple<std::size_t, std::uint32_t, std::uint32_t>; // distance, length, order
    std::vector<Rank> best; // worst last; a term can only join by beating the last
    const auto limit = [&] { return best.size() < count ? b : std::get<0>(best.back()); };
    const char32_t* previous = nullptr;
    std::size_t valid = 0;  // rows 1..valid are those of `previous`
    std::size_t ended = 0;  // the row past whose least cell `previous` ended, or 0
    const auto rank = [&](std::size_t found, const Term& term) {
        const Rank ranked { found, term.length, term.order };
        if (best.size() == count && !(ranked < best.back()))
            return;
        best.insert(std::upper_bound(best.begin(), best.end(), ranked), ranked);
        if (best.size() > count)
            best.pop_back();
    };
    // Goes through terms [from, to); `skip` while terms of one beginning stand together.
    const auto walk = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            const Term& term = m_terms[i];
            const char32_t* text = m_folded.data() + term.offset;
            const std::size_t reach = std::min<std::size_t>(valid, term.length);
            std::size_t r = 0;
            while (r < reach && text[r] == previous[r])
                ++r;
            const std::size_t bound = limit();
            if (m_sorted && ended != 0 && r == ended && toEnd[r] > bound) {
                // It begins as `previous` did up to a row past the bound, and so do the terms
                // after it up to the first that does not: none of them can be offered.
                // Most such runs are short: gallop, then halve.
                const std::u32string_view beginning(text, r);
                const auto shares = [&](std::size_t k) { return foldedOf(m_terms[k]).substr(0, r) == beginning; };
                std::size_t low = i, step = 1;
                while (low + step < to && shares(low + step)) {
                    low += step;
                    step *= 2;
                }
                std::size_t high = std::min(low + step, to); // the first not sharing, or `to`
                while (high - low > 1) {
                    const std::size_t middle = low + (high - low) / 2;
                    (shares(middle) ? low : high) = middle;
                }
                i = low;
                continue;
            }
            const std::size_t last = std::min<std::size_t>(term.length, depth);
            // Rows never get smaller cells than the row before, so one past the bound ends the term.
            for (; r < last && rowLeast[r] <= bound;) {
                ++r;
                const char32_t letter = text[r - 1];
                std::uint8_t* row = &cells[r * width]; // cells outside 0..n are never read
                std::uint8_t least = far;
                for (std::size_t j = r > b ? r - b : 0; j <= std::min(n, r + b); ++j) {
                    std::uint8_t value;
                    if (j == 0) {
                        value = r <= b ? static_cast<std::uint8_t>(r) : far;
                    } else {
                        value = static_cast<std::uint8_t>(std::min({ cell(r - 1, j) + 1, cell(r, j - 1) + 1, cell(r - 1, j - 1) + (letter == query[j - 1] ? 0 : 1) }));
                        if (r > 1 && j > 1 && letter == query[j - 2] && text[r - 2] == query[j - 1])
                            value = std::min<std::uint8_t>(value, cell(r - 2, j - 2) + 1);
                        value = std::min(value, far);
                    }
                    row[j + b - r] = value;
                    least = std::min(least, value);
                }
                rowLeast[r] = least;
                toEnd[r] = std::min(toEnd[r - 1], cell(r, n));
            }
            previous = text;
            valid = r;
            ended = r < term.length && rowLeast[r] > bound ? r : 0;
            if (toEnd[r] <= bound)
                rank(toEnd[r], term);
        }
    };
    // The terms that begin as the query does stand together: a typo is most often further on,
    // and going through them first makes the bound tight for the rest.
    const auto firstIs = [this](char32_t c) {
        const auto begin = std::partition_point(m_terms.begin(), m_terms.end(), [&](const Term& t) { return m_folded[t.offset] < c; });
        const auto end = std::partition_point(begin, m_terms.end(), [&](const Term& t) { return m_folded[t.offset] <= c; });
        return std::pair(std::size_t(begin - m_terms.begin()), std::size_t(end - m_terms.begin()));
    };
    const auto [front, back] = firstIs(query[0]);
    walk(front, back);
    walk(0, front);
    walk(back, m_terms.size());
    std::vector<std::string> terms;
    for (const Rank& ranked : best)
        terms.emplace_back(originalOf(std::get<2>(ranked)));
    return terms;
}

} // namespace TermSuggestions
