#pragma once
#include "platform/services.h"

#include <chrono>

namespace yotsumado {

namespace platform {

// Hands a message to the desktop's default mail program: the default
// handler of mailto: URLs, given the message in the way that program takes
// an attachment (see mailprograms.h), or xdg-email for programs not known
// here. The program's compose window is its own; we wait only briefly for the
// command's status and leave a program that keeps running alone.
class FreedesktopMail final : public MailHandOver {
public:
    // Every result but Accepted is a failure.
    enum Result : int {
        Accepted = 0,
        NoMailProgram = 1,     // no default handler of mailto:
        DropsAttachments = 2,  // the default would lose the attachment silently
        CommandMissing = 3,    // the program (or xdg-email) is not installed
        CommandFailed = 4,     // it could not be started, or ended with an error
        AttachmentMissing = 5, // the file to attach does not exist
    };

    // How long the command's exit status is waited for before a command that
    // is still running counts as accepted.
    explicit FreedesktopMail(std::chrono::milliseconds acceptAfter = std::chrono::seconds(3));

    int SendMail(const MailMessage& message) override;

private:
    std::chrono::milliseconds acceptAfter_;
};

} // namespace platform

} // namespace yotsumado
