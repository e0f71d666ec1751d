#pragma once

#include <QByteArray>
#include <QStringList>

// The mount table as /proc/self/mounts writes it.
namespace MountTable {

// The optical media in it: iso9660 and udf file systems and optical block devices, by mount
// point, sorted, each once.
QStringList opticalMountPoints(const QByteArray& mounts);

} // namespace MountTable
