#pragma once
// A real full disk: a small tmpfs mounted on a folder, in a mount namespace of the calling
// thread's own so that nothing stays mounted whatever becomes of the test, and filled once
// the files that must survive are in it. Child processes started from this thread see it.
// Mounting needs root; Problem() says why it could not be made.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace morvane::testing
{

class FullDisk
{
  public:
    explicit FullDisk(const QString& folder) : m_at(QFile::encodeName(folder)), m_folder(folder)
    {
        if (!QDir().mkpath(folder))
            m_problem = "the folder " + folder + " cannot be made";
        else if (::unshare(CLONE_NEWNS) != 0)
            m_problem = "no mount namespace of its own: " + Reason();
        else if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            m_problem = "the mounts cannot be made private: " + Reason();
        else if (::mount("morvane-full", m_at.constData(), "tmpfs", 0, "size=64k,mode=0755") != 0)
            m_problem = "no tmpfs can be mounted: " + Reason();
    }
    ~FullDisk()
    {
        if (m_problem.isEmpty())
            ::umount2(m_at.constData(), MNT_DETACH);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    bool Mounted() const { return m_problem.isEmpty(); }
    QString Problem() const { return m_problem; }
    QString FilePath(const QString& name) const { return QDir(m_folder).filePath(name); }

    // Takes every page left, so that the first byte of any new file fails with ENOSPC.
    bool Fill() const
    {
        const int fd = ::open(QFile::encodeName(FilePath(".filler")).constData(),
                              O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (fd < 0)
            return false;
        static const char page[4096] = {};
        while (::write(fd, page, sizeof page) > 0) {
        }
        const bool full = errno == ENOSPC;
        ::close(fd);
        return full;
    }

  private:
    static QString Reason() { return QString::fromLocal8Bit(std::strerror(errno)); }

    QByteArray m_at;
    QString m_folder;
    QString m_problem;
};

} // namespace morvane::testing
