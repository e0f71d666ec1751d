#pragma once

#include <QByteArray>
#include <QString>

#include "failure.h"

// Reading the outside files the store depends on.
namespace TextFile {

// Why the path is not a regular file that can be read without blocking ("it is a directory",
// "it is not a regular file but a named pipe (FIFO)" …); empty for a regular file or a link
// to one, and for a path that does not exist.
QString notRegularReason(const QString& path);

// The whole file, or a failure that names it (missing, a directory, a pipe or device,
// unreadable, too large). A pipe or device is never opened: reading one could wait forever.
Result<QByteArray> read(const QString& path, qint64 maxBytes);

// Windows-1252, the code page of tables written on Western European systems.
QString decodeWindows1252(QByteArrayView bytes);

// UTF-8 without a byte-order mark; nullopt when the bytes are not valid UTF-8.
std::optional<QString> decodeUtf8(QByteArrayView bytes);

// UTF-16 that starts with its byte-order mark (what Windows calls Unicode), without the mark;
// nullopt when there is no mark.
std::optional<QString> decodeMarkedUtf16(QByteArrayView bytes);

// The entry of `directory` whose name equals `name` without regard to case (the exact name
// first); empty when there is none.
QString findCaseInsensitive(const QString& directory, const QString& name);

} // namespace TextFile
