#pragma once

#include <optional>

#include <QByteArray>
#include <QList>
#include <QString>

// Reads RTF: groups, paragraphs, the font table (families and sizes), bold, italic, underline,
// colours from the colour table, alignment, the code page with \'hh escapes, and \u escapes
// with their fallback characters; ignorable destinations, pictures and the like are skipped.
// The input is untrusted: nesting is bounded and tracked without recursion, unknown control
// words are skipped, and truncated or malformed text ends the read quietly with what was read
// so far.
namespace RtfReader {

struct Colour final {
    int red = 0;
    int green = 0;
    int blue = 0;
    friend bool operator==(const Colour&, const Colour&) = default;
};

// Text in one character format.
struct Run final {
    QString text;
    QString family; // empty: the document's default
    qreal points = 12;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    std::optional<Colour> colour; // none: the automatic colour
};

struct Paragraph final {
    std::optional<Qt::Alignment> alignment; // none: never set
    QList<Run> runs;
};

// Always at least one paragraph.
struct Document final {
    QList<Paragraph> paragraphs;
    // The paragraphs' texts, each ended by a newline but the last.
    QString plainText() const;
};

Document read(const QByteArray& rtf);

// How deep groups may nest before deeper ones share their parent's state.
inline constexpr int maxDepth = 256;

} // namespace RtfReader
