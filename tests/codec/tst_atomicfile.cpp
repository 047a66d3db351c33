#include "codectest.h"

#include "codec/atomicfile.h"
#include "codectools.h"
#include "core/filename.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <csignal>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace yotsumado;

using namespace codectest;

namespace {

QString CreateError(const QString& path)
{
    return QStringLiteral("ファイル %1 を作成できません").arg(ShownFileName(path));
}

mode_t ModeOf(const QString& path)
{
    struct stat s {};
    if (::stat(QFile::encodeName(path).constData(), &s) != 0)
        return 0;
    return s.st_mode & 07777;
}

QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// Makes a folder refuse new entries for as long as it lives. A mode of 0555
// does that for an ordinary user; root ignores modes, so there the folder is
// marked immutable instead (ext4 and most other file systems know the flag).
class UnwritableFolder {
public:
    explicit UnwritableFolder(const QString& folder) : folder_(QFile::encodeName(folder))
    {
        ::chmod(folder_.constData(), 0555);
        if (::access(folder_.constData(), W_OK) != 0) {
            ok_ = true;
            return;
        }
        const int fd = ::open(folder_.constData(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            immutable_ = ok_ = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        if (fd >= 0)
            ::close(fd);
    }
    ~UnwritableFolder()
    {
        if (immutable_) {
            const int fd = ::open(folder_.constData(), O_RDONLY | O_DIRECTORY);
            int flags = 0;
            if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
            }
            if (fd >= 0)
                ::close(fd);
        }
        ::chmod(folder_.constData(), 0755);
    }
    UnwritableFolder(const UnwritableFolder&) = delete;
    UnwritableFolder& operator=(const UnwritableFolder&) = delete;
    bool Ok() const { return ok_; }

private:
    QByteArray folder_;
    bool ok_ = false;
    bool immutable_ = false;
};

// Limits the size of any file this process writes, so that writing past it
// fails with EFBIG like a full disk; SIGXFSZ is ignored meanwhile.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        ok_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool Ok() const { return ok_; }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
    bool ok_ = false;
};

} // namespace

void CodecTest::writeReplacesFileAndKeepsItsMode()
{
    const QString folder = Temp(QStringLiteral("replace"));
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/合成.jpg");
    WriteAll(path, "old");
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0640) == 0);
    WriteFileAtomically(path, QByteArray("new contents"));
    QCOMPARE(ReadAll(path), QByteArray("new contents"));
    QCOMPARE(ModeOf(path), mode_t(0640));
    QCOMPARE(Entries(folder), QStringList{QStringLiteral("合成.jpg")});
    // Shorter contents replace longer ones completely; set-id and sticky bits are never passed on.
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 07755) == 0 && ModeOf(path) == 07755);
    WriteFileAtomically(path, QByteArray("x"));
    QCOMPARE(ReadAll(path), QByteArray("x"));
    QCOMPARE(ModeOf(path), mode_t(0755));
}

void CodecTest::newFileGetsModeFromUmask()
{
    const mode_t mask = ::umask(027);
    const QString path = Temp(QStringLiteral("fresh.jpg"));
    WriteFileAtomically(path, QByteArray("data"));
    ::umask(mask);
    QCOMPARE(ReadAll(path), QByteArray("data"));
    QCOMPARE(ModeOf(path), mode_t(0640));
}

void CodecTest::writeThroughSymlinkReplacesLinkedFile()
{
    const QString real = Temp(QStringLiteral("real.jpg"));
    const QString link = Temp(QStringLiteral("link.jpg"));
    WriteAll(real, "old");
    QVERIFY(QFile::link(real, link));
    WriteFileAtomically(link, QByteArray("through the link"));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(ReadAll(real), QByteArray("through the link"));
}

void CodecTest::unwritableFolderGivesCreateErrorAndKeepsOldFile()
{
    const QString folder = Temp(QStringLiteral("locked"));
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/old.jpg");
    WriteAll(path, "old contents");
    {
        UnwritableFolder locked(folder);
        if (!locked.Ok())
            QSKIP("cannot make a folder unwritable here (root on a file system without the immutable flag)");
        QCOMPARE(ErrorOf<EFCreateError>([&] { WriteFileAtomically(path, QByteArray("new")); }), CreateError(path));
        const QString other = folder + QStringLiteral("/new.jpg");
        QCOMPARE(ErrorOf<EFCreateError>([&] { WriteFileAtomically(other, QByteArray("new")); }), CreateError(other));
    }
    QCOMPARE(ReadAll(path), QByteArray("old contents"));
    QCOMPARE(Entries(folder), QStringList{QStringLiteral("old.jpg")});
}

void CodecTest::pathOfFolderGivesCreateError()
{
    const QString folder = Temp(QStringLiteral("a folder.jpg"));
    QVERIFY(QDir().mkpath(folder));
    WriteAll(folder + QStringLiteral("/inside"), "kept");
    QCOMPARE(ErrorOf<EFCreateError>([&] { WriteFileAtomically(folder, QByteArray("new")); }), CreateError(folder));
    QVERIFY(QFileInfo(folder).isDir());
    QCOMPARE(ReadAll(folder + QStringLiteral("/inside")), QByteArray("kept"));
    QCOMPARE(Entries(temp_.path()).filter(QStringLiteral(".yotsumado")), QStringList());
}

void CodecTest::missingFolderOrBadNameGivesCreateError_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing folder") << "no such folder/x.jpg";
    QTest::newRow("name too long") << QString(300, QLatin1Char('n')) + QStringLiteral(".jpg");
    QTest::newRow("name ends in a slash") << "dir.jpg/";
    QTest::newRow("a file used as a folder") << "plain/x.jpg";
    QTest::newRow("a NUL, which ends a name for the system") << QStringLiteral("plain") + QChar(0) + QStringLiteral(".jpg");
}

void CodecTest::missingFolderOrBadNameGivesCreateError()
{
    QFETCH(QString, name);
    const QString folder = Temp(QStringLiteral("names"));
    QVERIFY(QDir().mkpath(folder));
    WriteAll(folder + QStringLiteral("/plain"), "a file");
    const QString path = folder + QLatin1Char('/') + name;
    QCOMPARE(ErrorOf<EFCreateError>([&] { WriteFileAtomically(path, QByteArray("new")); }), CreateError(path));
    QCOMPARE(Entries(folder), QStringList{QStringLiteral("plain")});
}

void CodecTest::failingWriteKeepsOldFileAndLeavesNoTemporary()
{
    // A real failing write: the process may write no file bigger than 4 KiB,
    // so writing 64 KiB stops with EFBIG part way, as on a full disk.
    const QString folder = Temp(QStringLiteral("full"));
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/old.jpg");
    WriteAll(path, "old contents");
    const QByteArray big(64 * 1024, 'j');
    {
        FileSizeLimit limit(4096);
        QVERIFY(limit.Ok());
        QCOMPARE(ErrorOf<EFCreateError>([&] { WriteFileAtomically(path, big); }), CreateError(path));
    }
    QCOMPARE(ReadAll(path), QByteArray("old contents"));
    QCOMPARE(Entries(folder), QStringList{QStringLiteral("old.jpg")});
    // With the limit gone the same write works.
    WriteFileAtomically(path, big);
    QCOMPARE(ReadAll(path), big);
}
