#pragma once
// TApplication: the application object. It carries the title that captions
// the message boxes, resolves the Japanese face the layout names, and is the
// one place where an error raised in any handler is caught and shown in the
// error box while the window keeps running.

#include "core/error.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

namespace yotsumado {

namespace platform { struct Services; }

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    static TApplication* Instance();

    QString Title() const { return title_; }
    void SetTitle(const QString& title) { title_ = title; }

    // The application's main window: the first main window created. Only
    // closing it ends the program; every box and dialog belongs to it.
    QWidget* MainForm() const { return mainForm_; }
    void SetMainForm(QWidget* form) { mainForm_ = form; }

    // The window a box or dialog opened now belongs to: the box or dialog
    // already open, if any, else the main window. Never whichever window
    // happens to be active: after a drop from another program, or once the
    // save dialog has closed, none of the program's windows is.
    QWidget* DialogOwner() const;

    // The services whose message boxes show the error box: the program's
    // (handed in by main, or a tool or test of its own). They must outlive
    // their use; showing an error without any ends the program, naming the
    // missing service.
    platform::Services* PlatformServices() const { return services_; }
    void SetPlatformServices(platform::Services* services) { services_ = services; }

    // Shows the error box for an error (nothing for a silent abort).
    void ShowException(const Exception& error);
    // Shows an information box, captioned and owned as the error box is.
    void ShowInformation(const QString& text);

    bool notify(QObject* receiver, QEvent* event) override;

private:
    QString title_;
    QPointer<QWidget> mainForm_;
    platform::Services* services_ = nullptr;
};

// The error box text: the message, with a "." appended when it is not empty
// and its last character sorts after ".".
QString ErrorBoxText(const QString& message);

// Runs f; an error it raises is shown in the error box instead of escaping.
template <typename F>
void RunGuarded(F&& f);

template <typename F>
void RunGuarded(F&& f)
{
    try {
        f();
    } catch (const EAbort&) {
    } catch (const Exception& e) {
        TApplication::Instance()->ShowException(e);
    } catch (...) {
        TApplication::Instance()->ShowException(Exception(QString()));
    }
}

} // namespace yotsumado
