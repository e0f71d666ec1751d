#pragma once

class QTextDocument;

namespace RtfReader {
struct Document;
}

// Lays a read RTF document out in a text document, paragraph by paragraph, each run in its
// own character format.
void setRtfDocument(const RtfReader::Document& rtf, QTextDocument& document);
