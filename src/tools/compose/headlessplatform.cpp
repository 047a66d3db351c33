#include "tools/compose/headlessplatform.h"

#include <QCoreApplication>

namespace yotsumado {

namespace {

class CancelledSaveDialog final : public platform::SaveDialog {
public:
    std::optional<QString> Execute(QWidget*, const platform::SaveDialogRequest&) override { return std::nullopt; }
};

class RecordedBoxes final : public platform::MessageBoxes {
public:
    explicit RecordedBoxes(QStringList* errors) : errors_(errors) {}
    void ShowError(QWidget*, const QString&, const QString& text) override { errors_->append(text); }
    bool AskYesNo(QWidget*, const QString&, const QString&) override { return false; }
    void ShowInformation(QWidget*, const QString&, const QString&) override {}
    void Beep() override {}

private:
    QStringList* errors_;
};

class NoShellOpen final : public platform::ShellOpen {
public:
    void OpenUrl(const QUrl&) override {}
};

class RefusedMail final : public platform::MailHandOver {
public:
    platform::MailResult SendMail(const platform::MailMessage&) override { return platform::MailOutcome::NoMailProgram; }
};

class LocalClock final : public platform::Clock {
public:
    QDateTime Now() override { return QDateTime::currentDateTime(); }
};

class ApplicationPath final : public platform::ProgramPath {
public:
    QString Path() override { return QCoreApplication::applicationFilePath(); }
};

} // namespace

HeadlessPlatform::HeadlessPlatform()
{
    services.saveDialog = std::make_unique<CancelledSaveDialog>();
    services.messageBoxes = std::make_unique<RecordedBoxes>(&errors_);
    services.shellOpen = std::make_unique<NoShellOpen>();
    services.mail = std::make_unique<RefusedMail>();
    services.clock = std::make_unique<LocalClock>();
    services.programPath = std::make_unique<ApplicationPath>();
}

} // namespace yotsumado
