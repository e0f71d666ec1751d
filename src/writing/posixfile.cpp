#include "posixfile.h"

#include <cerrno>
#include <cstring>

#include <QFile>
#include <QRandomGenerator>

#include <fcntl.h>
#include <unistd.h>

namespace PosixFile {

int writeAll(int fd, QByteArrayView bytes)
{
    const char* data = bytes.data();
    auto size = static_cast<std::size_t>(bytes.size());
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

int sync(const std::filesystem::path& path, bool folder)
{
    const int fd = ::open(path.c_str(), (folder ? O_RDONLY | O_DIRECTORY : O_RDONLY) | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int error = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return error;
}

std::filesystem::path freshName(const std::filesystem::path& folder, const std::string& prefix)
{
    static constexpr char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = prefix;
    for (int i = 0; i < 6; ++i)
        name += letters[QRandomGenerator::global()->bounded(static_cast<int>(sizeof letters - 1))];
    return folder / name;
}

QString reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString local(const std::filesystem::path& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

std::filesystem::path native(const QString& path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

} // namespace PosixFile
