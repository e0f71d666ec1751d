#include "dictionarycollation.h"

#include <array>

namespace DictionaryCollation {
namespace {

// Characters below this bound fold through a table built once from Qt's Unicode data; that
// covers every Latin, Greek and Cyrillic letter a dictionary of this kind holds.
constexpr char32_t tableBound = 0x2000;
constexpr int maxFold = 3;

struct Folding {
    std::array<char16_t, maxFold> units {};
    quint8 size = 0;
};

bool isMark(char32_t c)
{
    const auto category = QChar::category(c);
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining
        || category == QChar::Mark_Enclosing;
}

Folding foldOne(char32_t c)
{
    Folding result;
    const auto push = [&result](char32_t unit) {
        if (result.size < maxFold)
            result.units[result.size++] = static_cast<char16_t>(unit);
    };
    switch (c) {
    case U'œ': case U'Œ': push(U'o'); push(U'e'); return result;
    case U'æ': case U'Æ': push(U'a'); push(U'e'); return result;
    case U'ß': push(U's'); push(U's'); return result;
    default: break;
    }
    if (c >= 0xD800 && c <= 0xDFFF) {
        push(c);
        return result;
    }
    const QString decomposed = QString::fromUcs4(&c, 1).normalized(QString::NormalizationForm_KD);
    for (const QChar unit : decomposed) {
        if (isMark(unit.unicode()))
            continue;
        push(QChar::toCaseFolded(unit.unicode()));
    }
    return result;
}

// Each entry is worked out the first time a text holds its character: building all of them
// up front costs a normalisation per code point at start-up.
const Folding& folding(char32_t c)
{
    static std::array<Folding, tableBound> table {};
    static std::array<bool, tableBound> ready {};
    if (!ready[c]) {
        table[c] = foldOne(c);
        ready[c] = true;
    }
    return table[c];
}

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

class Utf16Reader {
public:
    explicit Utf16Reader(QStringView text) : m_p(text.begin()), m_end(text.end()) { }
    bool atEnd() const { return m_p == m_end; }
    char32_t next()
    {
        const char16_t high = m_p++->unicode();
        if (QChar::isHighSurrogate(high) && m_p != m_end && m_p->isLowSurrogate())
            return QChar::surrogateToUcs4(high, m_p++->unicode());
        return high;
    }

private:
    const QChar* m_p;
    const QChar* m_end;
};

// Yields the folded code points of a text one at a time.
template <typename Reader>
class FoldedStream {
public:
    explicit FoldedStream(Reader reader) : m_reader(reader) { }

    // Next folded code point, or -1 at the end.
    qint32 next()
    {
        while (m_index == m_pending.size) {
            if (m_reader.atEnd())
                return -1;
            const char32_t c = m_reader.next();
            if (c < 0x80) {
                return (c >= U'A' && c <= U'Z') ? static_cast<qint32>(c + 32) : static_cast<qint32>(c);
            }
            if (c < tableBound) {
                m_pending = folding(c);
            } else if (isMark(c)) {
                m_pending = {};
            } else {
                m_pending = {};
                const char32_t f = QChar::toCaseFolded(c);
                if (f > 0xFFFF)
                    return static_cast<qint32>(f);
                m_pending.units[0] = static_cast<char16_t>(f);
                m_pending.size = 1;
            }
            m_index = 0;
        }
        return m_pending.units[m_index++];
    }

private:
    Reader m_reader;
    Folding m_pending;
    quint8 m_index = 0;
};

template <typename Reader>
int compareStreams(Reader a, Reader b)
{
    FoldedStream<Reader> left(a);
    FoldedStream<Reader> right(b);
    for (;;) {
        const qint32 l = left.next();
        const qint32 r = right.next();
        if (l != r)
            return l < r ? -1 : 1;
        if (l < 0)
            return 0;
    }
}

} // namespace

int compare(QStringView a, QStringView b)
{
    return compareStreams(Utf16Reader(a), Utf16Reader(b));
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

QString folded(QStringView text)
{
    QString result;
    result.reserve(text.size());
    FoldedStream<Utf16Reader> stream { Utf16Reader(text) };
    for (qint32 c = stream.next(); c >= 0; c = stream.next()) {
        const auto codePoint = static_cast<char32_t>(c);
        result.append(QString::fromUcs4(&codePoint, 1));
    }
    return result;
}

qsizetype foldedLength(QStringView text)
{
    FoldedStream<Utf16Reader> stream { Utf16Reader(text) };
    qsizetype length = 0;
    while (stream.next() >= 0)
        ++length;
    return length;
}

qsizetype foldedLengthUtf8(std::string_view text)
{
    FoldedStream<Utf8Reader> stream { Utf8Reader(text) };
    qsizetype length = 0;
    while (stream.next() >= 0)
        ++length;
    return length;
}

} // namespace DictionaryCollation
