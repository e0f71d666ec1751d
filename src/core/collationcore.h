#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The text ordering at its core, without Qt: how each character folds, and comparison of
// folded texts. The folding table is generated from Qt's Unicode data when the program is
// built, so a process that only looks a word up need not load Qt.
namespace DictionaryCollation {

struct Folding {
    std::array<char32_t, 3> units {};
    std::uint8_t size = 0;
};

// How one character folds: ASCII capitals to lower case, accents dropped, ligatures spelt out.
Folding foldingOf(char32_t c);

// Reads code points from UTF-8; a byte that starts no valid sequence reads as U+FFFD.
class Utf8Reader {
public:
    explicit Utf8Reader(std::string_view text) : m_p(text.data()), m_end(text.data() + text.size()) { }
    bool atEnd() const { return m_p == m_end; }
    char32_t next()
    {
        const auto lead = static_cast<unsigned char>(*m_p++);
        if (lead < 0x80)
            return lead;
        int extra = 0;
        char32_t c = 0;
        if ((lead & 0xE0) == 0xC0) { extra = 1; c = lead & 0x1F; }
        else if ((lead & 0xF0) == 0xE0) { extra = 2; c = lead & 0x0F; }
        else if ((lead & 0xF8) == 0xF0) { extra = 3; c = lead & 0x07; }
        else return 0xFFFD;
        if (m_end - m_p < extra)
            return 0xFFFD;
        for (int i = 0; i < extra; ++i) {
            const auto byte = static_cast<unsigned char>(m_p[i]);
            if ((byte & 0xC0) != 0x80)
                return 0xFFFD;
            c = (c << 6) | (byte & 0x3F);
        }
        m_p += extra;
        return c;
    }

private:
    const char* m_p;
    const char* m_end;
};

// Yields the folded code points of a text one at a time.
template <typename Reader>
class FoldedStream {
public:
    explicit FoldedStream(Reader reader) : m_reader(reader) { }

    // Next folded code point, or -1 at the end.
    std::int32_t next()
    {
        while (m_index == m_pending.size) {
            if (m_reader.atEnd())
                return -1;
            const char32_t c = m_reader.next();
            if (c < 0x80)
                return static_cast<std::int32_t>((c >= U'A' && c <= U'Z') ? c + 32 : c);
            m_pending = foldingOf(c);
            m_index = 0;
        }
        return static_cast<std::int32_t>(m_pending.units[m_index++]);
    }

private:
    Reader m_reader;
    Folding m_pending;
    std::uint8_t m_index = 0;
};

template <typename Reader>
int compareStreams(Reader a, Reader b)
{
    FoldedStream<Reader> left(a);
    FoldedStream<Reader> right(b);
    for (;;) {
        const std::int32_t l = left.next();
        const std::int32_t r = right.next();
        if (l != r)
            return l < r ? -1 : 1;
        if (l < 0)
            return 0;
    }
}

template <typename Reader>
std::ptrdiff_t foldedLengthOf(Reader reader)
{
    FoldedStream<Reader> stream(reader);
    std::ptrdiff_t length = 0;
    while (stream.next() >= 0)
        ++length;
    return length;
}

int compareUtf8(std::string_view a, std::string_view b);

// How many characters the folded text has. Each character folds on its own, so the length
// of a text is the sum of the lengths of its characters.
std::ptrdiff_t foldedLengthUtf8(std::string_view text);

// The text as the ordering sees it, in UTF-8: its bytes compare as compareUtf8 compares the
// texts, which is what a server holding the folded key relies on.
std::string foldedUtf8(std::string_view text);

// The names under which the store registers the ordering and the folded length with SQLite.
inline constexpr const char* sqlName = "DICTIONARY";
inline constexpr const char* lengthSqlName = "dictionary_length";

} // namespace DictionaryCollation
