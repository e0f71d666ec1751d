#pragma once

#include <QString>

// Programs on the presentation disc.
namespace ProgramFile {

// Whether the file is a Windows program (it starts as one does, with "MZ").
bool isWindowsProgram(const QString& path);

} // namespace ProgramFile
