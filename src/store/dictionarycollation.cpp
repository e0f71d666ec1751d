#include "dictionarycollation.h"

namespace DictionaryCollation {
namespace {

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

} // namespace

int compare(QStringView a, QStringView b)
{
    return compareStreams(Utf16Reader(a), Utf16Reader(b));
}

QString folded(QStringView text)
{
    QString result;
    result.reserve(text.size());
    FoldedStream<Utf16Reader> stream { Utf16Reader(text) };
    for (std::int32_t c = stream.next(); c >= 0; c = stream.next()) {
        const auto codePoint = static_cast<char32_t>(c);
        result.append(QString::fromUcs4(&codePoint, 1));
    }
    return result;
}

qsizetype foldedLength(QStringView text)
{
    return foldedLengthOf(Utf16Reader(text));
}

} // namespace DictionaryCollation
