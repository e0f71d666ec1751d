#include "collationcore.h"

#include <algorithm>

#include "utf8text.h"

namespace DictionaryCollation {
namespace {

struct SparseFolding {
    char32_t code;
    Folding folding;
};

#include "foldtable.inc"

} // namespace

Folding foldingOf(char32_t c)
{
    if (c < std::size(denseFolds))
        return denseFolds[c];
    const auto* found = std::lower_bound(std::begin(sparseFolds), std::end(sparseFolds), c,
                                         [](const SparseFolding& entry, char32_t code) { return entry.code < code; });
    if (found != std::end(sparseFolds) && found->code == c)
        return found->folding;
    return Folding { { c, 0, 0 }, 1 };
}

int compareUtf8(std::string_view a, std::string_view b)
{
    // Most terms are plain ASCII: compare their folded bytes directly, and hand over to the
    // full folding at the first byte that is not, since each character folds on its own.
    std::size_t i = 0;
    const std::size_t common = std::min(a.size(), b.size());
    for (; i < common; ++i) {
        auto x = static_cast<unsigned char>(a[i]);
        auto y = static_cast<unsigned char>(b[i]);
        if ((x | y) >= 0x80)
            break;
        x = (x >= 'A' && x <= 'Z') ? x + 32 : x;
        y = (y >= 'A' && y <= 'Z') ? y + 32 : y;
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (i == common && a.size() == b.size())
        return 0;
    return compareStreams(Utf8Reader(a.substr(i)), Utf8Reader(b.substr(i)));
}

std::ptrdiff_t foldedLengthUtf8(std::string_view text)
{
    return foldedLengthOf(Utf8Reader(text));
}

std::string foldedUtf8(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    FoldedStream<Utf8Reader> stream { Utf8Reader(text) };
    for (std::int32_t c = stream.next(); c >= 0; c = stream.next())
        Utf8Text::append(result, static_cast<char32_t>(c));
    return result;
}

} // namespace DictionaryCollation
