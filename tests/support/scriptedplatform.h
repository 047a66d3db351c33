#pragma once
// The scripted double of the platform services, for the tests and the
// benchmarks: answers come from queues the caller fills, and every call is
// recorded. A dialog or box with no scripted answer behaves as if the user
// cancelled or closed it.

#include "platform/services.h"

#include <QList>
#include <QMimeData>
#include <QStringList>

#include <deque>

namespace yotsumado::platform {

struct ScriptedLog {
    struct Box {
        QString kind;  // "error", "question", "information"
        QString caption;
        QString text;
    };
    QList<Box> boxes;
    QList<SaveDialogRequest> saveDialogs;
    QList<MailMessage> mails;  // with the attachment's bytes
    QList<QUrl> openedUrls;
    QList<QRect> confinements;
    int releases = 0;
    int beeps = 0;
};

struct Script {
    std::deque<std::optional<QString>> saveAnswers;  // nullopt = cancel
    std::deque<bool> yesNoAnswers;                   // true = はい(&Y)
    std::deque<MailResult> mailResults;              // none left: CommandFailed
    QDateTime now = QDateTime(QDate(2026, 12, 6), QTime(14, 30));
    QString programPath = QStringLiteral("/usr/bin/yotsumado");
    std::unique_ptr<QMimeData> clipboard;  // what a paste finds and a copy leaves
    // Called while a box or dialog is "open", to look at the window then.
    std::function<void()> whileModal;
};

// Makes a set of scripted services sharing one script and one log.
Services MakeScriptedServices(Script* script, ScriptedLog* log);

// A full set of scripted services with their script and log, to hand to a
// window (and the application object) that must outlive neither. A test may
// swap a service for another (the real message boxes, say) once the window
// is built, but for the pointer confinement, which the window hands on to
// its dividers when built.
class ScriptedPlatform {
public:
    ScriptedPlatform();
    ScriptedPlatform(const ScriptedPlatform&) = delete;
    ScriptedPlatform& operator=(const ScriptedPlatform&) = delete;
    Script script;
    ScriptedLog log;
    Services services;
};

} // namespace yotsumado::platform
