#pragma once

#include <QByteArrayView>
#include <QString>

#include "failure.h"

// A file the user names for the tools to write, written whole.
namespace OutputFile {

// A pipe, a device or another special file is written to as it is,
// never replaced. A regular file is written beside itself and renamed over the old one, keeping
// its mode; where its folder cannot take a second file, it is written in place, its space
// reserved first so that a full disk refuses before a byte changes. A link that another user
// planted in a sticky folder everyone can write is refused, as the kernel refuses to follow it
// when it protects such links.
Outcome write(const QString& path, QByteArrayView bytes);

} // namespace OutputFile
