#include "app/application.h"

#include "core/error.h"
#include "platform/fonts.h"
#include "platform/qttranslations.h"
#include "platform/services.h"

#include <QWidget>

namespace yotsumado {

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("yotsumado"));
    setDesktopFileName(QStringLiteral("yotsumado"));
    // The program ends when its main window closes (TMainForm1::closeEvent),
    // never because some other window of it was the last one to close.
    setQuitOnLastWindowClosed(false);
    platform::InstallFontSubstitutions();
    platform::InstallQtJapaneseTranslations(*this);
}

TApplication* TApplication::Instance()
{
    return static_cast<TApplication*>(QCoreApplication::instance());
}

QString ErrorBoxText(const QString& message)
{
    if (!message.isEmpty()) {
        const QString last = message.right(message.back().isLowSurrogate() && message.size() > 1 ? 2 : 1);
        if (last.toUcs4().value(0) > U'.')
            return message + QLatin1Char('.');
    }
    return message;
}

void TApplication::ShowException(const Exception& error)
{
    if (dynamic_cast<const EAbort*>(&error))
        return;
    constexpr const char* kTo = "the application";
    if (!services_)
        platform::MissingService("message-box", kTo);
    services_->MessageBoxService(kTo).ShowError(DialogOwner(), title_, ErrorBoxText(error.Message()));
}

void TApplication::ShowInformation(const QString& text)
{
    constexpr const char* kTo = "the application";
    if (!services_)
        platform::MissingService("message-box", kTo);
    services_->MessageBoxService(kTo).ShowInformation(DialogOwner(), title_, text);
}

QWidget* TApplication::DialogOwner() const
{
    if (QWidget* open = activeModalWidget())
        return open;
    return mainForm_;
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    bool handled = true;
    RunGuarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace yotsumado
