// The one save every file of the program goes through: what it cannot save it refuses with
// the system's reason, and the file or node that was there stays exactly as it was.

#include "files/wholefile.h"
#include "support/fulldisk.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace morvane;
using namespace morvane::testing;

namespace
{

const QByteArray kEarlier = "{\"an\": \"earlier file\"}\n";
const QByteArray kNew(3000, 'n');

// The node at a path, through any link: kind and permission bits, owner, device numbers,
// and a regular file's bytes.
QString Described(const QString& path)
{
    struct stat info = {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return QStringLiteral("absent");
    QString text = QString::asprintf("mode %o owner %u:%u device %u,%u", info.st_mode, info.st_uid,
                                     info.st_gid, major(info.st_rdev), minor(info.st_rdev));
    if (S_ISLNK(info.st_mode))
        return text + " to " + Described(QFile::symLinkTarget(path));
    QFile file(path);
    if (S_ISREG(info.st_mode) && file.open(QIODevice::ReadOnly))
        text += " holding " + QString::fromLatin1(file.readAll().toHex());
    return text;
}

bool Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A twin of /dev/null where root may make one, so that a save that wrongly replaced it would
// harm nothing; /dev/null itself for anyone else, who may not replace it.
QString DeviceTwin(const QString& path)
{
    const QByteArray at = QFile::encodeName(path);
    return ::mknod(at.constData(), S_IFCHR | 0666, makedev(1, 3)) == 0 ? path : "/dev/null";
}

// Takes half of what it is given, then has no more room: a disk that fills up meanwhile.
ssize_t HalfThenFull(int fd, const char* data, std::size_t size)
{
    static bool half = false;
    half = !half;
    if (half)
        return ::write(fd, data, size / 2);
    errno = ENOSPC;
    return -1;
}

} // namespace

class TestWholeFile : public QObject
{
    Q_OBJECT
  private slots:
    void init();
    void save_data();
    void save();

  private:
    // The path to save to, with the node the row names made there; empty when it cannot be.
    QString MakeTarget(const QString& target);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FullDisk> m_disk;
};

void TestWholeFile::init()
{
    m_disk.reset();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString TestWholeFile::MakeTarget(const QString& target)
{
    const QString path = m_dir->filePath("site.morvane");
    const QByteArray at = QFile::encodeName(path);
    if (target == "full disk") {
        m_disk = std::make_unique<FullDisk>(m_dir->filePath("disk"));
        if (!m_disk->Mounted()) {
            qInfo("No tmpfs (%s): the disk fills through the save's writer instead.",
                  qPrintable(m_disk->Problem()));
            return Write(path, kEarlier) ? path : QString();
        }
        const QString onDisk = m_disk->FilePath("site.morvane");
        return Write(onDisk, kEarlier) && m_disk->Fill() ? onDisk : QString();
    }
    if (target == "named pipe")
        return ::mkfifo(at.constData(), 0644) == 0 ? path : QString();
    if (target == "device")
        return DeviceTwin(path);
    if (target == "folder")
        return QDir().mkdir(path) ? path : QString();
    if (target == "link to a device")
        return QFile::link(DeviceTwin(m_dir->filePath("null")), path) ? path : QString();
    if (target == "link to a file")
        return Write(m_dir->filePath("real.morvane"), kEarlier) && QFile::link("real.morvane", path)
                   ? path
                   : QString();
    if (target == "link to nothing yet")
        return QFile::link("later.morvane", path) ? path : QString();
    // Someone else's, where root may give it away; else the user's own.
    if (target == "read-only file")
        return Write(path, kEarlier) &&
                       (::geteuid() != 0 || ::chown(at.constData(), 4321, 4321) == 0) &&
                       ::chmod(at.constData(), 0440) == 0
                   ? path
                   : QString();
    if (target == "name of 255 bytes")
        return m_dir->filePath(QString(255 - 8, 'n') + ".morvane");
    if (target == "in a missing folder")
        return m_dir->filePath("absent/site.morvane");
    return path; // nothing there yet
}

void TestWholeFile::save_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("reason"); // what the reason says; empty: saved

    QTest::newRow("full disk") << "full disk"
                               << "No space left on device";
    QTest::newRow("disk full after half") << "disk filling up"
                                          << "No space left on device";
    QTest::newRow("named pipe") << "named pipe"
                                << "This is a named pipe (FIFO), not a regular file";
    QTest::newRow("character device") << "device"
                                      << "This is a device, not a regular file";
    QTest::newRow("folder") << "folder"
                            << "This is a folder, not a file";
    QTest::newRow("missing folder") << "in a missing folder"
                                    << "No such file or directory";
    QTest::newRow("link to a device") << "link to a device"
                                      << "null, which is a device, not a regular file";
    // Root may replace a file nobody may write, and keeps its bits and owner; others may not.
    QTest::newRow("read-only file")
        << "read-only file" << (::geteuid() == 0 ? QString() : "Permission denied");
    QTest::newRow("longest name") << "name of 255 bytes" << QString();
    QTest::newRow("link kept, its file replaced") << "link to a file" << QString();
    QTest::newRow("link kept, its file made") << "link to nothing yet" << QString();
}

void TestWholeFile::save()
{
    QFETCH(QString, target);
    QFETCH(QString, reason);
    const QString path = MakeTarget(target);
    QVERIFY2(!path.isEmpty(), qPrintable("cannot make the " + target));
    const QString before = Described(path);
    const QDir beside(path.startsWith(m_dir->path()) ? QFileInfo(path).path() : m_dir->path());
    const auto entries = [&beside] {
        return beside
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
            .size();
    };
    const qsizetype entriesBefore = entries();

    const bool filling = target == "disk filling up" || (m_disk && !m_disk->Mounted());
    const std::optional<SaveFailure> failure =
        filling ? SaveWholeFile(path, kNew, HalfThenFull) : SaveWholeFile(path, kNew);

    if (!reason.isEmpty()) {
        QVERIFY2(failure, qPrintable(Described(path)));
        QVERIFY2(QString::fromStdString(failure->reason).contains(reason), failure->reason.c_str());
        QCOMPARE(Described(path), before);
        QCOMPARE(entries(), entriesBefore); // nothing left beside it
        return;
    }
    QVERIFY2(!failure, failure ? failure->reason.c_str() : "");
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), kNew);
    // What was there keeps its kind, bits and owner; a link stays a link.
    if (!before.endsWith("absent"))
        QCOMPARE(Described(path), QString(before).replace(kEarlier.toHex(), kNew.toHex()));
    QCOMPARE(QFileInfo(path).isSymLink(), before.contains(" to "));
    QCOMPARE(entries(), entriesBefore + (before.endsWith("absent") ? 1 : 0));
}

QTEST_GUILESS_MAIN(TestWholeFile)
#include "tst_wholefile.moc"
