#include "platform/desktop/freedesktopmail.h"

#include "core/filename.h"
#include "platform/desktop/detachedlaunch.h"
#include "platform/desktop/mailprograms.h"
#include "platform/desktop/xdgapplications.h"

namespace yotsumado {

namespace platform {

FreedesktopMail::FreedesktopMail(std::chrono::milliseconds acceptAfter)
    : acceptAfter_(acceptAfter)
{
}

int FreedesktopMail::SendMail(const MailMessage& message)
{
    MailMessage m = message;
    if (!m.AttachmentPath.isEmpty()) {
        if (!IsExistingFile(m.AttachmentPath))
            return AttachmentMissing;
        // The program may run in another folder.
        m.AttachmentPath = AbsoluteFileName(m.AttachmentPath);
    }

    // Read anew on every send: a mail program made the default while we run
    // is used at once.
    const XdgDirs dirs = XdgDirs::FromEnvironment();
    const std::optional<DesktopEntry> entry =
        DefaultApplicationFor(QStringLiteral("x-scheme-handler/mailto"), dirs);
    if (!entry)
        return NoMailProgram;
    const std::optional<QStringList> exec = SplitExec(*entry);
    if (!exec)
        return CommandFailed;  // an Exec line that cannot be read
    const std::optional<MailCommand> command = BuildMailCommand(IdentifyMailProgram(*exec), m);
    if (!command)
        return DropsAttachments;

    const LaunchResult launched = LaunchDetached(command->program, command->arguments, acceptAfter_);
    if (launched.outcome == LaunchResult::Outcome::NotFound)
        return CommandMissing;
    return launched.Accepted() ? Accepted : CommandFailed;
}

} // namespace platform

} // namespace yotsumado
