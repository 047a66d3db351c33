#include "platform/desktop/mail/desktopmail.h"

#include "platform/desktop/mail/attachmentstore.h"
#include "platform/desktop/mail/detachedlaunch.h"
#include "platform/desktop/mail/mailprograms.h"
#include "platform/desktop/mail/portalmail.h"

namespace yotsumado {

namespace platform {

namespace {

MailAttachmentStore StoreIn(const QString& root)
{
    return root.isEmpty() ? MailAttachmentStore() : MailAttachmentStore(root);
}

MailResult NotStored(const KeptAttachment& attachment)
{
    return {MailOutcome::NotStored, attachment.path};
}

} // namespace

DesktopMail::DesktopMail(Settings settings) : settings_(std::move(settings)) {}

MailResult DesktopMail::SendMail(const MailMessage& message)
{
    const QDateTime now = QDateTime::currentDateTime();
    if (!settings_.insideSandbox() || message.AttachmentName.isEmpty())
        return SendDirectly(message, now);
    MailAttachmentStore store = StoreIn(settings_.privateStore);
    const KeptAttachment attachment = store.Keep(message.AttachmentName, message.Attachment, now);
    if (!attachment.kept)
        return NotStored(attachment);
    PortalMail portal(settings_.portalWait);
    switch (portal.Send(message, attachment.path)) {
    case PortalMail::Outcome::Accepted: return {MailOutcome::Accepted};
    case PortalMail::Outcome::Cancelled: store.Discard(attachment); return {MailOutcome::Cancelled};
    case PortalMail::Outcome::Failed: break;
    }
    store.Discard(attachment);
    return SendDirectly(message, now);
}

MailResult DesktopMail::SendDirectly(const MailMessage& message, const QDateTime& now)
{
    // Looked up once a send; GIO notices a default changed while we run.
    const std::optional<QStringList> command = settings_.defaultCommand();
    if (!command)
        return {MailOutcome::NoMailProgram};
    const MailProgram program = IdentifyMailProgram(*command);
    if (!BuildMailCommand(program, message, QString()))
        return {MailOutcome::DropsAttachments};

    MailAttachmentStore store = RunsSandboxed(*command) && settings_.readableStore
        ? MailAttachmentStore(settings_.readableStore())
        : StoreIn(settings_.privateStore);
    KeptAttachment attachment;
    if (!message.AttachmentName.isEmpty()) {
        attachment = store.Keep(message.AttachmentName, message.Attachment, now);
        if (!attachment.kept)
            return NotStored(attachment);
    }

    const std::optional<MailCommand> launch = BuildMailCommand(program, message, attachment.path);
    const LaunchResult launched = LaunchDetached(launch->program, launch->arguments, settings_.acceptAfter);
    if (launched.Accepted())
        return {MailOutcome::Accepted};
    // A file the program never took is not left behind.
    store.Discard(attachment);
    return {launched.outcome == LaunchResult::Outcome::NotFound ? MailOutcome::CommandMissing
                                                                : MailOutcome::CommandFailed};
}

} // namespace platform

} // namespace yotsumado
