#include "directoryupdate.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "posixfile.h"

namespace fs = std::filesystem;
using PosixFile::freshName;
using PosixFile::local;
using PosixFile::native;
using PosixFile::reason;

namespace {

// Every copy and every set-aside old name carries this mark, so that the next run finds what a
// killed one left, and so that a copy of the directory never holds another.
constexpr std::string_view stagingMark = ".evelmora-build-";

// A folder made with the very mode of the one it stands for: with the umask, a chmod would
// have to follow, and the kernel clears an inherited group bit on a chmod by one outside the
// group.
int makeFolder(const fs::path& folder, mode_t mode)
{
    const mode_t mask = ::umask(0);
    const int made = ::mkdir(folder.c_str(), mode & 0777);
    const int error = errno;
    ::umask(mask);
    errno = error;
    return made;
}

// Gives a folder just made the mode and owner of the one it stands for, as far as we may; the
// group bit a folder inherits is kept, which the kernel would clear for a group we are not in.
void keepModeAndOwner(const fs::path& folder, const struct stat& model)
{
    [[maybe_unused]] const int owned = ::chown(folder.c_str(), model.st_uid, model.st_gid);
    struct stat made {};
    const mode_t now = ::stat(folder.c_str(), &made) == 0 ? made.st_mode & 07777 : 0;
    const mode_t wanted = (model.st_mode & 07777) | (now & S_ISGID);
    if (now != wanted)
        ::chmod(folder.c_str(), wanted);
}

// Makes `to` hold what `from` holds: files as second names, copied (and synced) where the file
// system or the kernel's rules on others' files refuse a link; folders, links and pipes made
// anew with their modes and, where allowed, their owners.
std::error_code mirrorTree(const fs::path& from, const fs::path& to, bool top)
{
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(from, error)) {
        const fs::path name = entry.path().filename();
        if (top && name.string().starts_with(stagingMark))
            continue;
        struct stat status {};
        if (::lstat(entry.path().c_str(), &status) != 0)
            return std::error_code(errno, std::generic_category());
        const fs::path copy = to / name;
        if (S_ISDIR(status.st_mode)) {
            if (makeFolder(copy, status.st_mode) != 0)
                return std::error_code(errno, std::generic_category());
            keepModeAndOwner(copy, status);
            if (const auto inner = mirrorTree(entry.path(), copy, false))
                return inner;
        } else if (S_ISLNK(status.st_mode)) {
            fs::copy_symlink(entry.path(), copy, error);
        } else if (S_ISREG(status.st_mode)) {
            if (::link(entry.path().c_str(), copy.c_str()) != 0) {
                fs::copy_file(entry.path(), copy, error);
                if (!error) {
                    [[maybe_unused]] const int owned = ::lchown(copy.c_str(), status.st_uid, status.st_gid);
                    if (const int synced = PosixFile::sync(copy, false))
                        error = std::error_code(synced, std::generic_category());
                }
            }
        } else if (S_ISFIFO(status.st_mode)) {
            if (::mkfifo(copy.c_str(), status.st_mode & 07777) != 0)
                return std::error_code(errno, std::generic_category());
        } // sockets and devices: nothing a dictionary is read from
        if (error)
            return error;
    }
    return error;
}

// Every folder of a tree, on disk, so that the names in it survive a crash.
int syncFolders(const fs::path& root)
{
    if (const int error = PosixFile::sync(root, true))
        return error;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(root, error); !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_directory() && !it->is_symlink()) {
            if (const int synced = PosixFile::sync(it->path(), true))
                return synced;
        }
    }
    return error.value();
}

} // namespace

Result<std::unique_ptr<DirectoryUpdate>> DirectoryUpdate::begin(const QString& directory)
{
    std::unique_ptr<DirectoryUpdate> update(new DirectoryUpdate);
    const QFileInfo info(directory);
    QString target = QDir::cleanPath(info.absoluteFilePath());
    // A link to the directory stays a link: the directory it names is the one changed.
    if (info.isSymLink()) {
        if (!info.exists())
            return Failure { FailureNumber::PathFileAccess, directory + QStringLiteral(" is a link to nothing") };
        target = info.canonicalFilePath();
    }
    if (info.exists() && !info.isDir())
        return Failure { FailureNumber::PathFileAccess, directory + QStringLiteral(" is not a folder") };
    update->m_target = native(target);
    update->m_parent = update->m_target.parent_path();
    update->m_name = update->m_target.filename();
    if (update->m_name.empty() || update->m_name == "." || update->m_name == "..")
        return Failure { FailureNumber::PathFileAccess, QStringLiteral("cannot replace ") + target };
    if (!QDir().mkpath(local(update->m_parent)))
        return Failure { FailureNumber::PathFileAccess, QStringLiteral("cannot create ") + local(update->m_parent) };

    // One change at a time: a second run waits for the first. The lock is on the parent, whose
    // name for the directory is what the exchange changes.
    update->m_parentFd = ::open(update->m_parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (update->m_parentFd < 0)
        update->m_parentFd = ::open(update->m_parent.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (update->m_parentFd < 0)
        return update->failed(QStringLiteral("cannot open"), QStringLiteral(".."), errno);
    struct stat targetStatus {};
    update->m_exists = ::stat(update->m_target.c_str(), &targetStatus) == 0;
    // A parent that cannot be read cannot be locked: the directory itself is, then.
    update->m_lockFd = ::open(update->m_parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (update->m_lockFd < 0 && update->m_exists)
        update->m_lockFd = ::open(update->m_target.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    while (update->m_lockFd >= 0 && ::flock(update->m_lockFd, LOCK_EX) != 0 && errno == EINTR) {
    }
    // Under the lock, a copy or a set-aside name is what a killed run left.
    std::error_code ignored;
    const std::string siblingMark = '.' + update->m_name.string() + std::string(stagingMark);
    for (const auto& [folder, mark] : { std::pair { update->m_parent, siblingMark }, std::pair { update->m_target, std::string(stagingMark) } }) {
        for (const fs::directory_entry& entry : fs::directory_iterator(folder, ignored)) {
            if (entry.path().filename().string().starts_with(mark))
                fs::remove_all(entry.path(), ignored);
        }
    }

    struct stat parentStatus {};
    update->m_whole = ::stat(update->m_parent.c_str(), &parentStatus) == 0 && ::access(update->m_parent.c_str(), W_OK | X_OK) == 0
        && (!update->m_exists || targetStatus.st_dev == parentStatus.st_dev);
    if (!update->m_exists && !update->m_whole) {
        if (::mkdir(update->m_target.c_str(), 0777) != 0)
            return update->failed(QStringLiteral("cannot create"), QString(), errno);
        update->m_exists = ::stat(update->m_target.c_str(), &targetStatus) == 0;
    }
    const fs::path home = update->m_whole ? update->m_parent : update->m_target;
    const std::string prefix = update->m_whole ? siblingMark : std::string(stagingMark);
    for (;;) {
        const fs::path staging = freshName(home, prefix);
        if ((update->m_exists ? makeFolder(staging, targetStatus.st_mode) : ::mkdir(staging.c_str(), 0777)) == 0) {
            update->m_staging = staging;
            break;
        }
        if (errno != EEXIST)
            return Failure { FailureNumber::PathFileAccess, QStringLiteral("cannot write in %1: %2").arg(local(home), reason(errno)) };
    }
    if (update->m_exists) {
        keepModeAndOwner(update->m_staging, targetStatus);
        if (Outcome copied = update->mirror(); !copied)
            return copied.failure();
    }
    return update;
}

DirectoryUpdate::~DirectoryUpdate()
{
    std::error_code ignored;
    if (!m_committed && !m_staging.empty())
        fs::remove_all(m_staging, ignored);
    if (m_lockFd >= 0)
        ::close(m_lockFd);
    if (m_parentFd >= 0)
        ::close(m_parentFd);
}

QString DirectoryUpdate::path() const
{
    return local(m_staging);
}

QString DirectoryUpdate::filePath(const QString& name) const
{
    return local(m_staging / native(name));
}

// `name` in the directory as the user knows it, not in the copy.
QString DirectoryUpdate::shown(const QString& name) const
{
    return local(name.isEmpty() ? m_target : (m_target / native(name)).lexically_normal());
}

Failure DirectoryUpdate::failed(const QString& what, const QString& name, int error) const
{
    return { FailureNumber::PathFileAccess, QStringLiteral("%1 %2: %3").arg(what, shown(name), reason(error)) };
}

Failure DirectoryUpdate::notInPlace(const QString& name, int error) const
{
    return { FailureNumber::PathFileAccess, QStringLiteral("cannot put %1 in place: %2").arg(shown(name), reason(error)) };
}

Outcome DirectoryUpdate::mirror()
{
    if (const std::error_code error = mirrorTree(m_target, m_staging, true))
        return Failure { FailureNumber::PathFileAccess,
                         QStringLiteral("cannot copy %1 beside itself: %2").arg(local(m_target), QString::fromStdString(error.message())) };
    return {};
}

Outcome DirectoryUpdate::write(const QString& name, QByteArrayView bytes)
{
    const fs::path file = m_staging / native(name);
    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    if (error)
        return failed(QStringLiteral("cannot write"), name, error.value());
    // What holds the name in the copy is the old file's second name, or a folder in the way.
    if (::unlink(file.c_str()) != 0 && errno != ENOENT)
        return notInPlace(name, errno);
    m_touched.insert(name.section(u'/', 0, 0));
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return failed(QStringLiteral("cannot write"), name, errno);
    int failure = PosixFile::writeAll(fd, bytes);
    if (!failure && ::fsync(fd) != 0)
        failure = errno;
    if (::close(fd) != 0 && !failure)
        failure = errno;
    if (failure)
        return failed(QStringLiteral("cannot write"), name, failure);
    return {};
}

Outcome DirectoryUpdate::remove(const QString& name)
{
    std::error_code error;
    fs::remove_all(m_staging / native(name), error);
    if (error)
        return failed(QStringLiteral("cannot remove"), name, error.value());
    m_touched.insert(name.section(u'/', 0, 0));
    return {};
}

Outcome DirectoryUpdate::adopt(const QString& name)
{
    if (const int error = PosixFile::sync(m_staging / native(name), false))
        return failed(QStringLiteral("cannot write"), name, error);
    m_touched.insert(name.section(u'/', 0, 0));
    return {};
}

Outcome DirectoryUpdate::commit()
{
    if (const int error = syncFolders(m_staging))
        return Failure { FailureNumber::PathFileAccess, QStringLiteral("cannot write %1: %2").arg(local(m_target), reason(error)) };
    if (m_whole) {
        const fs::path staging = m_staging.filename();
        const unsigned flags = m_exists ? RENAME_EXCHANGE : RENAME_NOREPLACE;
        if (::renameat2(m_parentFd, staging.c_str(), m_parentFd, m_name.c_str(), flags) == 0) {
            m_committed = true;
            ::fsync(m_parentFd);
            // The copy's name now holds the old directory.
            std::error_code error;
            fs::remove_all(m_staging, error);
            if (error)
                m_note = QStringLiteral("the old %1 is left at %2: %3").arg(local(m_target), local(m_staging), QString::fromStdString(error.message()));
            return {};
        }
        const int error = errno;
        // File systems without the exchange, a mount point, and a directory of another user's in
        // a sticky parent get the names one at a time.
        if (!m_exists
            || (error != EINVAL && error != ENOSYS && error != ENOTSUP && error != EBUSY && error != EXDEV && error != EPERM && error != EACCES))
            return notInPlace(QString(), error);
        m_whole = false;
    }
    return moveNames();
}

// Moves the changed names from the copy into the directory, a name at a time: a file replaces
// its namesake in one step, a folder takes the place of the one of the same name. What is
// replaced is set aside until the end, so that a move that fails puts back every one before it.
Outcome DirectoryUpdate::moveNames()
{
    const fs::path aside = freshName(m_target, std::string(stagingMark));
    std::error_code error;
    fs::create_directory(aside, error);
    if (error)
        return failed(QStringLiteral("cannot write in"), QString(), error.value());
    QStringList moved;
    const auto putBack = [&]() {
        for (auto name = moved.crbegin(); name != moved.crend(); ++name) {
            std::error_code ignored;
            const fs::path old = aside / native(*name);
            fs::remove_all(m_target / native(*name), ignored);
            if (fs::exists(fs::symlink_status(old)))
                fs::rename(old, m_target / native(*name), ignored);
        }
    };
    QStringList names = m_touched.values();
    names.sort();
    for (const QString& name : names) {
        const fs::path from = m_staging / native(name);
        const fs::path to = m_target / native(name);
        const fs::path old = aside / native(name);
        error.clear();
        const bool present = fs::exists(fs::symlink_status(to));
        if (fs::is_directory(fs::symlink_status(from)) || !fs::exists(fs::symlink_status(from))) {
            if (present)
                fs::rename(to, old, error);
            if (!error && fs::exists(fs::symlink_status(from)))
                fs::rename(from, to, error);
            if (error && present && !fs::exists(fs::symlink_status(to))) {
                std::error_code ignored;
                fs::rename(old, to, ignored);
            }
        } else {
            // A second name for the old file keeps it; the new one replaces it at once.
            if (present && fs::is_regular_file(fs::symlink_status(to))) {
                fs::create_hard_link(to, old, error);
                if (error) {
                    error.clear();
                    fs::copy_file(to, old, error);
                }
            }
            if (!error)
                fs::rename(from, to, error);
        }
        if (error) {
            putBack();
            std::error_code ignored;
            fs::remove_all(aside, ignored);
            return notInPlace(name, error.value());
        }
        moved.append(name);
    }
    m_committed = true;
    PosixFile::sync(m_target, true);
    fs::remove_all(aside, error);
    fs::remove_all(m_staging, error);
    return {};
}
