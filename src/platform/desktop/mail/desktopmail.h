#pragma once
// The Mail command's hand-over on the desktop: one send keeps the attachment
// where the mail program can read it, finds the default mail program once,
// and hands the message over by one route.
//
// - Inside a sandbox (sandbox.h) the portal takes it (portalmail.h).
// - Otherwise, and when the portal is not there or fails, the default mail
//   program is started directly, given the message in the way that program
//   takes an attachment (mailprograms.h), or xdg-email for programs not
//   known here. We wait only briefly for its status (detachedlaunch.h) and
//   leave a program that keeps running alone.
//
// The attachment goes into a private folder of its own under the cache home
// (attachmentstore.h), never next to the user's files; the mail program
// reads it only when the message is sent, so it stays until a later send
// finds it a day old. A mail program installed as a snap or flatpak cannot
// read a hidden folder such as ~/.cache: for one, the folder is made under
// the same rules in the Pictures folder ("yotsumado-mail"). A hand-over that
// fails leaves no attachment behind.

#include "platform/desktop/mail/defaultmailprogram.h"
#include "platform/desktop/mail/sandbox.h"
#include "platform/services.h"

#include <QDateTime>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>

namespace yotsumado {

namespace platform {

class DesktopMail final : public MailHandOver {
public:
    struct Settings {
        // The folders that hold the attachments' folders: the private one
        // (empty: the cache home's yotsumado/mail), and the one a sandboxed
        // mail program can read, asked for at each send that needs it.
        QString privateStore;
        std::function<QString()> readableStore;
        std::function<std::optional<QStringList>()> defaultCommand = DefaultMailCommand;
        // Whether this program runs in a sandbox, asked at each send.
        std::function<bool()> insideSandbox = [] { return RunsInsideSandbox(SandboxSigns::OfThisProcess()); };
        // How long the program's exit status is waited for before a program
        // still running counts as accepted, and the portal's answer.
        std::chrono::milliseconds acceptAfter = std::chrono::seconds(3);
        std::chrono::milliseconds portalWait = std::chrono::minutes(2);
    };

    explicit DesktopMail(Settings settings);

    MailResult SendMail(const MailMessage& message) override;

private:
    MailResult SendDirectly(const MailMessage& message, const QDateTime& now);

    Settings settings_;
};

} // namespace platform

} // namespace yotsumado
