#include "platform/desktop/sandboxmail.h"

#include "core/filename.h"
#include "platform/desktop/picturesfolder.h"
#include "platform/desktop/xdgapplications.h"
#include "platform/mailattachments.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

namespace yotsumado {

namespace platform {

namespace {

// Our own pictures are a few hundred kilobytes; anything far larger is not
// one of them and is not copied.
constexpr qint64 kLargestAttachment = 64 * 1024 * 1024;

} // namespace

bool RunsSandboxed(const QStringList& command)
{
    if (command.isEmpty())
        return false;
    const QString& program = command.first();
    // Snaps are started through /snap/bin (the snap's command or a link to it).
    if (program.startsWith(QLatin1String("/snap/bin/")) || program.startsWith(QLatin1String("/var/lib/snapd/snap/bin/")))
        return true;
    if (QFileInfo(program).fileName() == QLatin1String("snap") && command.value(1) == QLatin1String("run"))
        return true;
    // Flatpak's exported entries run "flatpak run … APP-ID".
    return QFileInfo(program).fileName() == QLatin1String("flatpak") && command.contains(QLatin1String("run"));
}

SandboxReadableMail::Environment SandboxReadableMail::SessionEnvironment()
{
    return {[] { return XdgDirs::FromEnvironment(); }, [] { return PicturesFolder(); },
            [] { return QDateTime::currentDateTime(); }};
}

SandboxReadableMail::SandboxReadableMail(std::unique_ptr<MailHandOver> direct, Environment environment)
    : direct_(std::move(direct)), env_(std::move(environment))
{
}

SandboxReadableMail::~SandboxReadableMail() = default;

QString SandboxReadableMail::StoreRoot(const QString& picturesFolder)
{
    return picturesFolder + QStringLiteral("/yotsumado-mail");
}

int SandboxReadableMail::SendMail(const MailMessage& message)
{
    if (message.AttachmentPath.isEmpty())
        return direct_->SendMail(message);
    const std::optional<DesktopEntry> entry =
        DefaultApplicationFor(QStringLiteral("x-scheme-handler/mailto"), env_.dirs());
    const std::optional<QStringList> command = entry ? SplitExec(*entry) : std::nullopt;
    if (!command || !RunsSandboxed(*command))
        return direct_->SendMail(message);

    QFile source;
    const int fd = ::open(FileNameBytes(message.AttachmentPath).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0 && !source.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        ::close(fd);
    if (!source.isOpen() || source.size() > kLargestAttachment)
        return direct_->SendMail(message);  // the direct hand-over reports a missing file
    const QByteArray bytes = source.read(kLargestAttachment + 1);
    source.close();

    const QDateTime now = env_.now();
    MailAttachmentStore store(StoreRoot(env_.picturesFolder()));
    store.PruneOlderThan(now, std::chrono::hours(24));
    const QString folder = store.CreateFolder(now);
    if (folder.isEmpty())
        return CopyFailed;
    const QString name = QFileInfo(message.AttachmentPath).fileName();
    if (!store.WriteAttachment(folder, name, bytes)) {
        store.RemoveFolder(folder);
        return CopyFailed;
    }
    MailMessage readable = message;
    readable.AttachmentPath = folder + QLatin1Char('/') + name;
    const int result = direct_->SendMail(readable);
    // The mail program reads the file when the message is sent; a copy it
    // never took is not left among the user's pictures.
    if (result != 0)
        store.RemoveFolder(folder);
    return result;
}

} // namespace platform

} // namespace yotsumado
