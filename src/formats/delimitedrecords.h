#pragma once

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QByteArray>
#include <QString>

#include "failure.h"
#include "texttable.h"

// Delimited UTF-8 text split into records: the tables' reader and the term sources share it.
namespace TextTable {

constexpr int maxColumns = 255;

// "cannot read FILE: line N: REASON"
Failure malformedAt(const QString& file, int line, const QString& reason);

// What a file's text is encoded in; Automatic takes UTF-16 with its mark, else UTF-8 when the
// bytes are valid UTF-8, else Windows-1252.
enum class CharacterSet { Automatic, Utf8, Windows1252 };

// The file's bytes as UTF-8, a byte-order mark dropped; `converted` holds the text when it had
// to be converted.
Result<std::string_view> asUtf8(QByteArrayView bytes, CharacterSet characterSet, const QString& path, QByteArray* converted);

// Line ends as the files come: LF, CRLF, or a lone CR (old Mac text).
inline bool isLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

// The line `position` lies on, counting every kind of line end.
inline int lineAt(std::string_view text, std::size_t position)
{
    int line = 1;
    for (std::size_t i = 0; i < position; ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
            ++line;
    }
    return line;
}

// Splits delimited UTF-8 text into records, RFC 4180 style, keeping track of line numbers.
// A field is a view of the text; a quoted one with doubled quotes is written out into
// `storage`, which must outlive the cells.
class RecordReader final {
public:
    RecordReader(std::string_view text, std::string delimiter, QString file)
        : m_text(text), m_delimiter(std::move(delimiter)), m_file(std::move(file))
    {
    }

    qsizetype position() const { return static_cast<qsizetype>(m_pos); }

    // Reads the next record into `cells`; false at the end of the text.
    Result<bool> next(std::vector<Cell>* cells, int* line, std::deque<std::string>* storage)
    {
        // Blank lines hold no record.
        while (m_pos < m_text.size() && isLineEnd(m_text[m_pos]))
            skipLineEnd();
        if (m_pos >= m_text.size())
            return false;
        *line = m_line;
        cells->clear();
        for (;;) {
            Cell cell;
            if (m_text[m_pos] == '"') {
                const int startLine = m_line;
                auto quoted = readQuoted(storage);
                if (!quoted)
                    return malformedAt(m_file, startLine, QStringLiteral("a quoted field is not closed"));
                cell.text = *quoted;
                cell.quoted = true;
                if (m_pos < m_text.size() && !isDelimiterAt(m_pos) && !isLineEnd(m_text[m_pos]))
                    return malformedAt(m_file, m_line, QStringLiteral("text after the closing quote of field %1").arg(cells->size() + 1));
            } else {
                const std::size_t start = m_pos;
                if (m_delimiter.size() == 1) {
                    const char delimiter = m_delimiter[0];
                    while (m_pos < m_text.size() && m_text[m_pos] != delimiter && !isLineEnd(m_text[m_pos]))
                        ++m_pos;
                } else {
                    while (m_pos < m_text.size() && !isDelimiterAt(m_pos) && !isLineEnd(m_text[m_pos]))
                        ++m_pos;
                }
                cell.null = m_pos == start;
                cell.text = m_text.substr(start, m_pos - start);
            }
            cells->push_back(cell);
            if (cells->size() > maxColumns)
                return malformedAt(m_file, *line, QStringLiteral("more than %1 fields").arg(maxColumns));
            if (m_pos >= m_text.size())
                return true;
            if (isLineEnd(m_text[m_pos])) {
                skipLineEnd();
                return true;
            }
            m_pos += m_delimiter.size();
        }
    }

private:
    bool isDelimiterAt(std::size_t at) const { return m_text.compare(at, m_delimiter.size(), m_delimiter) == 0; }

    void skipLineEnd()
    {
        m_pos += m_text[m_pos] == '\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '\n' ? 2 : 1;
        ++m_line;
    }

    void countLineEnd(std::size_t at)
    {
        if (m_text[at] == '\n' || (m_text[at] == '\r' && (at + 1 == m_text.size() || m_text[at + 1] != '\n')))
            ++m_line;
    }

    // The text between the quotes, a doubled quote standing for one; nullopt when unclosed.
    std::optional<std::string_view> readQuoted(std::deque<std::string>* storage)
    {
        const std::size_t start = ++m_pos;
        std::string* unescaped = nullptr;
        std::size_t copied = start; // text before this is in `unescaped`
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            if (c == '"') {
                if (m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '"') {
                    if (!unescaped)
                        unescaped = &storage->emplace_back();
                    unescaped->append(m_text.substr(copied, m_pos + 1 - copied));
                    m_pos += 2;
                    copied = m_pos;
                    continue;
                }
                const std::size_t end = m_pos++;
                if (!unescaped)
                    return m_text.substr(start, end - start);
                unescaped->append(m_text.substr(copied, end - copied));
                return std::string_view(*unescaped);
            }
            countLineEnd(m_pos);
            ++m_pos;
        }
        return std::nullopt;
    }

    std::string_view m_text;
    std::string m_delimiter;
    QString m_file;
    std::size_t m_pos = 0;
    int m_line = 1;
};

} // namespace TextTable
