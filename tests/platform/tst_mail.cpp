#include "tst_platform.h"

#include "platform/desktop/mail/defaultmailprogram.h"
#include "platform/desktop/mail/desktopmail.h"
#include "platform/desktop/mail/detachedlaunch.h"
#include "platform/desktop/mail/mailprograms.h"
#include "platform/desktop/mail/sandbox.h"
#include "support/files.h"

#include <QDir>
#include <QElapsedTimer>
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

using testing::FilesBelow;

Q_DECLARE_METATYPE(platform::MailProgramKind)
Q_DECLARE_METATYPE(platform::MailOutcome)

namespace {

const QString kSubject = QStringLiteral("(添付画像あり)");
const QString kEncodedSubject = QStringLiteral("%28%E6%B7%BB%E4%BB%98%E7%94%BB%E5%83%8F%E3%81%82%E3%82%8A%29");
const QByteArray kJpeg("\xFF\xD8\xFF\xE0 not really a JPEG");

// Short waits keep the tests quick; the real default is a few seconds.
constexpr std::chrono::milliseconds kShortWait{500};
constexpr std::chrono::milliseconds kLongWait{20000};

MailMessage Message()
{
    return MailMessage{kSubject, QStringLiteral("202612061430.jpg"), kJpeg};
}

long long ReadPid(const QString& file)
{
    return testing::ReadAll(file).trimmed().toLongLong();
}

bool Alive(long long pid)
{
    return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) == 0;
}

// The hand-over with the default mail program's Exec line given ("": none)
// and its stores in the test's folder: a private one whose path has a blank,
// a quote, a comma and non-ASCII letters, as a home folder may, none of
// which may end an argument's value early; and a readable one.
DesktopMail::Settings Settings(const QString& root, const QString& exec, std::chrono::milliseconds wait = kLongWait)
{
    DesktopMail::Settings s;
    s.privateStore = root + QStringLiteral("/メール テスト's, 1/mail");
    s.readableStore = [root] { return root + QStringLiteral("/Pictures/yotsumado-mail"); };
    s.defaultCommand = [exec] { return exec.isEmpty() ? std::nullopt : SplitExec(exec); };
    s.acceptAfter = wait;
    return s;
}

} // namespace

void TestPlatform::execLineSplitsByTheQuotingRules_data()
{
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QStringList>("expected");  // empty: refused
    QTest::newRow("plain") << "thunderbird %u" << QStringList{"thunderbird"};
    QTest::newRow("extra blanks") << "  kmail   -q  %U " << QStringList{"kmail", "-q"};
    QTest::newRow("double quotes") << R"("/opt/My Mail/mailer" --x "a b")"
                                   << QStringList{"/opt/My Mail/mailer", "--x", "a b"};
    QTest::newRow("escapes in quotes") << R"(run "say \"hi\" \$HOME \`x\` \\ end")"
                                       << QStringList{"run", R"(say "hi" $HOME `x` \ end)"};
    QTest::newRow("file code inside quotes drops the argument") << "sh -c 'mailer %u'"
                                                               << QStringList{"sh", "-c"};
    QTest::newRow("every field code drops its argument") << "kmail -qwindowtitle %c %i --file=%f %d --go"
                                                        << QStringList{"kmail", "-qwindowtitle", "--go"};
    QTest::newRow("percent sign") << "mailer --ratio=100%% %F" << QStringList{"mailer", "--ratio=100%"};
    QTest::newRow("unclosed quote") << R"(mailer "open)" << QStringList{};
    QTest::newRow("nothing left") << "%u" << QStringList{};
}

void TestPlatform::execLineSplitsByTheQuotingRules()
{
    QFETCH(QString, exec);
    QFETCH(QStringList, expected);
    QCOMPARE(SplitExec(exec).value_or(QStringList()), expected);
}

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

void TestPlatform::sandboxedMailProgramsAreRecognised_data()
{
    QTest::addColumn<QString>("exec");
    QTest::addColumn<bool>("sandboxed");
    QTest::newRow("snap") << "/snap/bin/thunderbird %u" << true;
    QTest::newRow("snap run") << "/usr/bin/snap run thunderbird %u" << true;
    QTest::newRow("flatpak") << "flatpak run org.gnome.Evolution %U" << true;
    QTest::newRow("ordinary") << "/usr/bin/evolution %U" << false;
    QTest::newRow("a program named like a snap") << "/usr/local/snap/bin/mail %u" << false;
}

void TestPlatform::sandboxedMailProgramsAreRecognised()
{
    QFETCH(QString, exec);
    QFETCH(bool, sandboxed);
    QCOMPARE(RunsSandboxed(SplitExec(exec).value()), sandboxed);
}

void TestPlatform::thisProgramInsideASandbox_data()
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

void TestPlatform::thisProgramInsideASandbox()
{
    QFETCH(QStringList, signs);
    QFETCH(QString, program);
    SandboxSigns s{Tmp(QStringLiteral(".flatpak-info")), {}, Tmp(program)};
    QVERIFY(WriteFile(s.programPath, "\x7f" "ELF"));
    for (const QString& sign : signs) {
        const QString name = sign.section('=', 0, 0), value = sign.section('=', 1);
        if (name.contains('.'))
            QVERIFY(WriteFile(Tmp(name), value.toUtf8() + '\n'));
        else
            s.variables.insert(name, value.contains('/') ? Tmp(value) : value);
    }
    QTEST(RunsInsideSandbox(s), "inside");
}

void TestPlatform::thunderbirdValuesCannotBreakOutOfTheirQuotes()
{
    const MailProgram tb{MailProgramKind::Thunderbird, {QStringLiteral("thunderbird")}};
    const auto command = BuildMailCommand(tb, MailMessage{QStringLiteral("it's, done"), {}, {}},
                                          FileNameFromBytes("/tmp/a'b,c\xE9/x y.jpg"));
    QVERIFY(command);
    QCOMPARE(command->arguments,
             (QStringList{QStringLiteral("-compose"),
                          QStringLiteral("subject='it\u2019s, done',attachment='file:///tmp/a%27b%2Cc%E9/x%20y.jpg'")}));
}

void TestPlatform::eachMailProgramGetsTheMessageItsOwnWay_data()
{
    // {path} is the kept attachment's path, {url} its file URL, {eurl} that
    // URL encoded as one value of a mailto: URL.
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QString>("program");  // the fake that must receive the message
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("store");    // where the attachment is kept
    const QString tbArg = QStringLiteral("subject='(添付画像あり)',attachment='{url}'");
    const QString priv = QStringLiteral("/メール テスト's, 1/mail/");
    const QString pictures = QStringLiteral("/Pictures/yotsumado-mail/");
    QTest::newRow("thunderbird") << "thunderbird %u" << "thunderbird" << QStringList{"-compose", tbArg} << priv;
    QTest::newRow("betterbird") << "betterbird %u" << "betterbird" << QStringList{"-compose", tbArg} << priv;
    QTest::newRow("kmail") << "kmail -qwindowtitle %c %u" << "kmail"
                           << QStringList{"--subject", "(添付画像あり)", "--attach", "{path}"} << priv;
    QTest::newRow("claws-mail") << "claws-mail --compose %u" << "claws-mail"
                                << QStringList{"--compose", "mailto:?subject=" + kEncodedSubject, "--attach", "{path}"}
                                << priv;
    QTest::newRow("evolution") << "evolution %U" << "evolution"
                               << QStringList{"mailto:?subject=" + kEncodedSubject + "&attach={eurl}"} << priv;
    QTest::newRow("xdg-email for others") << "geary %U" << "xdg-email"
                                          << QStringList{"--utf8", "--subject", "(添付画像あり)", "--attach", "{path}"}
                                          << priv;
    // A sandboxed program cannot read ~/.cache: its copy goes where it can.
    QTest::newRow("flatpak thunderbird")
        << "flatpak run --branch=stable --command=thunderbird --file-forwarding org.mozilla.Thunderbird @@u %u @@"
        << "flatpak"
        << QStringList{"run", "--branch=stable", "--command=thunderbird", "org.mozilla.Thunderbird", "-compose", tbArg}
        << pictures;
}

void TestPlatform::eachMailProgramGetsTheMessageItsOwnWay()
{
    QFETCH(QString, exec);
    QFETCH(QString, program);
    QFETCH(QStringList, expected);
    QFETCH(QString, store);
    UsePrivateDesktop();
    WriteFakeProgram(program);
    DesktopMail mail(Settings(Tmp(), exec));
    QCOMPARE(mail.SendMail(Message()).Outcome, MailOutcome::Accepted);
    // One fresh folder of its own, the file keeping its name and bytes; it
    // stays, as the mail program reads it later.
    const QStringList kept = FilesBelow(Tmp(QStringLiteral("メール テスト's, 1"))) + FilesBelow(Tmp(QStringLiteral("Pictures")));
    const QString path = FilesBelow(Tmp() + store).value(0);
    QCOMPARE(kept, QStringList{path});
    QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("202612061430.jpg"));
    QCOMPARE(testing::ReadAll(path), kJpeg);
    const QString url = QStringLiteral("file://") + QString::fromLatin1(QUrl::toPercentEncoding(path, "/"));
    for (QString& arg : expected)
        arg.replace(QStringLiteral("{path}"), path)
            .replace(QStringLiteral("{eurl}"), QString::fromLatin1(QUrl::toPercentEncoding(url)))
            .replace(QStringLiteral("{url}"), url);
    QCOMPARE(RecordedArgs(program), expected);
}

void TestPlatform::failedHandOverLeavesNoAttachment_data()
{
    QTest::addColumn<QString>("exec");      // "": no default mail program
    QTest::addColumn<QStringList>("fakes");  // fake programs on PATH
    QTest::addColumn<QByteArray>("tail");    // what the first of them does
    QTest::addColumn<MailOutcome>("outcome");
    QTest::addColumn<QStringList>("ran");    // the fakes that must have run
    using O = MailOutcome;
    QTest::newRow("program reports an error") << "thunderbird %u" << QStringList{"thunderbird"}
                                              << QByteArray("exit 3") << O::CommandFailed << QStringList{"thunderbird"};
    QTest::newRow("no default program") << "" << QStringList{"xdg-email"} << QByteArray("exit 0") << O::NoMailProgram
                                        << QStringList{};
    QTest::newRow("default program missing") << "thunderbird %u" << QStringList{"xdg-email"} << QByteArray("exit 0")
                                             << O::CommandMissing << QStringList{};
    QTest::newRow("default program's path missing") << "/no/such/kmail %u" << QStringList{"kmail"}
                                                    << QByteArray("exit 0") << O::CommandMissing << QStringList{};
    QTest::newRow("xdg-email missing") << "geary %U" << QStringList{"geary"} << QByteArray("exit 0")
                                       << O::CommandMissing << QStringList{};
    QTest::newRow("web mail drops attachments") << "firefox %u" << QStringList{"firefox", "xdg-email"}
                                                << QByteArray("exit 0") << O::DropsAttachments << QStringList{};
}

void TestPlatform::failedHandOverLeavesNoAttachment()
{
    QFETCH(QString, exec);
    QFETCH(QStringList, fakes);
    QFETCH(QByteArray, tail);
    QFETCH(MailOutcome, outcome);
    QFETCH(QStringList, ran);
    UsePrivateDesktop();
    for (const QString& fake : fakes)
        WriteFakeProgram(fake, fake == fakes.first() ? tail : QByteArray("exit 0"));
    DesktopMail mail(Settings(Tmp(), exec));
    QCOMPARE(mail.SendMail(Message()).Outcome, outcome);
    for (const QString& fake : fakes)
        QVERIFY2(Ran(fake) == ran.contains(fake), qPrintable(fake));
    QCOMPARE(FilesBelow(Tmp(QStringLiteral("メール テスト's, 1"))), QStringList());
}

void TestPlatform::unwritableStoreNamesTheFileAndStartsNothing()
{
    UsePrivateDesktop();
    WriteFakeProgram(QStringLiteral("thunderbird"));
    QVERIFY(testing::WriteFile(Tmp(QStringLiteral("plain")), "a file where a folder must go"));
    DesktopMail::Settings settings = Settings(Tmp(), QStringLiteral("thunderbird %u"));
    settings.privateStore = Tmp(QStringLiteral("plain/mail"));
    const MailResult result = DesktopMail(settings).SendMail(Message());
    QCOMPARE(result.Outcome, MailOutcome::NotStored);
    QCOMPARE(result.UnwritablePath, Tmp(QStringLiteral("plain/mail/202612061430.jpg")));
    QVERIFY(!Ran(QStringLiteral("thunderbird")));
}

void TestPlatform::mailProgramStillRunningIsAcceptedAndLeftRunning()
{
    UsePrivateDesktop();
    // The fake mail program opens its "compose window" and stays.
    WriteFakeProgram(QStringLiteral("thunderbird"), "exec /bin/sleep 30");
    long long pid = -1;
    {
        DesktopMail mail(Settings(Tmp(), QStringLiteral("thunderbird %u"), kShortWait));
        QCOMPARE(mail.SendMail(Message()).Outcome, MailOutcome::Accepted);
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

void TestPlatform::defaultMailProgramComesFromTheXdgConfigAndFollowsItsChanges()
{
    // GIO read the XDG variables (initTestCase) and watches what it read: a
    // default changed while we run counts from the next send; an entry whose
    // program is missing is no mail program.
    const QString bin = xdg_.filePath(QStringLiteral("bin"));
    SetEnv("PATH", bin);
    for (const char* name : {"thunderbird", "evolution"}) {
        QVERIFY(testing::WriteFile(bin + QLatin1Char('/') + QLatin1String(name), "#!/bin/sh\n"));
        QVERIFY(QFile::setPermissions(bin + QLatin1Char('/') + QLatin1String(name), QFile::ReadOwner | QFile::ExeOwner));
    }
    const auto makeDefault = [this](const char* id, const QByteArray& exec) {
        QVERIFY(testing::WriteFile(xdg_.filePath(QStringLiteral("data/applications/")) + QLatin1String(id),
                                   "[Desktop Entry]\nType=Application\nName=Mailer\nExec=" + exec + "\n"));
        QVERIFY(testing::WriteFile(xdg_.filePath(QStringLiteral("config/mimeapps.list")),
                                   QByteArray("[Default Applications]\nx-scheme-handler/mailto=") + id + ";\n"));
    };
    const auto defaultWithin5s = [](const std::optional<QStringList>& expected) {
        QElapsedTimer t;
        t.start();
        while (DefaultMailCommand() != expected && t.elapsed() < 5000)
            QTest::qWait(20);
        return DefaultMailCommand();
    };
    makeDefault("thunderbird.desktop", "thunderbird -compose %u");
    QCOMPARE(defaultWithin5s(QStringList{"thunderbird", "-compose"}), QStringList({"thunderbird", "-compose"}));
    makeDefault("evolution.desktop", "evolution %U");
    QCOMPARE(defaultWithin5s(QStringList{"evolution"}), QStringList{"evolution"});
    makeDefault("gone.desktop", "/no/such/mailer %u");
    QCOMPARE(defaultWithin5s(std::nullopt), std::nullopt);
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
    const QList<QByteArray> fds = testing::ReadAll(Tmp(QStringLiteral("calls/fds"))).split('\n');
    QVERIFY2(!fds.contains(QByteArray::number(leaked)), qPrintable(QString::number(leaked)));
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
