#pragma once
// Ends the event loop right after a widget's first paint has been handled
// (and so flushed to the screen), for start-up timings.

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

class TFirstPaintExit : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            // Queued: runs once the paint in progress has been drawn and flushed.
            QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool seen_ = false;
};
