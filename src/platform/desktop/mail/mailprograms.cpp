#include "platform/desktop/mail/mailprograms.h"

#include "core/filename.h"

#include <QFileInfo>
#include <QUrl>

namespace yotsumado {

namespace platform {

namespace {

struct KnownProgram {
    const char* name;
    MailProgramKind kind;
};

// Program names as they appear in Exec lines (lower case, without folder).
// The attachment droppers: a browser handling mailto: opens a web-mail page,
// which cannot reach a local file; mutt and neomutt accept only a few mailto
// headers, and attach is not among them.
constexpr KnownProgram kKnownPrograms[] = {
    {"thunderbird", MailProgramKind::Thunderbird},
    {"thunderbird-esr", MailProgramKind::Thunderbird},
    {"thunderbird-beta", MailProgramKind::Thunderbird},
    {"thunderbird-bin", MailProgramKind::Thunderbird},
    {"icedove", MailProgramKind::Thunderbird},
    {"betterbird", MailProgramKind::Thunderbird},
    {"seamonkey", MailProgramKind::Thunderbird},
    {"evolution", MailProgramKind::Evolution},
    {"kmail", MailProgramKind::KMail},
    {"kmail2", MailProgramKind::KMail},
    {"claws-mail", MailProgramKind::ClawsMail},
    {"sylpheed", MailProgramKind::ClawsMail},
    {"firefox", MailProgramKind::DropsAttachments},
    {"firefox-esr", MailProgramKind::DropsAttachments},
    {"firefox-bin", MailProgramKind::DropsAttachments},
    {"chromium", MailProgramKind::DropsAttachments},
    {"chromium-browser", MailProgramKind::DropsAttachments},
    {"google-chrome", MailProgramKind::DropsAttachments},
    {"google-chrome-stable", MailProgramKind::DropsAttachments},
    {"google-chrome-beta", MailProgramKind::DropsAttachments},
    {"brave", MailProgramKind::DropsAttachments},
    {"brave-browser", MailProgramKind::DropsAttachments},
    {"microsoft-edge", MailProgramKind::DropsAttachments},
    {"microsoft-edge-stable", MailProgramKind::DropsAttachments},
    {"vivaldi", MailProgramKind::DropsAttachments},
    {"vivaldi-stable", MailProgramKind::DropsAttachments},
    {"opera", MailProgramKind::DropsAttachments},
    {"epiphany", MailProgramKind::DropsAttachments},
    {"epiphany-browser", MailProgramKind::DropsAttachments},
    {"falkon", MailProgramKind::DropsAttachments},
    {"midori", MailProgramKind::DropsAttachments},
    {"qutebrowser", MailProgramKind::DropsAttachments},
    {"gnome-gmail", MailProgramKind::DropsAttachments},
    {"mutt", MailProgramKind::DropsAttachments},
    {"neomutt", MailProgramKind::DropsAttachments},
};

MailProgramKind KindOf(const QString& programName)
{
    const QString name = programName.toLower();
    for (const KnownProgram& p : kKnownPrograms) {
        if (name == QLatin1String(p.name))
            return p.kind;
    }
    return MailProgramKind::Other;
}

QString BaseName(const QString& program)
{
    return QFileInfo(program).fileName();
}

// "flatpak run [options] APP-ID [args]": the launcher up to the application
// id, and the program's name from --command= or the id's last part.
MailProgram IdentifyFlatpak(const QStringList& args, qsizetype runIndex)
{
    MailProgram result;
    QString command;
    for (qsizetype i = 0; i <= runIndex; ++i)
        result.launcher << args.at(i);
    for (qsizetype i = runIndex + 1; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a.startsWith(QLatin1String("--"))) {
            if (a.startsWith(QLatin1String("--command=")))
                command = a.mid(10);
            // Forwarding works on file arguments only; the attachment is
            // named inside another argument.
            if (a != QLatin1String("--file-forwarding"))
                result.launcher << a;
            continue;
        }
        result.launcher << a;  // the application id
        const QString name = command.isEmpty() ? a.section(QLatin1Char('.'), -1) : BaseName(command);
        result.kind = KindOf(name);
        return result;
    }
    return MailProgram{};
}

QString NoSingleQuotes(QString text)
{
    // Thunderbird's -compose values are wrapped in single quotes and cannot
    // escape one; a typographic apostrophe keeps the text readable.
    text.replace(QLatin1Char('\''), QChar(0x2019));
    return text;
}

QString Encoded(const QString& text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

// "file://" and the path, percent-encoded so that quotes, commas and spaces
// cannot end a value early.
QString EncodedFileUrl(const QString& absolutePath)
{
    return QStringLiteral("file://") + QString::fromLatin1(FileNameBytes(absolutePath).toPercentEncoding("/"));
}

// "mailto:?subject=…" plus the attachment, every value percent-encoded.
QString MailtoUrl(const MailMessage& m, const QString& attachment)
{
    QStringList fields;
    if (!m.Subject.isEmpty())
        fields << QStringLiteral("subject=") + Encoded(m.Subject);
    if (!attachment.isEmpty())
        fields << QStringLiteral("attach=") + Encoded(EncodedFileUrl(attachment));
    return QStringLiteral("mailto:?") + fields.join(QLatin1Char('&'));
}

} // namespace

MailProgram IdentifyMailProgram(const QStringList& execArgs)
{
    qsizetype i = 0;
    // env [-options] [NAME=VALUE]... PROGRAM
    if (i < execArgs.size() && BaseName(execArgs.at(i)) == QLatin1String("env")) {
        for (++i; i < execArgs.size(); ++i) {
            const QString& a = execArgs.at(i);
            if (a == QLatin1String("-u") || a == QLatin1String("--unset") || a == QLatin1String("-C")
                || a == QLatin1String("--chdir")) {
                ++i;  // the option's value
                continue;
            }
            if (!a.startsWith(QLatin1Char('-')) && !a.contains(QLatin1Char('=')))
                break;
        }
    }
    if (i >= execArgs.size())
        return MailProgram{};
    if (BaseName(execArgs.at(i)) == QLatin1String("flatpak") && i + 1 < execArgs.size()
        && execArgs.at(i + 1) == QLatin1String("run"))
        return IdentifyFlatpak(execArgs, i + 1);
    MailProgram result;
    result.kind = KindOf(BaseName(execArgs.at(i)));
    result.launcher = execArgs.mid(0, i + 1);
    return result;
}

std::optional<MailCommand> BuildMailCommand(const MailProgram& program, const MailMessage& message,
                                            const QString& attachmentPath)
{
    const bool attach = !attachmentPath.isEmpty();
    QStringList args;
    switch (program.kind) {
    case MailProgramKind::DropsAttachments:
        return std::nullopt;
    case MailProgramKind::Thunderbird: {
        QStringList fields;
        if (!message.Subject.isEmpty())
            fields << QStringLiteral("subject='%1'").arg(NoSingleQuotes(message.Subject));
        if (attach)
            fields << QStringLiteral("attachment='%1'").arg(EncodedFileUrl(attachmentPath));
        args << QStringLiteral("-compose") << fields.join(QLatin1Char(','));
        break;
    }
    case MailProgramKind::Evolution:
        args << MailtoUrl(message, attachmentPath);
        break;
    case MailProgramKind::KMail:
        args << QStringLiteral("--subject") << message.Subject;
        if (attach)
            args << QStringLiteral("--attach") << attachmentPath;
        break;
    case MailProgramKind::ClawsMail:
        args << QStringLiteral("--compose") << MailtoUrl(message, QString());
        if (attach)
            args << QStringLiteral("--attach") << attachmentPath;
        break;
    case MailProgramKind::Other: {
        // xdg-email finds the default program itself and knows more of them.
        MailCommand c;
        c.program = QStringLiteral("xdg-email");
        c.arguments << QStringLiteral("--utf8") << QStringLiteral("--subject") << message.Subject;
        if (attach)
            c.arguments << QStringLiteral("--attach") << attachmentPath;
        return c;
    }
    }
    if (program.launcher.isEmpty())
        return std::nullopt;
    MailCommand c;
    c.program = program.launcher.constFirst();
    c.arguments = program.launcher.mid(1) + args;
    return c;
}

bool RunsSandboxed(const QStringList& command)
{
    if (command.isEmpty())
        return false;
    const QString& program = command.first();
    // Snaps are started through /snap/bin (the snap's command or a link to it).
    if (program.startsWith(QLatin1String("/snap/bin/")) || program.startsWith(QLatin1String("/var/lib/snapd/snap/bin/")))
        return true;
    if (BaseName(program) == QLatin1String("snap") && command.value(1) == QLatin1String("run"))
        return true;
    // Flatpak's exported entries run "flatpak run … APP-ID".
    return BaseName(program) == QLatin1String("flatpak") && command.contains(QLatin1String("run"));
}

} // namespace platform

} // namespace yotsumado
