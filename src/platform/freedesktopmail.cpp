#include "freedesktopmail.h"

#include <QProcess>

namespace platform {

int FreedesktopMail::SendMail(const MailMessage& message)
{
    QProcess p;
    p.start(QStringLiteral("xdg-email"), {QStringLiteral("--subject"), message.Subject,
                                          QStringLiteral("--attach"), message.AttachmentPath});
    if (!p.waitForStarted(3000)) return 1;
    if (!p.waitForFinished(5000)) { p.setParent(nullptr); return 0; }
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 ? 0 : 1;
}

} // namespace platform
