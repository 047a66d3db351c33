// Mail through the desktop portal, against a fake portal on a private
// session bus: only a sandboxed program uses it, and only on a bus that is
// named; the subject arrives, the attachment is read through the descriptor
// passed, and every way the portal can fail falls back to the direct
// hand-over (or reports the user's cancel).

#include "platform/desktop/mail/desktopmail.h"
#include "support/envguard.h"
#include "support/files.h"

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <optional>

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

    QDBusConnection watch_{QString()};

    // The hand-over, its direct route a fake mail program that records that
    // it ran.
    MailOutcome Send(bool sandboxed = true)
    {
        DesktopMail::Settings settings;
        settings.insideSandbox = [sandboxed] { return sandboxed; };
        settings.privateStore = dir_.filePath(QStringLiteral("mail"));
        settings.defaultCommand = [this] { return QStringList{dir_.filePath(QStringLiteral("kmail"))}; };
        settings.portalWait = std::chrono::milliseconds(1500);
        return DesktopMail(settings)
            .SendMail({QStringLiteral("(添付画像あり)"), QStringLiteral("202612061430.jpg"), bytes_})
            .Outcome;
    }
    bool DirectRan() const { return QFileInfo::exists(dir_.filePath(QStringLiteral("direct"))); }
    int Clients()  // connections on the bus
    {
        const QStringList names = watch_.interface()->registeredServiceNames();
        return int(std::count_if(names.begin(), names.end(), [](const QString& n) { return n.startsWith(':'); }));
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            QSKIP("dbus-daemon is not installed");
        daemon_.start(QStringLiteral(PRIVATE_BUS), {dir_.filePath(QStringLiteral("bus"))});
        QVERIFY(daemon_.waitForReadyRead(10000));
        address_ = QString::fromLatin1(daemon_.readLine()).trimmed();
        QVERIFY(!address_.isEmpty());
        watch_ = QDBusConnection::connectToBus(address_, QStringLiteral("watch"));
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

    void portalOnlyInsideASandboxAndItsAnswerCounts_data()
    {
        QTest::addColumn<bool>("sandboxed");
        QTest::addColumn<bool>("busNamed");  // DBUS_SESSION_BUS_ADDRESS names the bus
        QTest::addColumn<int>("portal");     // on the bus: 0 none, 1 without e-mail, 2 with it
        QTest::addColumn<Behaviour>("behaviour");
        QTest::addColumn<MailOutcome>("result");
        QTest::addColumn<bool>("direct");    // the direct hand-over was used
        using B = Behaviour;
        using O = MailOutcome;
        // First the rows that must not even connect to the bus. Outside a
        // sandbox the portal's back ends would lose the attachment and still
        // report success.
        QTest::newRow("outside a sandbox") << false << true << 2 << B::Answer0 << O::Accepted << true;
        QTest::newRow("no bus named") << true << false << 2 << B::Answer0 << O::Accepted << true;
        QTest::newRow("no portal") << true << true << 0 << B::Answer0 << O::Accepted << true;
        QTest::newRow("a portal without e-mail") << true << true << 1 << B::Answer0 << O::Accepted << true;
        QTest::newRow("sent") << true << true << 2 << B::Answer0 << O::Accepted << false;
        QTest::newRow("user cancelled") << true << true << 2 << B::Answer1 << O::Cancelled << false;
        QTest::newRow("portal failed") << true << true << 2 << B::Answer2 << O::Accepted << true;
        QTest::newRow("error reply") << true << true << 2 << B::Error << O::Accepted << true;
        QTest::newRow("no answer yet") << true << true << 2 << B::Silent << O::Accepted << false;
    }
    void portalOnlyInsideASandboxAndItsAnswerCounts()
    {
        QFETCH(bool, sandboxed);
        QFETCH(bool, busNamed);
        QFETCH(int, portal);
        QFETCH(Behaviour, behaviour);
        QFETCH(MailOutcome, result);
        QFETCH(bool, direct);
        std::optional<PortalOnBus> onBus;
        if (portal > 0)
            QVERIFY(onBus.emplace(address_, QStringLiteral("portal%1").arg(++connections_), portal == 2).Registered());
        if (onBus)
            onBus->Portal().behaviour = behaviour;
        std::optional<testing::ScopedEnv> bus;
        busNamed ? bus.emplace("DBUS_SESSION_BUS_ADDRESS", address_.toUtf8()) : bus.emplace("DBUS_SESSION_BUS_ADDRESS");
        const int clients = Clients();
        QCOMPARE(Send(sandboxed), result);
        QCOMPARE(DirectRan(), direct);
        if (!sandboxed || !busNamed)
            QCOMPARE(Clients(), clients);
        const bool asked = sandboxed && busNamed && portal == 2;
        if (onBus)
            QCOMPARE(onBus->Portal().calls, asked ? 1 : 0);
        if (!asked)
            return;
        const FakePortal& seen = onBus->Portal();
        QCOMPARE(seen.subject, QStringLiteral("(添付画像あり)"));
        QCOMPARE(seen.fdsSignature, QStringLiteral("ah"));
        QCOMPARE(seen.descriptors, 1);
        QCOMPARE(seen.attachment, bytes_);
    }
};

QTEST_GUILESS_MAIN(TestPortalMail)
#include "tst_portalmail.moc"
