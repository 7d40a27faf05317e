#include "files/recordlog.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#else
#include <sys/file.h>
#include <unistd.h>
#endif

namespace morvane
{

namespace
{

constexpr std::string_view kNotAFile = "This is a device, pipe, socket or folder, not a file";

std::string SystemReason(int error)
{
    return std::strerror(error != 0 ? error : EIO);
}

#ifdef _WIN32
// Windows has no flock; its appends are whole for one writer, which is what a station is.
int OpenAppending(const QString& path)
{
    return ::_wopen(reinterpret_cast<const wchar_t*>(path.utf16()),
                    _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY, _S_IREAD | _S_IWRITE);
}
bool Lock(int)
{
    return true;
}
void Unlock(int) {}
long long SizeOf(int fd)
{
    return ::_filelengthi64(fd);
}
bool IsRegularFile(int)
{
    return true;
}
bool Sync(int fd)
{
    return ::_commit(fd) == 0;
}
void TakeBack(int fd, long long size)
{
    ::_chsize_s(fd, size);
}
long long WriteOnce(int fd, const char* data, std::size_t size)
{
    return ::_write(fd, data, unsigned(size));
}
#else
// A pipe that came in place of the file since it was looked at must not hold the open up.
int OpenAppending(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644);
    if (fd >= 0)
        ::fcntl(fd, F_SETFL, O_APPEND);
    return fd;
}
bool Lock(int fd)
{
    while (::flock(fd, LOCK_EX) != 0)
        if (errno != EINTR)
            return false;
    return true;
}
void Unlock(int fd)
{
    ::flock(fd, LOCK_UN);
}
long long SizeOf(int fd)
{
    struct stat info {
    };
    return ::fstat(fd, &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}
bool IsRegularFile(int fd)
{
    struct stat info {
    };
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}
bool Sync(int fd)
{
    return ::fsync(fd) == 0;
}
void TakeBack(int fd, long long size)
{
    (void)::ftruncate(fd, static_cast<off_t>(size));
}
long long WriteOnce(int fd, const char* data, std::size_t size)
{
    ssize_t written;
    do
        written = ::write(fd, data, size);
    while (written < 0 && errno == EINTR);
    return written;
}
#endif

void Close(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

RecordLog::~RecordLog()
{
    Close(m_fd);
}

bool RecordLog::IsOpen() const
{
    return m_fd >= 0;
}

std::optional<std::string> RecordLog::Open(const QString& path, const QByteArray& header)
{
    Close(m_fd);
    errno = 0;
    const QFileInfo info(path);
    if (info.exists() && !info.isFile() && !info.isDir())
        return std::string(kNotAFile);
    m_fd = OpenAppending(path);
    if (m_fd < 0)
        return SystemReason(errno);
    if (!IsRegularFile(m_fd)) {
        Close(m_fd);
        return std::string(kNotAFile);
    }
    if (std::optional<std::string> failed = AppendLocked(header, true)) {
        Close(m_fd);
        return failed;
    }
    return std::nullopt;
}

std::optional<std::string> RecordLog::Append(const QByteArray& record)
{
    if (m_fd < 0)
        return SystemReason(EBADF);
    return AppendLocked(record, false);
}

// The size is taken under the lock, so that it is where this record begins.
std::optional<std::string> RecordLog::AppendLocked(const QByteArray& record, bool onlyIfEmpty)
{
    errno = 0;
    if (!Lock(m_fd))
        return SystemReason(errno);
    const long long before = SizeOf(m_fd);
    std::optional<std::string> failure;
    if (before < 0) {
        failure = SystemReason(errno);
    } else if (!onlyIfEmpty || before == 0) {
        errno = 0;
        const long long written = WriteOnce(m_fd, record.constData(), std::size_t(record.size()));
        if (written != record.size()) {
            failure = SystemReason(errno != 0 ? errno : ENOSPC);
            TakeBack(m_fd, before);
        } else if (!Sync(m_fd)) {
            failure = SystemReason(errno);
        }
    }
    Unlock(m_fd);
    return failure;
}

} // namespace morvane
