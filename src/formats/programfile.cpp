#include "programfile.h"

#include <QFile>

namespace ProgramFile {

bool isWindowsProgram(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(2) == "MZ";
}

} // namespace ProgramFile
