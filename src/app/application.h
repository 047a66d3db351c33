#pragma once
// TApplication: the application object. It carries the title that captions
// the message boxes, resolves the Japanese face the layout names, and is the
// one place where an error raised in any handler is caught and shown in the
// error box while the window keeps running.

#include <QApplication>

class Exception;

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    static TApplication* Instance();

    QString Title() const { return title_; }
    void SetTitle(const QString& title) { title_ = title; }

    // Shows the error box for an error (nothing for a silent abort).
    void ShowException(const Exception& error);

    bool notify(QObject* receiver, QEvent* event) override;

private:
    QString title_;
};

// The error box text: the message, with a "." appended when it is not empty
// and its last character sorts after ".".
QString ErrorBoxText(const QString& message);

// Runs f; an error it raises is shown in the error box instead of escaping.
template <typename F>
void RunGuarded(F&& f);

#include "error.h"

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
