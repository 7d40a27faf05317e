#include "files/wholefile.h"

#ifdef _WIN32
#include <QFileInfo>
#include <QSaveFile>
#else
#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace morvane
{

#ifdef _WIN32

// Windows replaces a file in one step only through its own calls, which QSaveFile makes.
std::optional<SaveFailure> SaveWholeFile(const QString& path, QByteArrayView bytes)
{
    const QFileInfo info(path);
    if (info.isDir())
        return SaveFailure{"This is a folder, not a file"};
    if (info.exists() && !info.isFile())
        return SaveFailure{"This is a device, not a regular file"};
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(bytes.data(), bytes.size()) != bytes.size() || !file.commit())
        return SaveFailure{file.errorString().toStdString()};
    return std::nullopt;
}

#else

namespace
{

constexpr int kMostLinksFollowed = 40; // the system's own limit on a chain of links
constexpr std::size_t kNameKept = 64;  // of the target's name, in the new file's name
constexpr int kNameAttempts = 100;

SaveFailure SystemFailure(int error)
{
    return {std::strerror(error)};
}

// With its slash; empty for a name in the current folder.
std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

struct Target {
    std::string path;                // after every link
    std::optional<struct stat> info; // nothing when there is no file yet
};

std::optional<SaveFailure> Resolve(std::string path, Target& target)
{
    for (int followed = 0; followed <= kMostLinksFollowed; ++followed) {
        struct stat info = {};
        if (::lstat(path.c_str(), &info) != 0) {
            if (errno != ENOENT)
                return SystemFailure(errno);
            target = {path, std::nullopt};
            return std::nullopt;
        }
        if (!S_ISLNK(info.st_mode)) {
            target = {path, info};
            return std::nullopt;
        }
        char link[PATH_MAX];
        const ssize_t size = ::readlink(path.c_str(), link, sizeof link);
        if (size < 0)
            return SystemFailure(errno);
        if (size == 0 || std::size_t(size) == sizeof link)
            return SystemFailure(size == 0 ? ENOENT : ENAMETOOLONG);
        const std::string to(link, std::size_t(size));
        path = to.front() == '/' ? to : FolderOf(path) + to;
    }
    return SystemFailure(ELOOP);
}

std::optional<SaveFailure> NotAFile(const Target& target, const std::string& given)
{
    const mode_t mode = target.info->st_mode;
    if (S_ISREG(mode))
        return std::nullopt;
    const std::string what = S_ISDIR(mode)                    ? "a folder, not a file"
                             : S_ISCHR(mode) || S_ISBLK(mode) ? "a device, not a regular file"
                             : S_ISFIFO(mode) ? "a named pipe (FIFO), not a regular file"
                             : S_ISSOCK(mode) ? "a socket, not a regular file"
                                              : "not a regular file";
    if (target.path == given)
        return SaveFailure{"This is " + what};
    return SaveFailure{"This is a link to " + target.path + ", which is " + what};
}

// On the target's own file system, so that the rename replaces it in one step.
int CreateBeside(const std::string& target, std::string& created)
{
    const std::string folder = FolderOf(target);
    const std::string name = target.substr(folder.size(), kNameKept);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        char tag[16];
        std::snprintf(tag, sizeof tag, "%08x", QRandomGenerator::global()->generate());
        created = folder + "." + name + "." + tag + ".part";
        const int fd = ::open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// What the earlier file's owner set stays: its permission bits, and its owner and group as
// far as this process may give them (root always may; others may keep at most the group).
std::optional<SaveFailure> KeepOwnerAndMode(int fd, const struct stat& earlier)
{
    if (earlier.st_uid != ::geteuid() || earlier.st_gid != ::getegid()) {
        if (::fchown(fd, earlier.st_uid, earlier.st_gid) != 0 &&
            ::fchown(fd, uid_t(-1), earlier.st_gid) != 0) {
            // The new file is the user's own then, as any program's save makes it.
        }
    }
    // After the owner: a change of owner clears the set-id bits.
    if (::fchmod(fd, earlier.st_mode & 07777) != 0)
        return SystemFailure(errno);
    return std::nullopt;
}

std::optional<SaveFailure> WriteAll(int fd, QByteArrayView bytes, const PieceWriter& write)
{
    const char* next = bytes.data();
    std::size_t left = std::size_t(bytes.size());
    while (left > 0) {
        const ssize_t written = write(fd, next, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return SystemFailure(written < 0 ? errno : EIO);
        next += written;
        left -= std::size_t(written);
    }
    // Bytes the system holds only in memory can still fail on their way to the disk.
    if (::fsync(fd) != 0)
        return SystemFailure(errno);
    return std::nullopt;
}

std::optional<SaveFailure> Close(int fd)
{
    // Linux has closed the file even when interrupted; everything was on the disk already.
    if (::close(fd) != 0 && errno != EINTR)
        return SystemFailure(errno);
    return std::nullopt;
}

// So that the new name, too, survives a power cut. The file is complete and in place
// already, so a folder that cannot be synced does not fail the save.
void SyncFolderOf(const std::string& path)
{
    const std::string folder = FolderOf(path);
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

std::optional<SaveFailure> SaveWholeFile(const QString& path, QByteArrayView bytes,
                                         const PieceWriter& write)
{
    const std::string given = QFile::encodeName(path).toStdString();
    if (given.empty())
        return SystemFailure(ENOENT);
    Target target;
    if (auto failure = Resolve(given, target))
        return failure;
    if (target.info) {
        if (auto failure = NotAFile(target, given))
            return failure;
        // Root may write anything; anyone else is held to the file's permission bits.
        if (::access(target.path.c_str(), W_OK) != 0)
            return SystemFailure(errno);
    }

    std::string created;
    const int fd = CreateBeside(target.path, created);
    if (fd < 0)
        return SystemFailure(errno);
    std::optional<SaveFailure> failure;
    if (target.info)
        failure = KeepOwnerAndMode(fd, *target.info);
    if (!failure)
        failure = WriteAll(fd, bytes, write);
    if (auto closing = Close(fd); !failure)
        failure = closing;
    if (!failure && ::rename(created.c_str(), target.path.c_str()) != 0)
        failure = SystemFailure(errno);
    if (failure) {
        ::unlink(created.c_str());
        return failure;
    }
    SyncFolderOf(target.path);
    return std::nullopt;
}

std::optional<SaveFailure> SaveWholeFile(const QString& path, QByteArrayView bytes)
{
    return SaveWholeFile(path, bytes, [](int fd, const char* data, std::size_t size) {
        return ::write(fd, data, size);
    });
}

#endif

} // namespace morvane
