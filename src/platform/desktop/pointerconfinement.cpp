#include "platform/desktop/pointerconfinement.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>

namespace yotsumado {

namespace platform {

namespace {
bool CanWarp()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}
} // namespace

void WarpPointerConfinement::Confine(const QRect& screenRect)
{
    if (!CanWarp() || screenRect.isEmpty())
        return;
    rect_ = screenRect;
    if (!active_) {
        qApp->installEventFilter(this);
        active_ = true;
    }
}

void WarpPointerConfinement::Release()
{
    if (!active_)
        return;
    qApp->removeEventFilter(this);
    active_ = false;
}

bool WarpPointerConfinement::eventFilter(QObject* watched, QEvent* event)
{
    if (active_ && event->type() == QEvent::MouseMove) {
        const QPoint p = QCursor::pos();
        const QPoint clamped(std::clamp(p.x(), rect_.left(), rect_.right()),
                             std::clamp(p.y(), rect_.top(), rect_.bottom()));
        if (clamped != p)
            QCursor::setPos(clamped);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace platform

} // namespace yotsumado
