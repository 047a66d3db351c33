#include "scriptedplatform.h"

namespace yotsumado::platform {

namespace {

struct Shared {
    Script* script;
    ScriptedLog* log;
    void Modal() const { if (script->whileModal) script->whileModal(); }
};

class ScriptedSaveDialog final : public SaveDialog {
public:
    explicit ScriptedSaveDialog(Shared s) : s_(s) {}
    std::optional<QString> Execute(QWidget*, const SaveDialogRequest& request) override
    {
        s_.log->saveDialogs.append(request);
        s_.Modal();
        std::optional<QString> answer;
        if (!s_.script->saveAnswers.empty()) {
            answer = s_.script->saveAnswers.front();
            s_.script->saveAnswers.pop_front();
        }
        return answer;
    }
private:
    Shared s_;
};

class ScriptedMessageBoxes final : public MessageBoxes {
public:
    explicit ScriptedMessageBoxes(Shared s) : s_(s) {}
    void ShowError(QWidget*, const QString& caption, const QString& text) override
    {
        s_.log->boxes.append({QStringLiteral("error"), caption, text});
        s_.Modal();
    }
    bool AskYesNo(QWidget*, const QString& caption, const QString& text) override
    {
        s_.log->boxes.append({QStringLiteral("question"), caption, text});
        s_.Modal();
        if (s_.script->yesNoAnswers.empty()) return false;
        const bool a = s_.script->yesNoAnswers.front();
        s_.script->yesNoAnswers.pop_front();
        return a;
    }
    void ShowInformation(QWidget*, const QString& caption, const QString& text) override
    {
        s_.log->boxes.append({QStringLiteral("information"), caption, text});
        s_.Modal();
    }
    void Beep() override { ++s_.log->beeps; }
private:
    Shared s_;
};

class ScriptedShellOpen final : public ShellOpen {
public:
    explicit ScriptedShellOpen(Shared s) : s_(s) {}
    void OpenUrl(const QUrl& url) override { s_.log->openedUrls.append(url); }
private:
    Shared s_;
};

class ScriptedMail final : public MailHandOver {
public:
    explicit ScriptedMail(Shared s) : s_(s) {}
    MailResult SendMail(const MailMessage& message) override
    {
        s_.log->mails.append(message);
        s_.Modal();
        if (s_.script->mailResults.empty()) return {};
        const MailResult r = s_.script->mailResults.front();
        s_.script->mailResults.pop_front();
        return r;
    }
private:
    Shared s_;
};

class ScriptedClipboard final : public Clipboard {
public:
    explicit ScriptedClipboard(Shared s) : s_(s) {}
    void Offer(std::unique_ptr<QMimeData> data) override { s_.script->clipboard = std::move(data); }
    const QMimeData* Offered() override { return s_.script->clipboard.get(); }
private:
    Shared s_;
};

class ScriptedPointer final : public PointerConfinement {
public:
    explicit ScriptedPointer(Shared s) : s_(s) {}
    void Confine(const QRect& r) override { s_.log->confinements.append(r); }
    void Release() override { ++s_.log->releases; }
private:
    Shared s_;
};

class ScriptedClock final : public Clock {
public:
    explicit ScriptedClock(Shared s) : s_(s) {}
    QDateTime Now() override { return s_.script->now; }
private:
    Shared s_;
};

class ScriptedProgramPath final : public ProgramPath {
public:
    explicit ScriptedProgramPath(Shared s) : s_(s) {}
    QString Path() override { return s_.script->programPath; }
private:
    Shared s_;
};

} // namespace

Services MakeScriptedServices(Script* script, ScriptedLog* log)
{
    const Shared s{script, log};
    Services out;
    out.saveDialog = std::make_unique<ScriptedSaveDialog>(s);
    out.messageBoxes = std::make_unique<ScriptedMessageBoxes>(s);
    out.shellOpen = std::make_unique<ScriptedShellOpen>(s);
    out.mail = std::make_unique<ScriptedMail>(s);
    out.clipboard = std::make_unique<ScriptedClipboard>(s);
    out.pointer = std::make_unique<ScriptedPointer>(s);
    out.clock = std::make_unique<ScriptedClock>(s);
    out.programPath = std::make_unique<ScriptedProgramPath>(s);
    return out;
}

ScriptedPlatform::ScriptedPlatform()
    : services(MakeScriptedServices(&script, &log))
{
}

} // namespace yotsumado::platform
