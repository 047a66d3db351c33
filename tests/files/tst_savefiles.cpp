// Saving over the user's files: a save killed halfway leaves nothing behind
// and the old file as it was; a replaced file keeps its permission bits, its
// owner and its group.

#include "codec/atomicfile.h"
#include "support/files.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace yotsumado;

namespace {

using testing::ReadAll;
using testing::WriteFile;

QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

struct stat Stat(const QString& path)
{
    struct stat st {};
    st.st_mode = 0;
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st;
}

bool UnnamedFilesWork(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_TMPFILE | O_WRONLY, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

// Runs the save helper on `path` with the hook that stops before the link,
// kills it there with SIGKILL, and reports whether it did stop there.
bool KillAtTheLink(const QString& path, bool named)
{
    QProcess helper;
    QStringList args{path, QStringLiteral("stop")};
    if (named)
        args << QStringLiteral("named");
    helper.start(QStringLiteral(SAVE_HELPER), args);
    if (!helper.waitForStarted())
        return false;
    QByteArray said;
    while (!said.contains('\n') && helper.waitForReadyRead(30000))
        said += helper.readAllStandardOutput();
    helper.kill();  // SIGKILL
    helper.waitForFinished();
    return said == "ready\n";
}

} // namespace

class TestSaveFiles : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;

private slots:
    void init()
    {
        QVERIFY(tmp_.isValid());
        AtomicFileHooksForTests() = AtomicFileTestHooks();
    }
    void cleanup()
    {
        QDir(tmp_.path()).removeRecursively();
        QDir().mkpath(tmp_.path());
        AtomicFileHooksForTests() = AtomicFileTestHooks();
    }

    void killedSaveLeavesNothingBehind_data()
    {
        QTest::addColumn<bool>("replacing");
        QTest::newRow("new file") << false;
        QTest::newRow("replacing a file") << true;
    }
    void killedSaveLeavesNothingBehind()
    {
        QFETCH(bool, replacing);
        if (!UnnamedFilesWork(tmp_.path()))
            QSKIP("the file system of the temporary folder has no unnamed files");
        const QString target = tmp_.filePath(QStringLiteral("picture.jpg"));
        if (replacing)
            QVERIFY(WriteFile(target, "old contents"));
        for (int round = 0; round < 5; ++round)
            QVERIFY(KillAtTheLink(target, false));
        QCOMPARE(Entries(tmp_.path()), replacing ? QStringList{QStringLiteral("picture.jpg")} : QStringList());
        if (replacing)
            QCOMPARE(ReadAll(target), QByteArray("old contents"));
        // Not stopped, the same save goes through.
        QProcess helper;
        helper.start(QStringLiteral(SAVE_HELPER), {target, QStringLiteral("go")});
        QVERIFY(helper.waitForFinished());
        QCOMPARE(helper.exitCode(), 0);
        QCOMPARE(ReadAll(target), QByteArray("new contents"));
        QCOMPARE(Entries(tmp_.path()), QStringList{QStringLiteral("picture.jpg")});
    }

    void replacedFileKeepsItsPermissionBits_data()
    {
        QTest::addColumn<uint>("mode");
        QTest::addColumn<bool>("named");  // the hidden temporary file's way
        for (const bool named : {false, true}) {
            const char* way = named ? "named temporary" : "unnamed";
            QTest::addRow("0640, %s", way) << 0640u << named;
            QTest::addRow("0600, %s", way) << 0600u << named;
            QTest::addRow("0604, %s", way) << 0604u << named;
            QTest::addRow("0775, %s", way) << 0775u << named;
        }
    }
    void replacedFileKeepsItsPermissionBits()
    {
        QFETCH(uint, mode);
        QFETCH(bool, named);
        AtomicFileHooksForTests().namedTemporaryOnly = named;
        const QString target = tmp_.filePath(QStringLiteral("picture.jpg"));
        QVERIFY(WriteFile(target, "old contents"));
        QCOMPARE(::chmod(QFile::encodeName(target).constData(), mode), 0);
        const mode_t mask = ::umask(077);  // a umask that would take bits away
        WriteFileAtomically(target, "new contents");
        ::umask(mask);
        QCOMPARE(ReadAll(target), QByteArray("new contents"));
        QCOMPARE(uint(Stat(target).st_mode & 07777), mode);
        QCOMPARE(Entries(tmp_.path()), QStringList{QStringLiteral("picture.jpg")});
    }

    void replacedFileKeepsItsOwnerAndGroup_data()
    {
        QTest::addColumn<uint>("uid");
        QTest::addColumn<uint>("gid");
        QTest::addColumn<bool>("named");
        for (const bool named : {false, true}) {
            const char* way = named ? "named temporary" : "unnamed";
            QTest::addRow("another owner and group, %s", way) << 65534u << 65534u << named;
            QTest::addRow("own file, another group, %s", way) << uint(::geteuid()) << 65534u << named;
        }
    }
    void replacedFileKeepsItsOwnerAndGroup()
    {
        QFETCH(uint, uid);
        QFETCH(uint, gid);
        QFETCH(bool, named);
        if (::geteuid() != 0)
            QSKIP("only root can give a file to another user");
        AtomicFileHooksForTests().namedTemporaryOnly = named;
        const QString target = tmp_.filePath(QStringLiteral("picture.jpg"));
        QVERIFY(WriteFile(target, "old contents"));
        QCOMPARE(::chown(QFile::encodeName(target).constData(), uid, gid), 0);
        QCOMPARE(::chmod(QFile::encodeName(target).constData(), 0640), 0);
        WriteFileAtomically(target, "new contents");
        const struct stat st = Stat(target);
        QCOMPARE(ReadAll(target), QByteArray("new contents"));
        QCOMPARE(uint(st.st_uid), uid);
        QCOMPARE(uint(st.st_gid), gid);
        QCOMPARE(uint(st.st_mode & 07777), 0640u);
    }
};

YOTSUMADO_TEST_MAIN(TestSaveFiles)
#include "tst_savefiles.moc"
