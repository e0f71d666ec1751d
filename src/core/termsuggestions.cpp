#include "termsuggestions.h"

#include <algorithm>
#include <limits>
#include <tuple>
#include <unordered_set>

#include "collationcore.h"

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

void appendUtf8(std::string& out, char32_t c)
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

std::string literal(const std::u32string& text)
{
    std::string quoted = "'";
    for (const char32_t c : text) {
        appendUtf8(quoted, c);
        if (c == U'\'')
            quoted += '\'';
    }
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
    std::unordered_set<std::string_view> seen;
    seen.reserve(terms.size());
    m_originals.reserve(terms.size());
    for (const std::string& term : terms) {
        if (!seen.insert(term).second)
            continue;
        const std::u32string fold = folded(term);
        if (fold.empty())
            continue;
        const auto order = static_cast<std::uint32_t>(m_originals.size());
        m_originals.push_back(term);
        m_terms.push_back({ static_cast<std::uint32_t>(m_folded.size()), static_cast<std::uint32_t>(fold.size()), order });
        m_folded.insert(m_folded.end(), fold.begin(), fold.end());
    }
}

std::vector<std::string> Index::closest(std::string_view typed, std::size_t count) const
{
    const std::u32string query = folded(typed);
    if (query.empty() || count == 0 || m_terms.empty())
        return {};
    // The best so far, worst last; a term can only join by beating the last.
    using Rank = std::tuple<std::size_t, std::uint32_t, std::uint32_t>; // distance, length, order
    std::vector<Rank> best;
    // A typo is a few edits: past that a term is no longer what was meant, and the bound keeps
    // a long paste from costing its length times every term.
    const std::size_t budget = std::min<std::size_t>(maxEdits, (query.size() + 1) / 3);
    if (budget == 0)
        return {};
    const auto limit = [&] { return best.size() < count ? budget : std::get<0>(best.back()); };
    const auto consider = [&](const Term& term) {
        const std::u32string_view text(m_folded.data() + term.offset, term.length);
        const std::size_t found = distance(query, text, limit(), true);
        if (found > limit())
            return;
        const Rank rank { found, term.length, term.order };
        if (best.size() == count && !(rank < best.back()))
            return;
        best.insert(std::upper_bound(best.begin(), best.end(), rank), rank);
        if (best.size() > count)
            best.pop_back();
    };
    // The terms are in browse order, so those that begin as the query does stand together: a
    // typo is most often further on, and going through them first makes the bound tight for
    // the rest.
    const auto firstIs = [this](char32_t c) {
        const auto begin = std::partition_point(m_terms.begin(), m_terms.end(), [&](const Term& t) { return m_folded[t.offset] < c; });
        const auto end = std::partition_point(begin, m_terms.end(), [&](const Term& t) { return m_folded[t.offset] <= c; });
        return std::pair(begin, end);
    };
    const auto [front, back] = firstIs(query[0]);
    for (auto it = front; it != back; ++it)
        consider(*it);
    for (auto it = m_terms.begin(); it != front; ++it)
        consider(*it);
    for (auto it = back; it != m_terms.end(); ++it)
        consider(*it);
    std::vector<std::string> terms;
    for (const Rank& rank : best)
        terms.push_back(m_originals[std::get<2>(rank)]);
    return terms;
}

} // namespace TermSuggestions
