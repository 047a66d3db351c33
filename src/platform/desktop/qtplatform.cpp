#include "platform/desktop/qtplatform.h"

#include "core/filename.h"
#include "platform/desktop/mail/attachmentstore.h"
#include "platform/desktop/mail/desktopmail.h"
#include "platform/desktop/picturesfolder.h"
#include "platform/desktop/pointerconfinement.h"
#include "platform/desktop/qtmessageboxes.h"
#include "platform/desktop/qtsavedialog.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMimeData>

namespace yotsumado {

namespace platform {

void DesktopShellOpen::OpenUrl(const QUrl& url)
{
    // Hands the address over and returns; whether a browser opened is not
    // examined.
    QDesktopServices::openUrl(url);
}

void QtClipboard::Offer(std::unique_ptr<QMimeData> data)
{
    QGuiApplication::clipboard()->setMimeData(data.release(), QClipboard::Clipboard);
}

const QMimeData* QtClipboard::Offered()
{
    return QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
}

QString ProcessProgramPath::Path()
{
    return RunningProgramFile();
}

namespace {
MailAttachmentStore DragStore(const QString& root)
{
    return root.isEmpty() ? MailAttachmentStore::InCache(QStringLiteral("drag")) : MailAttachmentStore(root);
}
} // namespace

DragFile CacheDragFiles::Offer(const QString& name, const QByteArray& data)
{
    const KeptAttachment kept = DragStore(root_).Keep(name, data, QDateTime::currentDateTime());
    return {kept.path, kept.kept};
}

void CacheDragFiles::Withdraw(const DragFile& file)
{
    DragStore(root_).Discard({file.Path, file.Kept});
}

Services MakeDesktopServices()
{
    Services s;
    s.saveDialog = std::make_unique<QtSaveDialog>();
    s.messageBoxes = std::make_unique<QtMessageBoxes>();
    s.shellOpen = std::make_unique<DesktopShellOpen>();
    DesktopMail::Settings mail;
    mail.readableStore = [] { return PicturesFolder() + QStringLiteral("/yotsumado-mail"); };
    s.mail = std::make_unique<DesktopMail>(std::move(mail));
    s.clipboard = std::make_unique<QtClipboard>();
    s.pointer = std::make_unique<WarpPointerConfinement>();
    s.clock = std::make_unique<SystemClock>();
    s.programPath = std::make_unique<ProcessProgramPath>();
    s.dragFiles = std::make_unique<CacheDragFiles>();
    return s;
}

} // namespace platform

} // namespace yotsumado
