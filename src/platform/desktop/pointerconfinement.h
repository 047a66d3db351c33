#pragma once
#include "platform/services.h"

#include <QObject>

namespace yotsumado {

namespace platform {

// Confines the pointer by warping it back into the rectangle whenever it
// leaves. A core pointer grab cannot be had inside a button press (the
// toolkit already holds the press's implicit grab), but warping works on X11.
// Where the display server refuses to move the pointer (Wayland, offscreen)
// this does nothing.
class WarpPointerConfinement final : public QObject, public PointerConfinement {
public:
    void Confine(const QRect& screenRect) override;
    void Release() override;
    bool Active() const { return active_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QRect rect_;
    bool active_ = false;
};

} // namespace platform

} // namespace yotsumado
