#pragma once

#include <filesystem>
#include <string>

#include <QByteArrayView>
#include <QString>

// The few system calls the writers share, with the system's own reason for a failure.
namespace PosixFile {

// All of `bytes` to `fd`, through short writes and interruptions; 0, or the errno that stopped it.
int writeAll(int fd, QByteArrayView bytes);
// Flushes a file or a folder (its names) to disk; 0 or the errno.
int sync(const std::filesystem::path& path, bool folder);
// A name in `folder` that nothing holds yet at the time of asking: `prefix` and six letters.
std::filesystem::path freshName(const std::filesystem::path& folder, const std::string& prefix);
QString reason(int error);

QString local(const std::filesystem::path& path);
std::filesystem::path native(const QString& path);

} // namespace PosixFile
