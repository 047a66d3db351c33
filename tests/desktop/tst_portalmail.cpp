// Mail through the desktop portal, against a fake portal on a private
// session bus: inside a sandbox the subject arrives, the attachment is read
// through the descriptor passed, and every way the portal can fail falls back
// to the direct hand-over (or reports the user's cancel); outside one the
// portal is never asked.

#include "platform/desktop/mail/desktopmail.h"
#include "support/envguard.h"
#include "support/files.h"

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <unistd.h>

using namespace yotsumado;

using platform::DesktopMail;
using platform::MailOutcome;

namespace {

// What the fake portal does with a ComposeEmail call.
enum class Behaviour { Answer0, Answer1, Answer2, Error, Silent };

} // namespace

Q_DECLARE_METATYPE(Behaviour)
Q_DECLARE_METATYPE(platform::MailOutcome)

// The portal object at /org/freedesktop/portal/desktop.
class FakePortal : public QObject {
    Q_OBJECT
public:
    FakePortal(QDBusConnection bus) : bus_(bus) {}
    QDBusConnection bus_;
    Behaviour behaviour = Behaviour::Answer0;
    int calls = 0;
    QString subject;
    QByteArray attachment;   // read through the descriptor received
    int descriptors = 0;
    QString fdsSignature;    // the portal takes an array of descriptors, "ah"
};

class FakeEmailAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Email")
    Q_PROPERTY(uint version READ version)
public:
    explicit FakeEmailAdaptor(FakePortal* portal) : QDBusAbstractAdaptor(portal), portal_(portal) {}
    uint version() const { return 3; }
public slots:
    QDBusObjectPath ComposeEmail(const QString&, const QVariantMap& options, const QDBusMessage& message)
    {
        ++portal_->calls;
        portal_->subject = options.value(QStringLiteral("subject")).toString();
        QList<QDBusUnixFileDescriptor> fds;
        const QVariant v = options.value(QStringLiteral("attachment_fds"));
        if (v.canConvert<QDBusArgument>()) {
            const QDBusArgument arg = v.value<QDBusArgument>();
            portal_->fdsSignature = arg.currentSignature();
            arg >> fds;
        }
        portal_->descriptors = int(fds.size());
        if (!fds.isEmpty()) {
            QFile f;
            if (f.open(::dup(fds.first().fileDescriptor()), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
                portal_->attachment = f.readAll();
        }
        if (portal_->behaviour == Behaviour::Error) {
            message.setDelayedReply(true);
            portal_->bus_.send(message.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.Failed"),
                                                        QStringLiteral("no mail program")));
            return {};
        }
        QString sender = message.service().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        const QString handle = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                                   .arg(sender, options.value(QStringLiteral("handle_token")).toString());
        if (portal_->behaviour != Behaviour::Silent) {
            const uint code = portal_->behaviour == Behaviour::Answer0 ? 0 : portal_->behaviour == Behaviour::Answer1 ? 1 : 2;
            QDBusMessage response = QDBusMessage::createSignal(handle, QStringLiteral("org.freedesktop.portal.Request"),
                                                               QStringLiteral("Response"));
            response << code << QVariantMap();
            QDBusConnection bus = portal_->bus_;
            QTimer::singleShot(10, portal_, [bus, response]() mutable { bus.send(response); });
        }
        return QDBusObjectPath(handle);
    }
private:
    FakePortal* portal_;
};

// A portal on the private bus, answering from a thread of its own as a real
// portal answers from its own process; gone from the bus with this object.
class PortalOnBus {
public:
    PortalOnBus(const QString& address, const QString& name, bool withEmail)
        : bus_(QDBusConnection::connectToBus(address, name))
    {
        thread_.start();
        portal_ = new FakePortal(bus_);
        if (withEmail)
            new FakeEmailAdaptor(portal_);
        registered_ = bus_.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), portal_);
        portal_->moveToThread(&thread_);
        registered_ = registered_ && bus_.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
    }
    ~PortalOnBus()
    {
        bus_.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
        bus_.unregisterObject(QStringLiteral("/org/freedesktop/portal/desktop"));
        QMetaObject::invokeMethod(portal_, "deleteLater");
        thread_.quit();
        thread_.wait();
        const QString name = bus_.name();
        bus_ = QDBusConnection(QString());
        QDBusConnection::disconnectFromBus(name);
    }
    PortalOnBus(const PortalOnBus&) = delete;
    PortalOnBus& operator=(const PortalOnBus&) = delete;

    bool Registered() const { return registered_; }
    FakePortal& Portal() { return *portal_; }

private:
    QDBusConnection bus_;
    QThread thread_;
    FakePortal* portal_ = nullptr;
    bool registered_ = false;
};

class TestPortalMail : public QObject {
    Q_OBJECT
    QProcess daemon_;
    QString address_;
    QTemporaryDir dir_;
    const QByteArray bytes_ = QByteArray("\xff\xd8 a picture \xff\xd9", 16);
    int connections_ = 0;

    // The hand-over as a sandboxed program has it, its direct route a fake
    // mail program that records that it ran.
    MailOutcome Send()
    {
        DesktopMail::Settings settings;
        settings.privateStore = dir_.filePath(QStringLiteral("mail"));
        settings.defaultCommand = [this] { return QStringList{dir_.filePath(QStringLiteral("kmail"))}; };
        settings.portalWait = std::chrono::milliseconds(1500);
        return DesktopMail(settings)
            .SendMail({QStringLiteral("(添付画像あり)"), QStringLiteral("202612061430.jpg"), bytes_})
            .Outcome;
    }
    bool DirectRan() const { return QFileInfo::exists(dir_.filePath(QStringLiteral("direct"))); }

private slots:
    void initTestCase()
    {
        // A bus of our own that knows no service of the machine's: the real
        // portal, when installed, must not start on it.
        const QString config = dir_.filePath(QStringLiteral("bus.conf"));
        QVERIFY(testing::WriteFile(config, "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
                                           "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                           "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>"));
        daemon_.start(QStringLiteral("dbus-daemon"), {"--config-file=" + config, "--nofork", "--print-address=1"});
        if (!daemon_.waitForStarted())
            QSKIP("dbus-daemon is not installed");
        QVERIFY(daemon_.waitForReadyRead(10000));
        address_ = QString::fromLatin1(daemon_.readLine()).trimmed();
        QVERIFY(!address_.isEmpty());
        qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toUtf8());
        const QString fake = dir_.filePath(QStringLiteral("kmail"));
        QVERIFY(testing::WriteFile(fake, "#!/bin/sh\ntouch '" + QFile::encodeName(dir_.filePath("direct")) + "'\n"));
        QVERIFY(QFile::setPermissions(fake, QFile::ReadOwner | QFile::ExeOwner));
    }
    void init() { QFile::remove(dir_.filePath(QStringLiteral("direct"))); }
    void cleanupTestCase()
    {
        daemon_.kill();
        daemon_.waitForFinished();
    }

    void portalGetsSubjectAndAttachment_data()
    {
        QTest::addColumn<Behaviour>("behaviour");
        QTest::addColumn<MailOutcome>("result");
        QTest::addColumn<bool>("direct");  // the direct hand-over was used
        QTest::newRow("sent") << Behaviour::Answer0 << MailOutcome::Accepted << false;
        QTest::newRow("user cancelled") << Behaviour::Answer1 << MailOutcome::Cancelled << false;
        QTest::newRow("portal failed") << Behaviour::Answer2 << MailOutcome::Accepted << true;
        QTest::newRow("error reply") << Behaviour::Error << MailOutcome::Accepted << true;
        QTest::newRow("no answer yet") << Behaviour::Silent << MailOutcome::Accepted << false;
    }
    void portalGetsSubjectAndAttachment()
    {
        QFETCH(Behaviour, behaviour);
        QFETCH(MailOutcome, result);
        QFETCH(bool, direct);
        const testing::ScopedEnv sandbox("FLATPAK_ID", "org.example.Yotsumado");
        PortalOnBus portal(address_, QStringLiteral("portal%1").arg(++connections_), true);
        QVERIFY(portal.Registered());
        portal.Portal().behaviour = behaviour;
        QCOMPARE(Send(), result);
        const FakePortal& seen = portal.Portal();
        QCOMPARE(seen.calls, 1);
        QCOMPARE(seen.subject, QStringLiteral("(添付画像あり)"));
        QCOMPARE(seen.fdsSignature, QStringLiteral("ah"));
        QCOMPARE(seen.descriptors, 1);
        QCOMPARE(seen.attachment, bytes_);
        QCOMPARE(DirectRan(), direct);
    }

    void withoutAPortalWithEmailTheDirectHandOverIsUsed_data()
    {
        QTest::addColumn<bool>("portalRuns");
        QTest::newRow("no portal on the bus") << false;
        // A portal whose desktop has no e-mail back end exports no Email interface.
        QTest::newRow("a portal without e-mail") << true;
    }
    void withoutAPortalWithEmailTheDirectHandOverIsUsed()
    {
        QFETCH(bool, portalRuns);
        const testing::ScopedEnv sandbox("FLATPAK_ID", "org.example.Yotsumado");
        std::optional<PortalOnBus> portal;
        if (portalRuns)
            QVERIFY(portal.emplace(address_, QStringLiteral("portal%1").arg(++connections_), false).Registered());
        QCOMPARE(Send(), MailOutcome::Accepted);
        QVERIFY(DirectRan());
    }

    void outsideASandboxThePortalIsNeverAsked()
    {
        // Its back ends would lose the attachment and still report success.
        const testing::ScopedEnv flatpak("FLATPAK_ID"), snap("SNAP");
        if (QFileInfo::exists(QStringLiteral("/.flatpak-info")))
            QSKIP("this test runs in a Flatpak sandbox itself");
        PortalOnBus portal(address_, QStringLiteral("portal%1").arg(++connections_), true);
        QVERIFY(portal.Registered());
        QCOMPARE(Send(), MailOutcome::Accepted);
        QCOMPARE(portal.Portal().calls, 0);
        QVERIFY(DirectRan());
    }
};

QTEST_GUILESS_MAIN(TestPortalMail)
#include "tst_portalmail.moc"
