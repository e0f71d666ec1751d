#pragma once

#include <QString>

// PDF files the program has just written.
namespace PdfFile {

// Why the file is not a complete PDF (it cannot be opened, is empty, or lacks the end-of-file
// marker a finished writer puts in its last kilobyte); empty when it is complete.
QString whyIncomplete(const QString& path);

} // namespace PdfFile
