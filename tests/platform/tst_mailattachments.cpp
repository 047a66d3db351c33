#include "tst_platform.h"

#include "platform/desktop/mail/attachmentstore.h"
#include "support/files.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <cstdio>
#include <sys/stat.h>

using namespace yotsumado;

using namespace platform;

namespace {

const QDateTime kNow(QDate(2026, 12, 6), QTime(14, 30, 15));

unsigned Mode(const QString& path)
{
    struct stat st {};
    if (::lstat(FileNameBytes(path).constData(), &st) != 0)
        return 0xFFFF;
    return st.st_mode & 07777;
}

} // namespace

void TestPlatform::attachmentFolderIsPrivateUnderTheCacheHome()
{
    const QString cache = Tmp(FileNameFromBytes("cach\xE9"));  // a name that is not UTF-8 keeps its bytes
    SetEnv("XDG_CACHE_HOME", cache);
    MailAttachmentStore store;
    QCOMPARE(store.Root(), cache + QStringLiteral("/yotsumado/mail"));
    const QString folder = store.CreateFolder(kNow);
    QVERIFY(!folder.isEmpty());
    QCOMPARE(QFileInfo(folder).absolutePath(), store.Root());
    QVERIFY(store.WriteAttachment(folder, QStringLiteral("a.jpg"), "jpeg"));
    QCOMPARE(Mode(folder), 0700u);
    // The folders made on the way are private too.
    QCOMPARE(Mode(cache), 0700u);
    QCOMPARE(Mode(cache + QStringLiteral("/yotsumado")), 0700u);
    QCOMPARE(Mode(store.Root()), 0700u);
    // Its name tells when it was made.
    QCOMPARE(MailAttachmentStore::FolderTime(QFileInfo(folder).fileName()), kNow.toUTC());
    QCOMPARE(std::rename(FileNameBytes(cache).constData(), FileNameBytes(Tmp(QStringLiteral("c"))).constData()), 0);  // for QTemporaryDir
}

void TestPlatform::cacheHomeDefaultsToDotCache_data()
{
    QTest::addColumn<QString>("cacheHome");  // "-" = unset
    QTest::newRow("unset") << "-";
    QTest::newRow("empty") << "";
    QTest::newRow("relative, which is not allowed") << "relative/cache";
}

void TestPlatform::cacheHomeDefaultsToDotCache()
{
    QFETCH(QString, cacheHome);
    SetEnv("HOME", Tmp(FileNameFromBytes("hom\xE9")));
    if (cacheHome == QLatin1String("-"))
        UnsetEnv("XDG_CACHE_HOME");
    else
        SetEnv("XDG_CACHE_HOME", cacheHome);
    MailAttachmentStore store;
    QCOMPARE(store.Root(), Tmp(FileNameFromBytes("hom\xE9/.cache/yotsumado/mail")));
}

void TestPlatform::everyCommandGetsAFreshFolder()
{
    MailAttachmentStore store(Tmp(QStringLiteral("mail")));
    QStringList folders;
    for (int i = 0; i < 5; ++i) {
        const QString folder = store.CreateFolder(kNow);  // the same second each time
        QVERIFY(!folder.isEmpty());
        QVERIFY(!folders.contains(folder));
        folders << folder;
    }
    QCOMPARE(QDir(store.Root()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 5);
}

void TestPlatform::pruneRemovesOnlyOldFoldersOfThisProgram()
{
    MailAttachmentStore store(Tmp(QStringLiteral("mail")));
    const QString old1 = store.CreateFolder(kNow.addDays(-3));
    const QString old2 = store.CreateFolder(kNow.addSecs(-24 * 3600 - 60));
    const QString recent = store.CreateFolder(kNow.addSecs(-23 * 3600));
    const QString fresh = store.CreateFolder(kNow);
    for (const QString& f : {old1, old2, recent, fresh}) {
        QVERIFY(!f.isEmpty());
        QVERIFY(testing::WriteFile(f + QStringLiteral("/202612061430.jpg"), "jpeg"));
    }
    // Things of others beside them, however old they look.
    const QString foreignDir = store.Root() + QStringLiteral("/20200101T000000Z-abc");  // too short
    QVERIFY(testing::WriteFile(foreignDir + QStringLiteral("/keep.jpg"), "x"));
    const QString foreignFile = store.Root() + QStringLiteral("/20200101T000000Z-abcdef");  // a file
    QVERIFY(testing::WriteFile(foreignFile, "x"));
    const QString target = Tmp(QStringLiteral("user/photos"));
    QVERIFY(testing::WriteFile(target + QStringLiteral("/keep.jpg"), "x"));
    const QString link = store.Root() + QStringLiteral("/20200101T000000Z-zzzzzz");
    QVERIFY(QFile::link(target, link));
    const QString outside = Tmp(QStringLiteral("20200101T000000Z-qqqqqq"));  // beside the store
    QVERIFY(testing::WriteFile(outside + QStringLiteral("/keep.jpg"), "x"));

    QCOMPARE(store.PruneOlderThan(kNow, std::chrono::hours(24)), 2);
    QVERIFY(!QFileInfo::exists(old1));
    QVERIFY(!QFileInfo::exists(old2));
    QVERIFY(QFile::exists(recent + QStringLiteral("/202612061430.jpg")));
    QVERIFY(QFile::exists(fresh + QStringLiteral("/202612061430.jpg")));
    QVERIFY(QFile::exists(foreignDir + QStringLiteral("/keep.jpg")));
    QVERIFY(QFileInfo(foreignFile).isFile());
    QVERIFY(QFileInfo(link).isSymLink());
    QVERIFY(QFile::exists(target + QStringLiteral("/keep.jpg")));
    QVERIFY(QFile::exists(outside + QStringLiteral("/keep.jpg")));

    // A day later the rest goes when the next attachment is kept; with no
    // store folder at all, nothing fails.
    QVERIFY(store.Keep(QStringLiteral("next.jpg"), "jpeg", kNow.addDays(2)).kept);
    QVERIFY(!QFileInfo::exists(recent) && !QFileInfo::exists(fresh));
    MailAttachmentStore none(Tmp(QStringLiteral("absent")));
    QCOMPARE(none.PruneOlderThan(kNow, std::chrono::hours(24)), 0);
    QVERIFY(!QFileInfo::exists(Tmp(QStringLiteral("absent"))));
}

void TestPlatform::pruneLeavesAFolderWithUnexpectedSubfolders()
{
    MailAttachmentStore store(Tmp(QStringLiteral("mail")));
    const QString old = store.CreateFolder(kNow.addDays(-2));
    QVERIFY(!old.isEmpty());
    QVERIFY(testing::WriteFile(old + QStringLiteral("/sub/user.txt"), "not ours to delete"));
    QCOMPARE(store.PruneOlderThan(kNow, std::chrono::hours(24)), 0);
    QVERIFY(QFile::exists(old + QStringLiteral("/sub/user.txt")));
}
