#pragma once

#include <QByteArray>

class QTextDocument;

// Reads RTF into a document: groups, paragraphs, the font table (families and sizes), bold,
// italic, underline, colours from the colour table, alignment, the code page with \'hh
// escapes, and \u escapes with their fallback characters; ignorable destinations, pictures
// and the like are skipped. The input is untrusted: nesting is bounded and tracked without
// recursion, unknown control words are skipped, and truncated or malformed text ends the
// read quietly with what was read so far.
namespace RtfReader {

void read(const QByteArray& rtf, QTextDocument& document);

// How deep groups may nest before deeper ones share their parent's state.
inline constexpr int maxDepth = 256;

} // namespace RtfReader
