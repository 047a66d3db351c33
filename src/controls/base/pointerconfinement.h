#pragma once
// What a control that is dragged asks of the desktop: keep the pointer inside
// a screen rectangle while a button is held. The program hands in the real
// one (the platform's desktop services), a test a scripted one; a control
// that was handed none does not confine.

#include <QRect>

namespace yotsumado {

class PointerConfinement {
public:
    virtual ~PointerConfinement() = default;
    virtual void Confine(const QRect& screenRect) = 0;
    virtual void Release() = 0;
};

} // namespace yotsumado
