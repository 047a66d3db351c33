#pragma once
// The scripted double of the platform services, for tests and for the
// headless tools: answers come from queues the caller fills, and every call
// is recorded. A dialog or box with no scripted answer behaves as if the user
// cancelled or closed it.

#include "services.h"

#include <QList>
#include <QStringList>

#include <deque>

namespace platform {

struct ScriptedLog {
    struct Box {
        QString kind;  // "error", "question", "information"
        QString caption;
        QString text;
    };
    QList<Box> boxes;
    QList<SaveDialogRequest> saveDialogs;
    QList<MailMessage> mails;
    QList<QUrl> openedUrls;
    QList<QRect> confinements;
    int releases = 0;
    int beeps = 0;
};

struct Script {
    std::deque<std::optional<QString>> saveAnswers;  // nullopt = cancel
    std::deque<bool> yesNoAnswers;                   // true = はい(&Y)
    std::deque<int> mailResults;                     // 0 = accepted
    QDateTime now = QDateTime(QDate(2026, 12, 6), QTime(14, 30));
    QString programPath = QStringLiteral("/usr/bin/yotsumado");
    // Called while a box or dialog is "open", to look at the window then.
    std::function<void()> whileModal;
};

// Makes a set of scripted services sharing one script and one log.
std::unique_ptr<Services> MakeScriptedServices(Script* script, ScriptedLog* log);

// Installs scripted services for the life of this object, then restores
// whatever was in force before.
class ScopedScriptedPlatform {
public:
    ScopedScriptedPlatform();
    ~ScopedScriptedPlatform();
    ScopedScriptedPlatform(const ScopedScriptedPlatform&) = delete;
    ScopedScriptedPlatform& operator=(const ScopedScriptedPlatform&) = delete;
    Script script;
    ScriptedLog log;

private:
    std::unique_ptr<Services> previous_;
};

} // namespace platform
