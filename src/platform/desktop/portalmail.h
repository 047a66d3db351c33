#pragma once
// Mail through the desktop portal, for a program that runs in a sandbox
// itself (see sandbox.h) and so cannot start the mail program directly. The
// portal's e-mail service (org.freedesktop.portal.Email, ComposeEmail) takes
// the attachment as an open file descriptor. When the session bus offers that
// service the message goes through it; otherwise, or when the portal itself
// fails, through the direct hand-over given. The bus is asked for only when
// the first message is sent.

#include "platform/services.h"

#include <QDBusConnection>

#include <chrono>
#include <functional>
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
    // `bus`: where to find the portal, asked once, at the first message.
    PortalMail(std::unique_ptr<MailHandOver> direct, std::function<QDBusConnection()> bus,
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
    std::function<QDBusConnection()> connect_;
    QDBusConnection bus_{QString()};
    std::chrono::milliseconds answerWait_;
    int requests_ = 0;
};

} // namespace platform

} // namespace yotsumado
