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

std::size_t distance(std::u32string_view a, std::u32string_view b, std::size_t limit)
{
    const std::size_t n = a.size();
    const std::size_t m = b.size();
    if ((n > m ? n - m : m - n) > limit)
        return limit + 1;
    // Three rows of the table: the one two back is needed for transpositions.
    thread_local std::vector<std::size_t> storage;
    storage.assign(3 * (m + 1), 0);
    std::size_t* before = storage.data();
    std::size_t* previous = before + (m + 1);
    std::size_t* current = previous + (m + 1);
    for (std::size_t j = 0; j <= m; ++j)
        previous[j] = j;
    for (std::size_t i = 1; i <= n; ++i) {
        current[0] = i;
        std::size_t smallest = current[0];
        for (std::size_t j = 1; j <= m; ++j) {
            const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            std::size_t value = std::min({ previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost });
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                value = std::min(value, before[j - 2] + 1);
            current[j] = value;
            smallest = std::min(smallest, value);
        }
        if (smallest > limit)
            return limit + 1;
        std::swap(before, previous);
        std::swap(previous, current);
    }
    return std::min(previous[m], limit + 1);
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
        const auto order = static_cast<std::uint32_t>(m_originals.size());
        m_originals.push_back(term);
        const Term entry { static_cast<std::uint32_t>(m_folded.size()), static_cast<std::uint32_t>(fold.size()), order };
        m_folded.insert(m_folded.end(), fold.begin(), fold.end());
        if (m_byLength.size() <= fold.size())
            m_byLength.resize(fold.size() + 1);
        m_byLength[fold.size()].push_back(static_cast<std::uint32_t>(m_terms.size()));
        m_terms.push_back(entry);
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
    const std::size_t length = query.size();
    // Before the list is full any distance up to the whole query's length will do.
    const auto limit = [&] { return best.size() < count ? length : std::get<0>(best.back()); };
    // Nearest lengths first: the distance is at least the difference of the lengths.
    for (std::size_t spread = 0;; ++spread) {
        if (spread > limit() || (length < spread && length + spread >= m_byLength.size()))
            break;
        for (const int side : { -1, 1 }) {
            if (spread == 0 && side == 1)
                continue;
            if (side < 0 && spread > length)
                continue;
            const std::size_t bucket = side < 0 ? length - spread : length + spread;
            if (bucket >= m_byLength.size())
                continue;
            for (const std::uint32_t index : m_byLength[bucket]) {
                const Term& term = m_terms[index];
                const std::u32string_view text(m_folded.data() + term.offset, term.length);
                const std::size_t found = distance(query, text, limit());
                if (found > limit())
                    continue;
                const Rank rank { found, term.length, term.order };
                if (best.size() == count && !(rank < best.back()))
                    continue;
                best.insert(std::upper_bound(best.begin(), best.end(), rank), rank);
                if (best.size() > count)
                    best.pop_back();
            }
        }
    }
    std::vector<std::string> terms;
    for (const Rank& rank : best)
        terms.push_back(m_originals[std::get<2>(rank)]);
    return terms;
}

} // namespace TermSuggestions
