#pragma once
// Which mail program a desktop entry starts, and the command line that hands
// it a new message with an attachment in the way that program accepts one.
// Pure functions: nothing here looks at the disk or starts anything.

#include "platform/services.h"

#include <QStringList>

#include <optional>

namespace yotsumado {

namespace platform {

enum class MailProgramKind {
    Thunderbird,      // and its derivatives: -compose "subject='…',attachment='…'"
    Evolution,        // a mailto: URL with attach=
    KMail,            // --subject … --attach …
    ClawsMail,        // --compose mailto:… --attach … (Sylpheed has the same options)
    DropsAttachments, // web mail in a browser, or a mailto handler that ignores attach
    Other,            // left to xdg-email
};

struct MailProgram {
    MailProgramKind kind = MailProgramKind::Other;
    // How to start the program without the arguments of its desktop entry:
    // the program itself, preceded by a wrapper such as env or flatpak run.
    QStringList launcher;
};

// Identifies the program of a desktop entry from its Exec arguments (as split
// by SplitExec), looking through env and flatpak wrappers.
MailProgram IdentifyMailProgram(const QStringList& execArgs);

struct MailCommand {
    QString program;
    QStringList arguments;
};

// The command that hands the message, with the attachment at the absolute
// path given (none when empty), to the program; nothing for a program that
// would drop the attachment.
std::optional<MailCommand> BuildMailCommand(const MailProgram& program, const MailMessage& message,
                                            const QString& attachmentPath);

// Whether a mail program's command runs it in a snap or flatpak sandbox,
// where a file in a hidden folder such as ~/.cache cannot be read.
bool RunsSandboxed(const QStringList& command);

} // namespace platform

} // namespace yotsumado
