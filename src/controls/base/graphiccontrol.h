#pragma once
// TGraphicControl: the base of the window-less controls. It is a child
// QWidget painted on its parent's surface inside its own bounds; its settings
// are Q_PROPERTYs whose write accessors carry the design's names, and its
// events are callable members that an owner binds (see storedform.h).
//
// Mouse input arrives as the design's dispatch operations MouseDown,
// MouseMove, MouseUp (and DblClick for a left double-click), with the
// coordinates in the control's own pixels. As on the original platform the
// control keeps the pointer captured while a button is held, so moves and the
// release reach it even outside its bounds. A right-button release is passed
// on to the parent afterwards so that the window can open its context menu.

#include "controls/base/message.h"
#include "core/tcolor.h"

#include <QWidget>

#include <functional>
#include <variant>

class QPainter;

namespace yotsumado {

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

using TShiftState = unsigned;
enum : TShiftState {
    ssShift = 1u << 0,
    ssAlt = 1u << 1,
    ssCtrl = 1u << 2,
    ssLeft = 1u << 3,
    ssRight = 1u << 4,
    ssMiddle = 1u << 5,
    ssDouble = 1u << 6,
};

// Cursor identifiers of the original platform.
using TCursor = int;
enum : TCursor {
    crDefault = 0, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6, crSizeNS = -7,
    crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11, crHSplit = -14,
    crVSplit = -15, crHandPoint = -21,
};
QCursor CursorShape(TCursor cursor);

// Event signatures. An event counts as assigned when it holds a callable.
using TNotifyEvent = std::function<void(QObject* Sender)>;
using TMouseEvent = std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(QObject* Sender, TShiftState Shift, int X, int Y)>;
using TEventHandler = std::variant<TNotifyEvent, TMouseEvent, TMouseMoveEvent>;

// The device pixel ratio of what a painter really draws on: a widget's
// backing store on a scaled screen, or the image a widget is rendered into.
// Off-screen bitmaps made at this ratio keep the controls crisp at any scale.
qreal DevicePixelRatioOf(QPainter& painter);

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
// The live keyboard and mouse state (Double is never set).
TShiftState CurrentShiftState();

class TGraphicControl : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Left READ Left WRITE SetLeft)
    Q_PROPERTY(int Top READ Top WRITE SetTop)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(int Cursor READ Cursor WRITE SetCursor)

public:
    explicit TGraphicControl(QWidget* parent = nullptr);

    int Left() const { return x(); }
    int Top() const { return y(); }
    int Width() const { return width(); }
    int Height() const { return height(); }
    void SetLeft(int v) { SetBounds(v, Top(), Width(), Height()); }
    void SetTop(int v) { SetBounds(Left(), v, Width(), Height()); }
    void SetWidth(int v) { SetBounds(Left(), Top(), v, Height()); }
    void SetHeight(int v) { SetBounds(Left(), Top(), Width(), v); }
    // Moves and resizes at once; the control repaints at its new place.
    virtual void SetBounds(int left, int top, int width, int height);

    bool Visible() const { return !isHidden(); }
    void SetVisible(bool v) { setVisible(v); }
    // The control's own setting. isEnabled() also follows the ancestors: a
    // control in a disabled container reads Enabled true but is not enabled.
    bool Enabled() const { return !testAttribute(Qt::WA_ForceDisabled); }
    void SetEnabled(bool v) { setEnabled(v); }
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor v);

    // Binds an event by its published name ("OnMouseUp"); false when the
    // control has no such event or the handler has the wrong signature.
    virtual bool BindEvent(const QByteArray& name, const TEventHandler& handler);

    // Sends a message to this control and returns its result.
    std::intptr_t Perform(int msg, std::intptr_t wparam = 0, std::intptr_t lparam = 0);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;

protected:
    // The design's dispatch operations; the base raises the matching event.
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void Click();
    virtual void DblClick();
    // Left double-click: the base raises DblClick, then handles the second
    // press as a press with ssDouble.
    virtual void WMLButtonDblClick(TShiftState shift, int x, int y);
    // Messages sent with Perform or broadcast to the parent's controls.
    virtual void WndProc(TMessage& message);

    // Painting. Canvas() is valid only inside Paint().
    virtual void Paint() {}
    QPainter& Canvas() const { return *canvas_; }

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    TCursor cursor_ = crDefault;
    QPainter* canvas_ = nullptr;
};

} // namespace yotsumado
