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
#include <QScreen>
#include <qpa/qplatformnativeinterface.h>

#include <algorithm>
#include <cstdint>

namespace yotsumado {

namespace platform {

void DesktopShellOpen::OpenUrl(const QUrl& url)
{
    // Hands the address over and returns; whether a browser opened is not
    // examined.
    QDesktopServices::openUrl(url);
}

namespace {
// Qt stamps its X requests with one timestamp, the latest it read in an
// event, and only ever moves it forward. A client's selection request
// carries a timestamp of the client's own making: pcmanfm asks for a drag's
// data stamped with the Unix time in seconds, far ahead of the server's
// clock (milliseconds since it started). From then on the server ignores
// every selection Qt claims with it, and a copy leaves the clipboard to
// whoever had it. (The drag needs the leap: Qt serves a drag's data only to
// a request stamped as its last position message.) Brings Qt's timestamp
// back to the server's when it is ahead, before it claims the clipboard.
// X timestamps wrap around and Qt compares them so: moving forward by
// less than half the circle at a time, it reaches the server's time the long
// way round, as it would once the clock wrapped.
void CatchUpWithServerTime()
{
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    QScreen* screen = QGuiApplication::primaryScreen();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !native || !screen)
        return;
    using SetTime = void (*)(QScreen*, std::uint32_t);
    // The function comes typed as a generic one; it is QXcbNativeInterface::setAppTime.
    const auto setTime = reinterpret_cast<SetTime>(
        reinterpret_cast<void (*)()>(native->nativeResourceFunctionForScreen("setapptime")));
    const auto read = [&](const char* what) {
        return static_cast<std::uint32_t>(reinterpret_cast<quintptr>(native->nativeResourceForScreen(what, screen)));
    };
    std::uint32_t ours = read("apptime");
    const std::uint32_t server = read("gettimestamp");
    if (!setTime || ours == 0 || server == 0 || static_cast<std::int32_t>(ours - server) <= 0)
        return;
    for (std::uint32_t left = server - ours; left != 0;) {
        const std::uint32_t step = std::min<std::uint32_t>(left, 1u << 30);
        setTime(screen, ours += step);
        left -= step;
    }
}
} // namespace

void QtClipboard::Offer(std::unique_ptr<QMimeData> data)
{
    CatchUpWithServerTime();
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
