// Sandboxes: whether this program runs in one, judged from signs a sandbox
// guarantees; and with fake desktop entries of a snap, a flatpak and an
// ordinary mail program as the default handler of mailto:, the attachment
// reaches a sandboxed one from a folder it can read, under the private
// store's rules, and an ordinary one as before.

#include "platform/desktop/sandbox.h"
#include "platform/desktop/sandboxmail.h"
#include "platform/desktop/xdgapplications.h"
#include "platform/mailattachments.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace yotsumado;

using platform::MailMessage;
using platform::SandboxReadableMail;

namespace {

class RecordingMail final : public platform::MailHandOver {
public:
    RecordingMail(QList<MailMessage>* log, int result) : log_(log), result_(result) {}
    int SendMail(const MailMessage& m) override
    {
        log_->append(m);
        QFile f(m.AttachmentPath);
        seen.append(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
        return result_;
    }
    QList<QByteArray> seen;  // the attachment's bytes as the mail program found them
private:
    QList<MailMessage>* log_;
    int result_;
};

bool Write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class TestSandboxMail : public QObject {
    Q_OBJECT
    QTemporaryDir home_;
    QString attachment_;
    const QByteArray bytes_ = QByteArray("\xff\xd8 the composite \xff\xd9", 19);
    RecordingMail* recorder_ = nullptr;

    // A session whose default mail program runs `exec`.
    SandboxReadableMail::Environment Session(const QString& exec)
    {
        const QString apps = home_.filePath(QStringLiteral("share/applications"));
        Write(apps + QStringLiteral("/mail.desktop"),
              "[Desktop Entry]\nType=Application\nName=Mail\nExec=" + exec.toUtf8() + "\n");
        Write(home_.filePath(QStringLiteral("config/mimeapps.list")),
              "[Default Applications]\nx-scheme-handler/mailto=mail.desktop\n");
        platform::XdgDirs dirs;
        dirs.configHome = home_.filePath(QStringLiteral("config"));
        dirs.dataHome = home_.filePath(QStringLiteral("share"));
        const QString pictures = home_.filePath(QStringLiteral("Pictures"));
        return {[dirs] { return dirs; }, [pictures] { return pictures; },
                [] { return QDateTime(QDate(2026, 12, 6), QTime(14, 30)); }};
    }
    QString StoreRoot() const { return SandboxReadableMail::StoreRoot(home_.filePath(QStringLiteral("Pictures"))); }

private slots:
    void init()
    {
        QDir(home_.path()).removeRecursively();
        QDir().mkpath(home_.path());
        attachment_ = home_.filePath(QStringLiteral(".cache/yotsumado/mail/20261206T053000Z-abcdef/202612061430.jpg"));
        QVERIFY(Write(attachment_, bytes_));
        QDir().mkpath(home_.filePath(QStringLiteral("Pictures")));
    }

    void thisProgramInsideASandbox_data()
    {
        // Files made under a fake root ("path=text") and variables
        // ("NAME=value", a value with '/' a folder there).
        QTest::addColumn<QStringList>("signs");
        QTest::addColumn<QString>("program");  // under the fake root
        QTest::addColumn<bool>("inside");
        const QStringList snap{"SNAP=snap/s/1", "SNAP_NAME=s", "snap/s/1/meta/snap.yaml=confinement: strict"};
        QTest::newRow("none") << QStringList{} << "bin/y" << false;
        QTest::newRow("flatpak") << QStringList{".flatpak-info=[Application]"} << "app/bin/y" << true;
        QTest::newRow("FLATPAK_ID inherited") << QStringList{"FLATPAK_ID=org.example.Editor"} << "bin/y" << false;
        QTest::newRow("strict snap") << snap << "snap/s/1/bin/y" << true;
        QTest::newRow("classic snap") << snap + QStringList{"snap/s/1/meta/snap.yaml=confinement: classic"} << "snap/s/1/bin/y" << false;
        QTest::newRow("started by a snap") << snap << "bin/y" << false;
    }
    void thisProgramInsideASandbox()
    {
        QFETCH(QStringList, signs);
        QFETCH(QString, program);
        platform::SandboxSigns s{home_.filePath(QStringLiteral(".flatpak-info")), {}, home_.filePath(program)};
        QVERIFY(Write(s.programPath, "\x7f" "ELF"));
        for (const QString& sign : signs) {
            const QString name = sign.section('=', 0, 0), value = sign.section('=', 1);
            if (name.contains('.'))
                QVERIFY(Write(home_.filePath(name), value.toUtf8() + '\n'));
            else
                s.variables.insert(name, value.contains('/') ? home_.filePath(value) : value);
        }
        QTEST(platform::RunsInsideSandbox(s), "inside");
    }

    void sandboxedProgramsCanReadTheAttachment_data()
    {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<bool>("sandboxed");
        QTest::newRow("snap") << "/snap/bin/thunderbird %u" << true;
        QTest::newRow("snap run") << "/usr/bin/snap run thunderbird %u" << true;
        QTest::newRow("flatpak") << "/usr/bin/flatpak run --branch=stable --arch=x86_64 --command=thunderbird "
                                    "--file-forwarding org.mozilla.Thunderbird @@u %u @@" << true;
        QTest::newRow("plain flatpak name") << "flatpak run org.gnome.Evolution %U" << true;
        QTest::newRow("ordinary") << "thunderbird %u" << false;
        QTest::newRow("ordinary, full path") << "/usr/bin/evolution %U" << false;
        QTest::newRow("a program named like a snap") << "/usr/local/snap/bin/mail %u" << false;
    }
    void sandboxedProgramsCanReadTheAttachment()
    {
        QFETCH(QString, exec);
        QFETCH(bool, sandboxed);
        QList<MailMessage> log;
        auto recorder = std::make_unique<RecordingMail>(&log, 0);
        RecordingMail* seen = recorder.get();
        SandboxReadableMail mail(std::move(recorder), Session(exec));
        QCOMPARE(mail.SendMail({QStringLiteral("(添付画像あり)"), QString(), attachment_}), 0);
        QCOMPARE(log.size(), 1);
        QCOMPARE(log.first().Subject, QStringLiteral("(添付画像あり)"));
        QCOMPARE(seen->seen.first(), bytes_);
        const QString handed = log.first().AttachmentPath;
        if (!sandboxed) {
            QCOMPARE(handed, attachment_);
            QVERIFY(!QFileInfo::exists(StoreRoot()));
            return;
        }
        // A fresh folder of its own in the Pictures folder, nothing hidden on
        // the way from the home folder, the file keeping its name.
        QVERIFY2(handed.startsWith(StoreRoot() + QLatin1Char('/')), qPrintable(handed));
        QVERIFY(!handed.mid(home_.path().size()).contains(QStringLiteral("/.")));
        QCOMPARE(QFileInfo(handed).fileName(), QStringLiteral("202612061430.jpg"));
        QVERIFY(platform::MailAttachmentStore::FolderTime(QFileInfo(handed).dir().dirName()).isValid());
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(QFileInfo(handed).absolutePath()).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0700u);
        QCOMPARE(::stat(QFile::encodeName(handed).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0600u);
        // The mail program reads it later: it stays after the hand-over.
        QVERIFY(QFileInfo(handed).isFile());
    }

    void aCopyTheProgramRefusedIsRemoved()
    {
        QList<MailMessage> log;
        SandboxReadableMail mail(std::make_unique<RecordingMail>(&log, 4), Session(QStringLiteral("/snap/bin/thunderbird %u")));
        QCOMPARE(mail.SendMail({QStringLiteral("s"), QString(), attachment_}), 4);
        QCOMPARE(log.size(), 1);
        QVERIFY(!QFileInfo::exists(log.first().AttachmentPath));
        QVERIFY(QDir(StoreRoot()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
        QVERIFY(QFileInfo(attachment_).isFile());  // the private copy is the Mail command's to manage
    }

    void aPlantedLinkLeadsNowhere()
    {
        // Someone made the store's folder a link to another place: nothing is
        // written there, and the hand-over fails rather than lose the file.
        const QString elsewhere = home_.filePath(QStringLiteral("elsewhere"));
        QVERIFY(QDir().mkpath(elsewhere));
        QVERIFY(QFile::link(elsewhere, StoreRoot()));
        QList<MailMessage> log;
        SandboxReadableMail mail(std::make_unique<RecordingMail>(&log, 0), Session(QStringLiteral("/snap/bin/thunderbird %u")));
        QCOMPARE(mail.SendMail({QStringLiteral("s"), QString(), attachment_}), int(SandboxReadableMail::CopyFailed));
        QVERIFY(log.isEmpty());
        QVERIFY(QDir(elsewhere).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
    }

    void dayOldCopiesAreRemovedByALaterCommand()
    {
        const QString old = StoreRoot() + QStringLiteral("/20261204T010000Z-aaaaaa");
        QVERIFY(QDir().mkpath(old));
        QVERIFY(QFile::setPermissions(StoreRoot(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        QVERIFY(QFile::setPermissions(old, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        QVERIFY(Write(old + QStringLiteral("/202612041000.jpg"), "x"));
        const QString mine = home_.filePath(QStringLiteral("Pictures/holiday.jpg"));
        QVERIFY(Write(mine, "the user's own"));
        QList<MailMessage> log;
        SandboxReadableMail mail(std::make_unique<RecordingMail>(&log, 0), Session(QStringLiteral("/snap/bin/thunderbird %u")));
        QCOMPARE(mail.SendMail({QStringLiteral("s"), QString(), attachment_}), 0);
        QVERIFY(!QFileInfo::exists(old));
        QVERIFY(QFileInfo(mine).isFile());
    }
};

QTEST_GUILESS_MAIN(TestSandboxMail)
#include "tst_sandboxmail.moc"
