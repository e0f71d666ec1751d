#include "outputfile.h"

#include <cerrno>
#include <cstring>
#include <deque>
#include <filesystem>

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "posixfile.h"

namespace fs = std::filesystem;
using PosixFile::reason;

namespace OutputFile {
namespace {

struct Walk final {
    fs::path file;       // where the path leads, through the links that may be followed
    fs::path plantedLink; // the first one that may not, if any
};

// Follows `path` a name at a time as the kernel does. A link in a sticky folder that everyone
// can write, owned neither by us nor by the folder's owner, is where another user could send
// our write anywhere: it is not followed, whatever the kernel's own setting.
Walk walk(const fs::path& path)
{
    const fs::path relative = path.relative_path();
    std::deque<fs::path> parts(relative.begin(), relative.end());
    fs::path walked = "/";
    int links = 0;
    while (!parts.empty()) {
        const fs::path part = parts.front();
        parts.pop_front();
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            walked = walked.parent_path();
            continue;
        }
        const fs::path next = walked / part;
        struct stat link {};
        if (::lstat(next.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) {
            walked = next;
            continue;
        }
        struct stat folder {};
        if (::stat(walked.c_str(), &folder) == 0 && (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH) && link.st_uid != ::geteuid()
            && link.st_uid != folder.st_uid)
            return { {}, next };
        std::error_code error;
        const fs::path target = fs::read_symlink(next, error);
        if (error || ++links > 40)
            return { next, {} }; // the write itself then says what is wrong
        const fs::path inner = target.relative_path();
        parts.insert(parts.begin(), inner.begin(), inner.end());
        if (target.is_absolute())
            walked = "/";
    }
    return { walked, {} };
}

// Into a file whose folder takes no second file: its space is reserved before a byte changes,
// so a full disk or a quota leaves it whole.
int inPlace(const fs::path& file, QByteArrayView bytes)
{
    const int fd = ::open(file.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return errno;
    int error = 0;
    if (bytes.size() > 0 && ::fallocate(fd, 0, 0, static_cast<off_t>(bytes.size())) != 0 && errno != EOPNOTSUPP)
        error = errno;
    if (!error)
        error = PosixFile::writeAll(fd, bytes);
    if (!error && ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0)
        error = errno;
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error)
        error = errno;
    return error;
}

// Beside the file, then renamed over it: the old file stays whole until the new one is.
int beside(const fs::path& file, const struct stat* old, QByteArrayView bytes)
{
    fs::path temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temporary = PosixFile::freshName(file.parent_path(), '.' + file.filename().string() + '.');
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt > 100))
            return errno;
    }
    int error = 0;
    if (old) {
        [[maybe_unused]] const int owned = ::fchown(fd, old->st_uid, old->st_gid);
        if (::fchmod(fd, old->st_mode & 07777) != 0)
            error = errno;
    }
    if (!error)
        error = PosixFile::writeAll(fd, bytes);
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error)
        error = errno;
    if (!error && ::rename(temporary.c_str(), file.c_str()) != 0)
        error = errno;
    if (error) {
        ::unlink(temporary.c_str());
        return error;
    }
    PosixFile::sync(file.parent_path(), true);
    return 0;
}

} // namespace

Outcome write(const QString& path, QByteArrayView bytes)
{
    const auto failed = [&path](const QString& why) { return Failure { FailureNumber::PathFileAccess, QStringLiteral("cannot write %1: %2").arg(path, why) }; };
    const Walk walked = walk(fs::path(QFile::encodeName(QFileInfo(path).absoluteFilePath()).toStdString()));
    if (!walked.plantedLink.empty())
        return failed(QStringLiteral("%1 is a link that another user owns in a sticky folder everyone can write; it is not followed")
                          .arg(QFile::decodeName(QByteArray::fromStdString(walked.plantedLink.string()))));
    struct stat status {};
    const bool exists = ::stat(walked.file.c_str(), &status) == 0;
    if (exists && S_ISDIR(status.st_mode))
        return failed(QStringLiteral("it is a folder"));
    int error = 0;
    if (exists && !S_ISREG(status.st_mode)) {
        // A pipe or a device is the reader the user chose: written to, never replaced.
        const int fd = ::open(walked.file.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            return failed(reason(errno));
        error = PosixFile::writeAll(fd, bytes);
        if (::close(fd) != 0 && !error)
            error = errno;
    } else if (exists && ::access(walked.file.parent_path().c_str(), W_OK | X_OK) != 0 && ::access(walked.file.c_str(), W_OK) == 0) {
        error = inPlace(walked.file, bytes);
    } else {
        error = beside(walked.file, exists ? &status : nullptr, bytes);
    }
    if (error)
        return failed(reason(error));
    return {};
}

} // namespace OutputFile
