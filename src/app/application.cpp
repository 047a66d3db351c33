#include "application.h"

#include "error.h"
#include "fonts.h"
#include "qttranslations.h"
#include "services.h"

#include <QWidget>

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("yotsumado"));
    setDesktopFileName(QStringLiteral("yotsumado"));
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
    platform::Current().messageBoxes->ShowError(activeWindow(), title_, ErrorBoxText(error.Message()));
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    bool handled = true;
    RunGuarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}
