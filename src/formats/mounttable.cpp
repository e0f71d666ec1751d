#include "mounttable.h"

#include <QString>

namespace MountTable {
namespace {

// Mount points write blanks, tabs, newlines and backslashes as octal escapes.
QString decodeMountField(const QByteArray& field)
{
    QByteArray decoded;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok && code < 256) {
                decoded.append(static_cast<char>(code));
                i += 3;
                continue;
            }
        }
        decoded.append(field[i]);
    }
    return QString::fromUtf8(decoded);
}

bool isOpticalDevice(const QByteArray& device)
{
    return device.startsWith("/dev/sr") || device.startsWith("/dev/scd") || device.startsWith("/dev/cdrom") || device.startsWith("/dev/dvd");
}

} // namespace

QStringList opticalMountPoints(const QByteArray& mounts)
{
    QStringList points;
    for (const QByteArray& line : mounts.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 3)
            continue;
        const QByteArray& type = fields[2];
        if (type == "iso9660" || type == "udf" || isOpticalDevice(fields[0]))
            points.append(decodeMountField(fields[1]));
    }
    points.sort();
    points.removeDuplicates();
    return points;
}

} // namespace MountTable
