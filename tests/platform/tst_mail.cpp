#include "tst_platform.h"

#include "platform/desktop/detachedlaunch.h"
#include "platform/desktop/freedesktopmail.h"
#include "platform/desktop/mailprograms.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace yotsumado;

using namespace platform;

Q_DECLARE_METATYPE(platform::MailProgramKind)

namespace {

const QString kSubject = QStringLiteral("(添付画像あり)");
const QString kEncodedSubject = QStringLiteral("%28%E6%B7%BB%E4%BB%98%E7%94%BB%E5%83%8F%E3%81%82%E3%82%8A%29");
const QString kEncodedFolder = QStringLiteral("%E3%83%A1%E3%83%BC%E3%83%AB%20%E3%83%86%E3%82%B9%E3%83%88");

// Short waits keep the tests quick; the real default is a few seconds.
constexpr std::chrono::milliseconds kShortWait{500};
constexpr std::chrono::milliseconds kLongWait{20000};

MailMessage Message(const QString& attachment)
{
    return MailMessage{kSubject, QString(), attachment};
}

long long ReadPid(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    return f.readAll().trimmed().toLongLong();
}

bool Alive(long long pid)
{
    return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) == 0;
}

} // namespace

void TestPlatform::mailProgramIsIdentifiedFromItsExecLine_data()
{
    QTest::addColumn<QStringList>("exec");
    QTest::addColumn<MailProgramKind>("kind");
    QTest::addColumn<QStringList>("launcher");
    using K = MailProgramKind;
    QTest::newRow("thunderbird") << QStringList{"thunderbird"} << K::Thunderbird << QStringList{"thunderbird"};
    QTest::newRow("thunderbird by path") << QStringList{"/usr/lib/thunderbird/thunderbird"} << K::Thunderbird
                                         << QStringList{"/usr/lib/thunderbird/thunderbird"};
    QTest::newRow("snap") << QStringList{"/snap/bin/thunderbird"} << K::Thunderbird
                          << QStringList{"/snap/bin/thunderbird"};
    QTest::newRow("icedove") << QStringList{"icedove"} << K::Thunderbird << QStringList{"icedove"};
    QTest::newRow("betterbird") << QStringList{"betterbird"} << K::Thunderbird << QStringList{"betterbird"};
    QTest::newRow("seamonkey") << QStringList{"seamonkey", "-mail"} << K::Thunderbird << QStringList{"seamonkey"};
    QTest::newRow("evolution") << QStringList{"evolution"} << K::Evolution << QStringList{"evolution"};
    QTest::newRow("kmail drops its own options") << QStringList{"kmail", "-qwindowtitle", "KMail"} << K::KMail
                                                 << QStringList{"kmail"};
    QTest::newRow("claws-mail") << QStringList{"claws-mail", "--compose"} << K::ClawsMail
                                << QStringList{"claws-mail"};
    QTest::newRow("sylpheed") << QStringList{"sylpheed"} << K::ClawsMail << QStringList{"sylpheed"};
    QTest::newRow("env wrapper") << QStringList{"env", "-u", "X", "GDK_BACKEND=x11", "thunderbird"} << K::Thunderbird
                                 << QStringList{"env", "-u", "X", "GDK_BACKEND=x11", "thunderbird"};
    QTest::newRow("flatpak with command")
        << QStringList{"/usr/bin/flatpak", "run", "--branch=stable", "--command=thunderbird", "--file-forwarding",
                       "org.mozilla.Thunderbird", "@@u", "@@"}
        << K::Thunderbird
        << QStringList{"/usr/bin/flatpak", "run", "--branch=stable", "--command=thunderbird", "org.mozilla.Thunderbird"};
    QTest::newRow("flatpak by id") << QStringList{"flatpak", "run", "org.gnome.Evolution"} << K::Evolution
                                   << QStringList{"flatpak", "run", "org.gnome.Evolution"};
    QTest::newRow("firefox web mail") << QStringList{"firefox"} << K::DropsAttachments << QStringList{"firefox"};
    QTest::newRow("chrome app") << QStringList{"/opt/google/chrome/google-chrome", "--app-id=x"}
                                << K::DropsAttachments << QStringList{"/opt/google/chrome/google-chrome"};
    QTest::newRow("mutt") << QStringList{"mutt"} << K::DropsAttachments << QStringList{"mutt"};
    QTest::newRow("unknown") << QStringList{"geary"} << K::Other << QStringList{"geary"};
    QTest::newRow("name only looks alike") << QStringList{"thunderbird-helper"} << K::Other
                                           << QStringList{"thunderbird-helper"};
}

void TestPlatform::mailProgramIsIdentifiedFromItsExecLine()
{
    QFETCH(QStringList, exec);
    QFETCH(MailProgramKind, kind);
    QFETCH(QStringList, launcher);
    const MailProgram program = IdentifyMailProgram(exec);
    QCOMPARE(static_cast<int>(program.kind), static_cast<int>(kind));
    QCOMPARE(program.launcher, launcher);
}

void TestPlatform::thunderbirdValuesCannotBreakOutOfTheirQuotes()
{
    const MailProgram tb{MailProgramKind::Thunderbird, {QStringLiteral("thunderbird")}};
    const auto command = BuildMailCommand(
        tb, MailMessage{QStringLiteral("it's, done"), QString(), FileNameFromBytes("/tmp/a'b,c\xE9/x y.jpg")});
    QVERIFY(command);
    QCOMPARE(command->program, QStringLiteral("thunderbird"));
    QCOMPARE(command->arguments,
             (QStringList{QStringLiteral("-compose"),
                          QStringLiteral("subject='it\u2019s, done',attachment='file:///tmp/a%27b%2Cc%E9/x%20y.jpg'")}));
}

void TestPlatform::bodyIsPassedWhenThereIsOne()
{
    const MailMessage m{QStringLiteral("S"), QStringLiteral("Hello & bye"), QStringLiteral("/p/a.jpg")};
    const auto kmail = BuildMailCommand({MailProgramKind::KMail, {QStringLiteral("kmail")}}, m);
    QCOMPARE(kmail->arguments, (QStringList{"--subject", "S", "--body", "Hello & bye", "--attach", "/p/a.jpg"}));
    const auto evolution = BuildMailCommand({MailProgramKind::Evolution, {QStringLiteral("evolution")}}, m);
    QCOMPARE(evolution->arguments,
             QStringList{"mailto:?subject=S&body=Hello%20%26%20bye&attach=file%3A%2F%2F%2Fp%2Fa.jpg"});
    const auto tb = BuildMailCommand({MailProgramKind::Thunderbird, {QStringLiteral("thunderbird")}}, m);
    QCOMPARE(tb->arguments, (QStringList{"-compose", "subject='S',body='Hello & bye',attachment='file:///p/a.jpg'"}));
    const auto other = BuildMailCommand({MailProgramKind::Other, {QStringLiteral("geary")}}, m);
    QCOMPARE(other->program, QStringLiteral("xdg-email"));
    QCOMPARE(other->arguments,
             (QStringList{"--utf8", "--subject", "S", "--body", "Hello & bye", "--attach", "/p/a.jpg"}));
    QVERIFY(!BuildMailCommand({MailProgramKind::DropsAttachments, {QStringLiteral("firefox")}}, m));
}

void TestPlatform::eachMailProgramGetsTheMessageItsOwnWay_data()
{
    // {path} is the attachment's path, {url} its encoded file URL.
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QString>("program");  // the fake that must receive the message
    QTest::addColumn<QStringList>("expected");
    const QString tbArg = QStringLiteral("subject='(添付画像あり)',attachment='{url}'");
    QTest::newRow("thunderbird") << "thunderbird.desktop" << "thunderbird %u" << "thunderbird"
                                 << QStringList{"-compose", tbArg};
    QTest::newRow("icedove") << "icedove.desktop" << "icedove %u" << "icedove" << QStringList{"-compose", tbArg};
    QTest::newRow("betterbird") << "eu.betterbird.Betterbird.desktop" << "betterbird %u" << "betterbird"
                                << QStringList{"-compose", tbArg};
    QTest::newRow("kmail") << "org.kde.kmail2.desktop" << "kmail -qwindowtitle %c %u" << "kmail"
                           << QStringList{"--subject", "(添付画像あり)", "--attach", "{path}"};
    QTest::newRow("claws-mail") << "claws-mail.desktop" << "claws-mail --compose %u" << "claws-mail"
                                << QStringList{"--compose", "mailto:?subject=" + kEncodedSubject, "--attach",
                                               "{path}"};
    QTest::newRow("xdg-email for others") << "org.gnome.Geary.desktop" << "geary %U" << "xdg-email"
                                          << QStringList{"--utf8", "--subject", "(添付画像あり)", "--attach",
                                                         "{path}"};
}

void TestPlatform::eachMailProgramGetsTheMessageItsOwnWay()
{
    QFETCH(QString, id);
    QFETCH(QString, exec);
    QFETCH(QString, program);
    QFETCH(QStringList, expected);
    UsePrivateDesktop();
    WriteFakeProgram(program);
    MakeDefaultMailer(id, exec);
    const QString attachment = MakeAttachment();
    const QString url = QStringLiteral("file://") + Tmp() + QLatin1Char('/') + kEncodedFolder
        + QStringLiteral("/202612061430.jpg");
    for (QString& arg : expected)
        arg.replace(QStringLiteral("{path}"), attachment).replace(QStringLiteral("{url}"), url);

    FreedesktopMail mail(kLongWait);
    QCOMPARE(mail.SendMail(Message(attachment)), 0);
    QCOMPARE(RecordedArgs(program), expected);
}

void TestPlatform::evolutionGetsAnEncodedMailtoUrl()
{
    UsePrivateDesktop();
    WriteFakeProgram(QStringLiteral("evolution"));
    MakeDefaultMailer(QStringLiteral("org.gnome.Evolution.desktop"), QStringLiteral("evolution %U"));
    const QString attachment = MakeAttachment();
    FreedesktopMail mail(kLongWait);
    QCOMPARE(mail.SendMail(Message(attachment)), 0);
    const QStringList args = RecordedArgs(QStringLiteral("evolution"));
    QCOMPARE(args.size(), 1);
    const QString prefix = QStringLiteral("mailto:?subject=") + kEncodedSubject + QStringLiteral("&attach=");
    QVERIFY2(args.at(0).startsWith(prefix), qPrintable(args.at(0)));
    const QString attach = args.at(0).mid(prefix.size());
    // One value of the URL: nothing in it may end it or start another.
    QVERIFY2(!attach.contains(QLatin1Char('&')) && !attach.contains(QLatin1Char('/'))
                 && !attach.contains(QLatin1Char(' ')),
             qPrintable(attach));
    const QString fileUrl = QUrl::fromPercentEncoding(attach.toLatin1());
    QCOMPARE(fileUrl, QStringLiteral("file://") + Tmp() + QLatin1Char('/') + kEncodedFolder
                          + QStringLiteral("/202612061430.jpg"));
    QCOMPARE(QUrl(fileUrl).toLocalFile(), attachment);
}

void TestPlatform::flatpakThunderbirdIsStartedThroughFlatpak()
{
    UsePrivateDesktop();
    WriteFakeProgram(QStringLiteral("flatpak"));
    MakeDefaultMailer(QStringLiteral("org.mozilla.Thunderbird.desktop"),
                      QStringLiteral("flatpak run --branch=stable --arch=x86_64 --command=thunderbird "
                                     "--file-forwarding org.mozilla.Thunderbird @@u %u @@"));
    const QString attachment = MakeAttachment();
    FreedesktopMail mail(kLongWait);
    QCOMPARE(mail.SendMail(Message(attachment)), 0);
    const QStringList args = RecordedArgs(QStringLiteral("flatpak"));
    QCOMPARE(args.mid(0, 6), (QStringList{"run", "--branch=stable", "--arch=x86_64", "--command=thunderbird",
                                          "org.mozilla.Thunderbird", "-compose"}));
    QCOMPARE(args.size(), 7);
    QVERIFY(args.at(6).startsWith(QStringLiteral("subject='(添付画像あり)',attachment='file://")));
}

void TestPlatform::mailFailsWhenTheProgramReportsAnError()
{
    UsePrivateDesktop();
    WriteFakeProgram(QStringLiteral("thunderbird"), "exit 3");
    MakeDefaultMailer(QStringLiteral("thunderbird.desktop"), QStringLiteral("thunderbird %u"));
    FreedesktopMail mail(kLongWait);
    QCOMPARE(mail.SendMail(Message(MakeAttachment())), int(FreedesktopMail::CommandFailed));
    QVERIFY(Ran(QStringLiteral("thunderbird")));
}

void TestPlatform::mailFailsWhenTheProgramIsKilled()
{
    UsePrivateDesktop();
    WriteFakeProgram(QStringLiteral("kmail"), "kill -9 $$");
    MakeDefaultMailer(QStringLiteral("kmail.desktop"), QStringLiteral("kmail %u"));
    FreedesktopMail mail(kLongWait);
    QCOMPARE(mail.SendMail(Message(MakeAttachment())), int(FreedesktopMail::CommandFailed));
    QVERIFY(Ran(QStringLiteral("kmail")));
}

void TestPlatform::mailFailsWithoutADefaultProgram()
{
    UsePrivateDesktop();
    WriteFakeProgram(QStringLiteral("xdg-email"));
    FreedesktopMail mail(kLongWait);
    QCOMPARE(mail.SendMail(Message(MakeAttachment())), int(FreedesktopMail::NoMailProgram));
    QVERIFY(!Ran(QStringLiteral("xdg-email")));
}

void TestPlatform::mailFailsWhenTheDefaultProgramIsMissing()
{
    UsePrivateDesktop();
    MakeDefaultMailer(QStringLiteral("thunderbird.desktop"), QStringLiteral("thunderbird %u"));
    FreedesktopMail mail(kLongWait);
    QCOMPARE(mail.SendMail(Message(MakeAttachment())), int(FreedesktopMail::CommandMissing));
    MakeDefaultMailer(QStringLiteral("thunderbird.desktop"), Tmp(QStringLiteral("bin/thunderbird")) + " %u");
    QCOMPARE(mail.SendMail(Message(MakeAttachment())), int(FreedesktopMail::CommandMissing));
}

void TestPlatform::mailFailsWhenXdgEmailIsMissing()
{
    UsePrivateDesktop();
    WriteFakeProgram(QStringLiteral("geary"));
    MakeDefaultMailer(QStringLiteral("org.gnome.Geary.desktop"), QStringLiteral("geary %U"));
    FreedesktopMail mail(kLongWait);
    QCOMPARE(mail.SendMail(Message(MakeAttachment())), int(FreedesktopMail::CommandMissing));
    QVERIFY(!Ran(QStringLiteral("geary")));
}

void TestPlatform::mailFailsForProgramsThatDropAttachments()
{
    UsePrivateDesktop();
    WriteFakeProgram(QStringLiteral("firefox"));
    WriteFakeProgram(QStringLiteral("xdg-email"));
    MakeDefaultMailer(QStringLiteral("userapp-Firefox-ABC123.desktop"), QStringLiteral("firefox %u"));
    FreedesktopMail mail(kLongWait);
    QCOMPARE(mail.SendMail(Message(MakeAttachment())), int(FreedesktopMail::DropsAttachments));
    QVERIFY(!Ran(QStringLiteral("firefox")));
    QVERIFY(!Ran(QStringLiteral("xdg-email")));
}

void TestPlatform::mailFailsWhenTheAttachmentIsMissing()
{
    UsePrivateDesktop();
    WriteFakeProgram(QStringLiteral("thunderbird"));
    MakeDefaultMailer(QStringLiteral("thunderbird.desktop"), QStringLiteral("thunderbird %u"));
    FreedesktopMail mail(kLongWait);
    QCOMPARE(mail.SendMail(Message(Tmp(QStringLiteral("gone.jpg")))), int(FreedesktopMail::AttachmentMissing));
    QVERIFY(!Ran(QStringLiteral("thunderbird")));
}

void TestPlatform::mailProgramStillRunningIsAcceptedAndLeftRunning()
{
    UsePrivateDesktop();
    // The fake mail program opens its "compose window" and stays.
    WriteFakeProgram(QStringLiteral("thunderbird"), "exec /bin/sleep 30");
    MakeDefaultMailer(QStringLiteral("thunderbird.desktop"), QStringLiteral("thunderbird %u"));
    long long pid = -1;
    {
        FreedesktopMail mail(kShortWait);
        QCOMPARE(mail.SendMail(Message(MakeAttachment())), 0);
        pid = ReadPid(Tmp(QStringLiteral("calls/thunderbird.pid")));
        startedPids_ << pid;
        QVERIFY(Alive(pid));
    }
    // Neither the hand-over's end nor our own could take it down: it is no
    // child of ours.
    QVERIFY(Alive(pid));
    errno = 0;
    QCOMPARE(::waitpid(static_cast<pid_t>(pid), nullptr, WNOHANG), -1);
    QCOMPARE(errno, ECHILD);
}

void TestPlatform::changedDefaultIsUsedAtTheNextSend()
{
    UsePrivateDesktop();
    WriteFakeProgram(QStringLiteral("thunderbird"));
    WriteFakeProgram(QStringLiteral("evolution"));
    FreedesktopMail mail(kLongWait);
    MakeDefaultMailer(QStringLiteral("thunderbird.desktop"), QStringLiteral("thunderbird %u"));
    QCOMPARE(mail.SendMail(Message(MakeAttachment())), 0);
    MakeDefaultMailer(QStringLiteral("evolution.desktop"), QStringLiteral("evolution %U"));
    QCOMPARE(mail.SendMail(Message(MakeAttachment())), 0);
    QVERIFY(Ran(QStringLiteral("thunderbird")));
    QVERIFY(Ran(QStringLiteral("evolution")));
}

void TestPlatform::launchReportsTheExitStatus_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("accepted");
    using O = LaunchResult::Outcome;
    QTest::newRow("success") << "exit 0" << int(O::Exited) << 0 << true;
    QTest::newRow("error") << "exit 7" << int(O::Exited) << 7 << false;
    QTest::newRow("killed") << "kill -9 $$" << int(O::Crashed) << -1 << false;
    QTest::newRow("reads no terminal") << "read line; exit $?" << int(O::Exited) << 1 << false;
    QTest::newRow("keeps running") << "exec /bin/sleep 30" << int(O::StillRunning) << -1 << true;
}

void TestPlatform::launchReportsTheExitStatus()
{
    QFETCH(QString, script);
    QFETCH(int, outcome);
    QFETCH(int, exitCode);
    QFETCH(bool, accepted);
    const bool keepsRunning = outcome == int(LaunchResult::Outcome::StillRunning);
    const LaunchResult r = LaunchDetached(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script},
                                          keepsRunning ? kShortWait : kLongWait);
    startedPids_ << r.pid;
    QCOMPARE(int(r.outcome), outcome);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.Accepted(), accepted);
    QVERIFY(r.pid > 0);
    if (keepsRunning)
        QVERIFY(Alive(r.pid));
}

void TestPlatform::launchPassesArgumentsWithoutAShell()
{
    UsePrivateDesktop();
    WriteFakeProgram(QStringLiteral("echoer"));
    const QStringList args{QStringLiteral("two words"), QStringLiteral("$HOME"), QStringLiteral("; rm -rf x"),
                           QStringLiteral("'\"`"), QStringLiteral("(添付画像あり)"), QString()};
    const LaunchResult r = LaunchDetached(QStringLiteral("echoer"), args, kLongWait);
    QCOMPARE(int(r.outcome), int(LaunchResult::Outcome::Exited));
    QCOMPARE(RecordedArgs(QStringLiteral("echoer")), args);
}

void TestPlatform::launchedProgramInheritsNoDescriptors()
{
    UsePrivateDesktop();
    // A descriptor of ours without close-on-exec, as a library might leave.
    // Numbered 100 or above: the shell running the fake program keeps its
    // own descriptors at 10 and 11, which a low number could meet.
    const int opened = ::open("/dev/null", O_RDONLY);
    QVERIFY(opened > 2);
    const int leaked = ::fcntl(opened, F_DUPFD, 100);
    ::close(opened);
    QVERIFY(leaked >= 100);
    WriteFakeProgram(QStringLiteral("lister"), "/bin/ls /proc/$$/fd > '" + QFile::encodeName(Tmp("calls/fds")) + "'");
    const LaunchResult r = LaunchDetached(QStringLiteral("lister"), {}, kLongWait);
    ::close(leaked);
    QCOMPARE(int(r.outcome), int(LaunchResult::Outcome::Exited));
    QFile f(Tmp(QStringLiteral("calls/fds")));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> fds = f.readAll().split('\n');
    QVERIFY2(!fds.contains(QByteArray::number(leaked)), qPrintable(QString::number(leaked)));
}

void TestPlatform::launchOfAMissingProgramIsNotFound()
{
    UsePrivateDesktop();
    QCOMPARE(int(LaunchDetached(QStringLiteral("no-such-mailer"), {}, kLongWait).outcome),
             int(LaunchResult::Outcome::NotFound));
    QCOMPARE(int(LaunchDetached(Tmp(QStringLiteral("bin/none")), {}, kLongWait).outcome),
             int(LaunchResult::Outcome::NotFound));
    WriteFile(Tmp(QStringLiteral("bin/notexec")), "#!/bin/sh\n");
    QCOMPARE(int(LaunchDetached(Tmp(QStringLiteral("bin/notexec")), {}, kLongWait).outcome),
             int(LaunchResult::Outcome::NotFound));
}

void TestPlatform::launchWaitKeepsTheEventLoopRunning()
{
    // While the hand-over waits, timers and repaints go on: the window does
    // not freeze.
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(20);
    const LaunchResult r = LaunchDetached(QStringLiteral("/bin/sleep"), {QStringLiteral("30")}, kShortWait);
    startedPids_ << r.pid;
    QCOMPARE(int(r.outcome), int(LaunchResult::Outcome::StillRunning));
    QVERIFY2(ticks >= 3, qPrintable(QString::number(ticks)));
}
