// The mail attachment store against someone who can reach its folders: a
// root that is a link, a root that others may write to or own, a link
// planted where the attachment goes, and a folder swapped for a link while
// the old folders are being removed. The tests run as root in CI, where
// permission checks of the system itself stop nothing: the store's own
// checks must.

#include "platform/desktop/mail/attachmentstore.h"
#include "support/files.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace yotsumado;

using platform::MailAttachmentStore;

namespace {

const QDateTime kNow(QDate(2026, 12, 6), QTime(14, 30, 15));
const QString kOldFolder = QStringLiteral("20200101T000000Z-abcdef");

using testing::ReadAll;
using testing::WriteFile;

QStringList Files(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

bool Chmod(const QString& path, mode_t mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

} // namespace

class TestMailAttachmentSafety : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    QString T(const QString& relative) const { return tmp_.path() + QLatin1Char('/') + relative; }

    // A store whose root exists, holds nothing of its own, and whose
    // creation and clean-up must be refused; the user's data beside it in
    // "user" must survive everything.
    void ExpectRefused(MailAttachmentStore& store, const QString& userFolder)
    {
        QCOMPARE(store.CreateFolder(kNow), QString());
        QCOMPARE(store.PruneOlderThan(kNow, std::chrono::hours(24)), 0);
        QVERIFY(!store.RemoveFolder(store.Root() + QLatin1Char('/') + kOldFolder));
        QVERIFY(!store.WriteAttachment(store.Root() + QLatin1Char('/') + kOldFolder, QStringLiteral("new.jpg"), "x"));
        QCOMPARE(ReadAll(userFolder + QLatin1Char('/') + kOldFolder + QStringLiteral("/photo.jpg")), QByteArray("user's photo"));
        QCOMPARE(Files(userFolder + QLatin1Char('/') + kOldFolder), QStringList{QStringLiteral("photo.jpg")});
    }

private slots:
    void init() { QVERIFY(tmp_.isValid()); }
    void cleanup()
    {
        // Give every folder back to us so that the temporary folder goes.
        QDir(tmp_.path()).removeRecursively();
        QDir().mkpath(tmp_.path());
    }

    void linkedStoreFolderIsNotFollowed_data()
    {
        QTest::addColumn<QString>("linked");  // which of the store's folders is a link
        QTest::newRow("mail") << "mail";
        QTest::newRow("yotsumado") << "yotsumado";
    }
    void linkedStoreFolderIsNotFollowed()
    {
        QFETCH(QString, linked);
        // The user's folder holds a folder named like an old one of ours.
        const QString user = T(QStringLiteral("user"));
        QVERIFY(WriteFile(user + QLatin1Char('/') + kOldFolder + QStringLiteral("/photo.jpg"), "user's photo"));
        QVERIFY(QDir().mkpath(T(QStringLiteral("cache"))));
        if (linked == QLatin1String("mail")) {
            QVERIFY(QDir().mkpath(T(QStringLiteral("cache/yotsumado"))));
            QVERIFY(QFile::link(user, T(QStringLiteral("cache/yotsumado/mail"))));
        } else {
            QVERIFY(QDir().mkpath(T(QStringLiteral("elsewhere"))));
            QVERIFY(QFile::link(T(QStringLiteral("elsewhere")), T(QStringLiteral("cache/yotsumado"))));
            QVERIFY(QFile::link(user, T(QStringLiteral("elsewhere/mail"))));
        }
        qputenv("XDG_CACHE_HOME", QFile::encodeName(T(QStringLiteral("cache"))));
        MailAttachmentStore store;
        QCOMPARE(store.Root(), T(QStringLiteral("cache/yotsumado/mail")));
        ExpectRefused(store, user);
        QCOMPARE(QDir(user).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{kOldFolder});
    }

    void storeWritableByOthersIsRefused_data()
    {
        QTest::addColumn<uint>("mode");
        QTest::newRow("group may write") << 0770u;
        QTest::newRow("others may write") << 0703u;
        QTest::newRow("everyone may write, sticky") << 01777u;
    }
    void storeWritableByOthersIsRefused()
    {
        QFETCH(uint, mode);
        const QString root = T(QStringLiteral("mail"));
        QVERIFY(WriteFile(root + QLatin1Char('/') + kOldFolder + QStringLiteral("/photo.jpg"), "user's photo"));
        QVERIFY(Chmod(root, mode));
        MailAttachmentStore store(root);
        ExpectRefused(store, root);
        // Made private again, the same store works.
        QVERIFY(Chmod(root, 0700));
        QVERIFY(!store.CreateFolder(kNow).isEmpty());
    }

    void storeOwnedByAnotherUserIsRefused()
    {
        if (::geteuid() != 0)
            QSKIP("only root can give a folder to another user");
        const QString root = T(QStringLiteral("mail"));
        QVERIFY(WriteFile(root + QLatin1Char('/') + kOldFolder + QStringLiteral("/photo.jpg"), "user's photo"));
        QVERIFY(Chmod(root, 0700));
        QCOMPARE(::chown(QFile::encodeName(root).constData(), 65534, 65534), 0);  // nobody
        MailAttachmentStore store(root);
        ExpectRefused(store, root);
        QCOMPARE(::chown(QFile::encodeName(root).constData(), 0, 0), 0);
        QVERIFY(!store.CreateFolder(kNow).isEmpty());
    }

    void plantedAttachmentIsNeitherFollowedNorReplaced_data()
    {
        QTest::addColumn<bool>("asLink");
        QTest::newRow("a link to a private file") << true;
        QTest::newRow("a file of that name") << false;
    }
    void plantedAttachmentIsNeitherFollowedNorReplaced()
    {
        QFETCH(bool, asLink);
        const QString secret = T(QStringLiteral("private/secret"));
        QVERIFY(WriteFile(secret, "root-only data"));
        QVERIFY(Chmod(secret, 0600));
        MailAttachmentStore store(T(QStringLiteral("mail")));
        const QString folder = store.CreateFolder(kNow);
        QVERIFY(!folder.isEmpty());
        const QString planted = folder + QStringLiteral("/202612061430.jpg");
        if (asLink)
            QVERIFY(QFile::link(secret, planted));
        else
            QVERIFY(WriteFile(planted, "planted"));
        QVERIFY(!store.WriteAttachment(folder, QStringLiteral("202612061430.jpg"), "jpeg bytes"));
        QCOMPARE(ReadAll(secret), QByteArray("root-only data"));
        QCOMPARE(QFileInfo(planted).isSymLink(), asLink);
        if (!asLink)
            QCOMPARE(ReadAll(planted), QByteArray("planted"));
        // A free name is written, private to the user.
        QVERIFY(store.WriteAttachment(folder, QStringLiteral("other.jpg"), "jpeg bytes"));
        QCOMPARE(ReadAll(folder + QStringLiteral("/other.jpg")), QByteArray("jpeg bytes"));
        QCOMPARE(int(QFileInfo(folder + QStringLiteral("/other.jpg")).permissions() & 0x0077), 0);
        // Nothing but a plain name inside one of our folders.
        QVERIFY(!store.WriteAttachment(folder, QStringLiteral("../escape.jpg"), "x"));
        QVERIFY(!store.WriteAttachment(T(QStringLiteral("private")), QStringLiteral("x.jpg"), "x"));
        QVERIFY(!QFileInfo::exists(store.Root() + QStringLiteral("/escape.jpg")));
    }

    void folderSwappedForALinkDuringCleanUpLeadsNowhere_data()
    {
        QTest::addColumn<bool>("prune");
        QTest::newRow("pruning old folders") << true;
        QTest::newRow("removing one folder") << false;
    }
    void folderSwappedForALinkDuringCleanUpLeadsNowhere()
    {
        QFETCH(bool, prune);
        // Twenty files of the user's in another folder.
        const QString victim = T(QStringLiteral("victim"));
        QStringList twenty;
        for (int i = 0; i < 20; ++i) {
            twenty << QStringLiteral("file%1.jpg").arg(i, 2, 10, QLatin1Char('0'));
            QVERIFY(WriteFile(victim + QLatin1Char('/') + twenty.last(), "user data"));
        }
        MailAttachmentStore store(T(QStringLiteral("mail")));
        const QString old = store.CreateFolder(kNow.addDays(-3));
        QVERIFY(!old.isEmpty());
        // Our own attachment plus names that match the user's files.
        for (const QString& name : twenty)
            QVERIFY(WriteFile(old + QLatin1Char('/') + name, "ours"));
        // Between the listing and the removal, the folder is moved away and
        // a link to the user's folder takes its name.
        const QString movedAway = T(QStringLiteral("moved"));
        int swaps = 0;
        store.SetRemovalHook([&](const QString& folder) {
            if (folder != old)
                return;
            ++swaps;
            QVERIFY(QFile::rename(folder, movedAway));
            QVERIFY(QFile::link(victim, folder));
        });
        if (prune)
            QCOMPARE(store.PruneOlderThan(kNow, std::chrono::hours(24)), 0);
        else
            QVERIFY(!store.RemoveFolder(old));
        QCOMPARE(swaps, 1);
        QCOMPARE(Files(victim), twenty);
        for (const QString& name : twenty)
            QCOMPARE(ReadAll(victim + QLatin1Char('/') + name), QByteArray("user data"));
        // What was removed was removed from our own folder, wherever it went.
        QCOMPARE(Files(movedAway), QStringList());
        QVERIFY(QFileInfo(old).isSymLink());
    }
};

YOTSUMADO_TEST_MAIN(TestMailAttachmentSafety)
#include "tst_mailattachmentsafety.moc"
