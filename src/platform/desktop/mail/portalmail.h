#pragma once
// Mail through the desktop portal, for this program when it runs inside a
// sandbox (Flatpak, Snap; see sandbox.h), where it can neither start the desktop's mail
// program nor name a file that program could read. The portal's e-mail
// service (org.freedesktop.portal.Email, ComposeEmail) takes the attachment
// as an open file descriptor and hands it on. Outside a sandbox the portal
// is never used: its back ends start the mail program with a mailto: URL that
// Thunderbird and Claws Mail open without the attachment, and still report
// success.

#include "platform/services.h"

#include <QDBusConnection>

#include <chrono>

namespace yotsumado {

namespace platform {

class PortalMail {
public:
    enum class Outcome { Accepted, Cancelled, Failed };

    // `answerWait`: how long the portal's answer is awaited; a request it
    // took but has not answered by then counts as accepted (it may be
    // waiting for the user to choose a mail program).
    explicit PortalMail(std::chrono::milliseconds answerWait);
    ~PortalMail();

    // Sends the message with the file at `attachmentPath` (a regular file)
    // through the session bus, asked for at the first send and only where
    // one is named (sessionbus.h); Failed when none is, the portal offers no
    // e-mail, or it fails.
    Outcome Send(const MailMessage& message, const QString& attachmentPath);

private:
    bool PortalOffered();
    Outcome SendThroughPortal(const MailMessage& message, int attachmentFd);

    QDBusConnection bus_;
    std::chrono::milliseconds answerWait_;
    int requests_ = 0;
};

} // namespace platform

} // namespace yotsumado
