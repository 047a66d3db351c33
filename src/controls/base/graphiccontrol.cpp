#include "controls/base/graphiccontrol.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>

namespace yotsumado {

QCursor CursorShape(TCursor cursor)
{
    switch (cursor) {
    case crArrow: return Qt::ArrowCursor;
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crSizeNESW: return Qt::SizeBDiagCursor;
    case crSizeNS: return Qt::SizeVerCursor;
    case crSizeNWSE: return Qt::SizeFDiagCursor;
    case crSizeWE: return Qt::SizeHorCursor;
    case crUpArrow: return Qt::UpArrowCursor;
    case crHourGlass: return Qt::WaitCursor;
    case crHSplit: return Qt::SplitHCursor;
    case crVSplit: return Qt::SplitVCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    default: return Qt::ArrowCursor;
    }
}

qreal DevicePixelRatioOf(QPainter& painter)
{
    // While a widget is rendered into another device, painter.device() is
    // still the widget; the engine's device is the one that is painted.
    const QPaintEngine* engine = painter.paintEngine();
    const QPaintDevice* device = engine && engine->paintDevice() ? engine->paintDevice() : painter.device();
    return device ? std::max<qreal>(1.0, device->devicePixelRatio()) : 1.0;
}

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons)
{
    TShiftState s = 0;
    if (modifiers & Qt::ShiftModifier) s |= ssShift;
    if (modifiers & Qt::AltModifier) s |= ssAlt;
    if (modifiers & Qt::ControlModifier) s |= ssCtrl;
    if (buttons & Qt::LeftButton) s |= ssLeft;
    if (buttons & Qt::RightButton) s |= ssRight;
    if (buttons & Qt::MiddleButton) s |= ssMiddle;
    return s;
}

TShiftState CurrentShiftState()
{
    return ShiftStateOf(QGuiApplication::queryKeyboardModifiers(), QGuiApplication::mouseButtons());
}

namespace {
bool ToMouseButton(Qt::MouseButton qt, TMouseButton* out)
{
    switch (qt) {
    case Qt::LeftButton: *out = TMouseButton::mbLeft; return true;
    case Qt::RightButton: *out = TMouseButton::mbRight; return true;
    case Qt::MiddleButton: *out = TMouseButton::mbMiddle; return true;
    default: return false;
    }
}

template <typename T>
bool Assign(T& slot, const TEventHandler& handler)
{
    if (const T* h = std::get_if<T>(&handler)) {
        slot = *h;
        return true;
    }
    return false;
}
} // namespace

TGraphicControl::TGraphicControl(QWidget* parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    // Child controls have no menu of their own: a right-click goes to the window.
    setContextMenuPolicy(Qt::NoContextMenu);
}

void TGraphicControl::SetBounds(int left, int top, int width, int height)
{
    setGeometry(left, top, std::max(0, width), std::max(0, height));
}

void TGraphicControl::SetCursor(TCursor v)
{
    if (v == cursor_)
        return;
    cursor_ = v;
    if (v == crDefault)
        unsetCursor();
    else
        setCursor(CursorShape(v));
}

bool TGraphicControl::BindEvent(const QByteArray& name, const TEventHandler& handler)
{
    if (name == "OnClick") return Assign(OnClick, handler);
    if (name == "OnDblClick") return Assign(OnDblClick, handler);
    if (name == "OnMouseDown") return Assign(OnMouseDown, handler);
    if (name == "OnMouseUp") return Assign(OnMouseUp, handler);
    if (name == "OnMouseMove") return Assign(OnMouseMove, handler);
    return false;
}

std::intptr_t TGraphicControl::Perform(int msg, std::intptr_t wparam, std::intptr_t lparam)
{
    TMessage m{msg, wparam, lparam, 0};
    return SendControlMessage(this, m);
}

void TGraphicControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TGraphicControl::MouseMove(TShiftState shift, int x, int y)
{
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TGraphicControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TGraphicControl::Click()
{
    if (OnClick) OnClick(this);
}

void TGraphicControl::DblClick()
{
    if (OnDblClick) OnDblClick(this);
}

void TGraphicControl::WMLButtonDblClick(TShiftState shift, int x, int y)
{
    DblClick();
    MouseDown(TMouseButton::mbLeft, shift | ssDouble, x, y);
}

void TGraphicControl::WndProc(TMessage&) {}

void TGraphicControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    canvas_ = &painter;
    Paint();
    canvas_ = nullptr;
}

void TGraphicControl::mousePressEvent(QMouseEvent* event)
{
    TMouseButton button;
    if (!ToMouseButton(event->button(), &button)) {
        event->ignore();
        return;
    }
    const QPoint p = event->position().toPoint();
    MouseDown(button, ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y());
}

void TGraphicControl::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    MouseMove(ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y());
}

void TGraphicControl::mouseReleaseEvent(QMouseEvent* event)
{
    TMouseButton button;
    if (!ToMouseButton(event->button(), &button)) {
        event->ignore();
        return;
    }
    const QPoint p = event->position().toPoint();
    MouseUp(button, ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y());
    // Let the right-button release travel on to the window, which opens its
    // context menu for it wherever in the client area it happened.
    if (button == TMouseButton::mbRight)
        event->ignore();
}

void TGraphicControl::mouseDoubleClickEvent(QMouseEvent* event)
{
    TMouseButton button;
    if (!ToMouseButton(event->button(), &button)) {
        event->ignore();
        return;
    }
    const QPoint p = event->position().toPoint();
    const TShiftState shift = ShiftStateOf(event->modifiers(), event->buttons());
    if (button == TMouseButton::mbLeft)
        WMLButtonDblClick(shift, p.x(), p.y());
    else
        MouseDown(button, shift | ssDouble, p.x(), p.y());
}

bool TGraphicControl::event(QEvent* event)
{
    if (event->type() == TMessageEvent::EventType()) {
        WndProc(static_cast<TMessageEvent*>(event)->Message());
        return true;
    }
    return QWidget::event(event);
}

} // namespace yotsumado
