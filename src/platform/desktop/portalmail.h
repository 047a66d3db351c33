#pragma once
// Mail through the desktop portal. A mail program in a snap or flatpak
// sandbox cannot read a file in a hidden folder such as ~/.cache, so a path
// on its command line silently loses the attachment. The portal's e-mail
// service (org.freedesktop.portal.Email, ComposeEmail) takes the attachment
// as an open file descriptor instead and hands it into the sandbox. When the
// session bus offers that service the message goes through it; otherwise, or
// when the portal itself fails, through the direct hand-over given.

#include "platform/services.h"

#include <QDBusConnection>

#include <chrono>
#include <memory>

namespace yotsumado {

namespace platform {

class PortalMail final : public MailHandOver {
public:
    // Results besides the direct hand-over's own.
    enum Result : int {
        Accepted = 0,
        Cancelled = 6,  // the user cancelled in the portal's own dialog
    };

    // `answerWait`: how long the portal's answer is awaited; a request it
    // took but has not answered by then counts as accepted (it may be
    // waiting for the user to choose a mail program).
    PortalMail(std::unique_ptr<MailHandOver> direct, QDBusConnection bus = QDBusConnection::sessionBus(),
               std::chrono::milliseconds answerWait = std::chrono::minutes(2));
    ~PortalMail() override;

    int SendMail(const MailMessage& message) override;

    // Whether the bus offers the portal's e-mail service (running or
    // started on demand).
    bool PortalOffered();

private:
    enum class Outcome { Accepted, Cancelled, Failed };
    Outcome SendThroughPortal(const MailMessage& message, int attachmentFd);

    std::unique_ptr<MailHandOver> direct_;
    QDBusConnection bus_;
    std::chrono::milliseconds answerWait_;
    int requests_ = 0;
};

} // namespace platform

} // namespace yotsumado
