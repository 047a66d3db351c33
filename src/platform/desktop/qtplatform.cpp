#include "platform/desktop/qtplatform.h"

#include "platform/desktop/freedesktopmail.h"
#include "platform/desktop/pointerconfinement.h"
#include "platform/desktop/portalmail.h"
#include "platform/desktop/qtmessageboxes.h"
#include "platform/desktop/qtsavedialog.h"
#include "platform/desktop/sandbox.h"
#include "platform/desktop/sandboxmail.h"
#include "platform/desktop/sessionbus.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>

namespace yotsumado {

namespace platform {

void DesktopShellOpen::OpenUrl(const QUrl& url)
{
    // Hands the address over and returns; whether a browser opened is not
    // examined.
    QDesktopServices::openUrl(url);
}

QString ProcessProgramPath::Path()
{
    // The real executable (symbolic links resolved), as the kernel reports it.
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return self.isEmpty() ? QCoreApplication::applicationFilePath() : self;
}

bool InsideSandbox()
{
    return RunsInsideSandbox(SandboxSigns::OfThisProcess());
}

std::unique_ptr<MailHandOver> DesktopMail(std::unique_ptr<MailHandOver> direct,
                                          const std::function<bool()>& insideSandbox)
{
    // Outside a sandbox the portal gains nothing and, with its GTK back end,
    // loses the attachment while reporting success: the mail program is
    // started directly. Only a sandboxed program needs the portal, and only
    // then is the session bus asked for, when the first message goes.
    if (!insideSandbox())
        return direct;
    return std::make_unique<PortalMail>(std::move(direct), NamedSessionBus);
}

Services MakeDesktopServices(const std::function<bool()>& insideSandbox)
{
    Services s;
    s.saveDialog = std::make_unique<QtSaveDialog>();
    s.messageBoxes = std::make_unique<QtMessageBoxes>();
    s.shellOpen = std::make_unique<DesktopShellOpen>();
    // The mail program directly (through the portal when we run sandboxed),
    // with a copy it can read when it runs in a sandbox of its own.
    s.mail = DesktopMail(std::make_unique<SandboxReadableMail>(std::make_unique<FreedesktopMail>()), insideSandbox);
    s.pointer = std::make_unique<WarpPointerConfinement>();
    s.clock = std::make_unique<SystemClock>();
    s.programPath = std::make_unique<ProcessProgramPath>();
    return s;
}

} // namespace platform

} // namespace yotsumado
