#include "platform/desktop/mail/portalmail.h"

#include "core/filename.h"
#include "core/posixfile.h"
#include "platform/desktop/mail/sessionbus.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTimer>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace yotsumado {

namespace platform {

namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kEmailInterface = QStringLiteral("org.freedesktop.portal.Email");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");

// Receives the portal request's Response signal.
class ResponseCatcher : public QObject {
    Q_OBJECT
public:
    bool answered = false;
    uint response = 2;
signals:
    void done();
public slots:
    void Response(uint code, const QVariantMap&)
    {
        answered = true;
        response = code;
        emit done();
    }
};

// The request object's path the portal will use for our handle token
// (documented by the portal: the sender's unique name without the leading
// ':' and with '.' turned into '_').
QString RequestPath(const QDBusConnection& bus, const QString& token)
{
    QString sender = bus.baseService();
    if (sender.startsWith(QLatin1Char(':')))
        sender.remove(0, 1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

} // namespace

PortalMail::PortalMail(std::chrono::milliseconds answerWait)
    : bus_(QString()), answerWait_(answerWait)
{
    qDBusRegisterMetaType<QList<QDBusUnixFileDescriptor>>();
}

PortalMail::~PortalMail() = default;

bool PortalMail::PortalOffered()
{
    if (!bus_.isConnected() || !bus_.interface())
        return false;
    QDBusConnectionInterface* bus = bus_.interface();
    if (!bus->isServiceRegistered(kPortalService).value()
        && !bus->activatableServiceNames().value().contains(kPortalService))
        return false;
    // The portal offers e-mail only when a back end of the desktop has it.
    QDBusMessage get = QDBusMessage::createMethodCall(kPortalService, kPortalPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << kEmailInterface << QStringLiteral("version");
    const QDBusMessage reply = bus_.call(get, QDBus::Block, 5000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

PortalMail::Outcome PortalMail::Send(const MailMessage& message, const QString& attachmentPath)
{
    if (!bus_.isConnected())
        bus_ = NamedSessionBus();
    if (!PortalOffered())
        return Outcome::Failed;
    // Only a regular file is handed over; the portal refuses anything else.
    const FileDescriptor fd(::open(FileNameBytes(attachmentPath).constData(),
                                   O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY));
    struct stat st {};
    if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return Outcome::Failed;
    return SendThroughPortal(message, fd.Get());
}

PortalMail::Outcome PortalMail::SendThroughPortal(const MailMessage& message, int attachmentFd)
{
    const QString token = QStringLiteral("yotsumado%1_%2").arg(QRandomGenerator::global()->generate()).arg(++requests_);
    const QString requestPath = RequestPath(bus_, token);

    // Listen before asking, so that an answer given at once is not missed.
    ResponseCatcher catcher;
    bus_.connect(kPortalService, requestPath, kRequestInterface, QStringLiteral("Response"), &catcher,
                 SLOT(Response(uint,QVariantMap)));

    QVariantMap options;
    options.insert(QStringLiteral("handle_token"), token);
    options.insert(QStringLiteral("subject"), message.Subject);
    options.insert(QStringLiteral("attachment_fds"),
                   QVariant::fromValue(QList<QDBusUnixFileDescriptor>{QDBusUnixFileDescriptor(attachmentFd)}));

    QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath, kEmailInterface,
                                                       QStringLiteral("ComposeEmail"));
    call << QString() << options;  // no parent window handle

    // The hand-over is modal, as a mail program's own would be: events go on
    // (repaints, the bus) but the user's input waits.
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&catcher, &ResponseCatcher::done, &loop, &QEventLoop::quit);

    QDBusPendingCallWatcher watcher(bus_.asyncCall(call, int(std::min<qint64>(answerWait_.count(), 120000))));
    bool replied = false;
    bool callFailed = false;
    QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, [&] {
        replied = true;
        callFailed = watcher.isError();
        if (callFailed || catcher.answered)
            loop.quit();
    });
    timer.start(answerWait_);
    while (!catcher.answered && !callFailed && timer.isActive())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    bus_.disconnect(kPortalService, requestPath, kRequestInterface, QStringLiteral("Response"), &catcher,
                    SLOT(Response(uint,QVariantMap)));

    if (callFailed || (!replied && !catcher.answered))
        return Outcome::Failed;
    if (!catcher.answered)
        return Outcome::Accepted;  // taken, still busy (a chooser open, say)
    switch (catcher.response) {
    case 0: return Outcome::Accepted;
    case 1: return Outcome::Cancelled;
    default: return Outcome::Failed;
    }
}

} // namespace platform

} // namespace yotsumado
#include "portalmail.moc"
