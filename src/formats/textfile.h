#pragma once

#include <QByteArray>
#include <QString>

#include "failure.h"

// Reading the outside files the store depends on.
namespace TextFile {

// The whole file, or a failure that names it (missing, a directory, unreadable, too large).
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
