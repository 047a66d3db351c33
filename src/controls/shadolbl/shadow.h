#pragma once
// TShadow: the settings of one offset copy of a shadow label's text (its
// shadow or its highlight): whether it is drawn, its colour while the label is
// enabled, and its offset from the main text. The owning label wires OnChange
// to a repaint of its own.

#include "controls/base/graphiccontrol.h"

#include <QObject>

namespace yotsumado {

class TShadow : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool Visible READ Visible WRITE SetShadowVisible)
    Q_PROPERTY(int Color READ Color WRITE SetShadowColor)
    Q_PROPERTY(int OffsetLeft READ OffsetLeft WRITE SetShadowLeft)
    Q_PROPERTY(int OffsetTop READ OffsetTop WRITE SetShadowTop)
    Q_CLASSINFO("default:Visible", "true")
    Q_CLASSINFO("default:Color", "clSilver")
    Q_CLASSINFO("default:OffsetLeft", "1")
    Q_CLASSINFO("default:OffsetTop", "1")

public:
    explicit TShadow(QObject* parent = nullptr);

    bool Visible() const { return visible_; }
    TColor Color() const { return color_; }
    int OffsetLeft() const { return offsetLeft_; }
    int OffsetTop() const { return offsetTop_; }

    // Each stores a different value and then reports the change.
    void SetShadowVisible(bool v);
    void SetShadowColor(TColor v);
    void SetShadowLeft(int v);
    void SetShadowTop(int v);

    // Copies the values of another TShadow (or a class derived from it) and
    // reports one change, even when nothing differed. Any other source throws
    // EConvertError and leaves this object as it was.
    void Assign(const QObject* source);

    // Called with this object as sender after a value changed.
    TNotifyEvent OnChange;

private:
    void Changed();

    bool visible_ = true;
    TColor color_ = clSilver;
    int offsetLeft_ = 1;
    int offsetTop_ = 1;
};

} // namespace yotsumado
