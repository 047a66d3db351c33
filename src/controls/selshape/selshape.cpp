#include "controls/selshape/selshape.h"

#include <QEvent>
#include <QPointer>

#include <algorithm>
#include <limits>

namespace yotsumado {

namespace {

// The bounds arithmetic runs in 64 bits so that extreme limits cannot
// overflow; results are brought back into the range of a coordinate.
int ClampInt(qint64 v)
{
    return static_cast<int>(std::clamp<qint64>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

constexpr TShiftState kAnyButton = ssLeft | ssRight | ssMiddle;

} // namespace

TSelShape::TSelShape(QWidget* parent)
    : TShape(parent)
{
    // A new selection shape is an unfilled outline.
    Brush()->SetStyle(TBrush::bsClear);
}

TSelShape::~TSelShape()
{
    // A shape destroyed in the middle of a drag must not leave the pointer
    // confined. The owner is not called: it may be going away itself.
    ReleasePointer();
}

qint64 TSelShape::BottomLimit() const
{
    if (maxBottom_ > minTop_)
        return maxBottom_;
    if (const QWidget* p = parentWidget())
        return p->height();
    return std::numeric_limits<int>::max();
}

qint64 TSelShape::RightLimit() const
{
    if (maxRight_ > minLeft_)
        return maxRight_;
    if (const QWidget* p = parentWidget())
        return p->width();
    return std::numeric_limits<int>::max();
}

void TSelShape::SelChgTop(int delta)
{
    const qint64 top = Top();
    const qint64 height = Height();
    qint64 d = delta;
    if (top + d < minTop_)
        d = minTop_ - top;
    // A step that would leave the shape too low is dropped whole, not shortened.
    if (height - d >= minHeight_) {
        SetTop(ClampInt(top + d));
        SetHeight(ClampInt(height - d));
    }
}

void TSelShape::SelChgBot(int delta)
{
    const qint64 height = Height();
    if (height + delta < minHeight_)
        return;
    qint64 d = delta;
    const qint64 bottom = Top() + height;
    const qint64 limit = BottomLimit();
    if (bottom + d > limit)
        d = limit - bottom;
    SetHeight(ClampInt(height + d));
    // The pointer's place in the shape moves with the edge.
    anchorY_ = ClampInt(anchorY_ + (Height() - height));
}

void TSelShape::SelChgLft(int delta)
{
    const qint64 left = Left();
    const qint64 width = Width();
    qint64 d = delta;
    if (left + d < minLeft_)
        d = minLeft_ - left;
    if (width - d >= minWidth_) {
        SetLeft(ClampInt(left + d));
        SetWidth(ClampInt(width - d));
    }
}

void TSelShape::SelChgRit(int delta)
{
    const qint64 width = Width();
    if (width + delta < minWidth_)
        return;
    qint64 d = delta;
    const qint64 right = Left() + width;
    const qint64 limit = RightLimit();
    if (right + d > limit)
        d = limit - right;
    SetWidth(ClampInt(width + d));
    anchorX_ = ClampInt(anchorX_ + (Width() - width));
}

void TSelShape::SelChgMov(int dx, int dy)
{
    // The minimum comes first, so where the shape cannot fit the maximum wins.
    // The anchor stays: the shape moves along with the pointer.
    if (HasSelOption(MoveY)) {
        const qint64 top = Top();
        qint64 d = dy;
        if (top + d < minTop_)
            d = minTop_ - top;
        const qint64 limit = BottomLimit();
        if (top + Height() + d > limit)
            d = limit - (top + Height());
        SetTop(ClampInt(top + d));
    }
    if (HasSelOption(MoveX)) {
        const qint64 left = Left();
        qint64 d = dx;
        if (left + d < minLeft_)
            d = minLeft_ - left;
        const qint64 limit = RightLimit();
        if (left + Width() + d > limit)
            d = limit - (left + Width());
        SetLeft(ClampInt(left + d));
    }
}

TSelShape::TSelMode TSelShape::HitTest(int x, int y) const
{
    enum Band { Low, Middle, High };
    const qint64 s = sizeSense_;
    // The left and top tests come first, so they win in a small shape.
    const Band column = x <= s ? Low : (qint64{Width()} - x <= s ? High : Middle);
    const Band row = y <= s ? Low : (qint64{Height()} - y <= s ? High : Middle);
    static constexpr TSelMode kModes[3][3] = {
        // row:   top    middle  bottom
        /* left */ {SelNW, SelW, SelSW},
        /* mid  */ {SelN, SelM, SelS},
        /* right*/ {SelNE, SelE, SelSE},
    };
    return kModes[column][row];
}

TCursor TSelShape::CursorOf(TSelMode mode)
{
    switch (mode) {
    case SelM: return crDefault;
    case SelN:
    case SelS: return crSizeNS;
    case SelW:
    case SelE: return crSizeWE;
    case SelNE:
    case SelSW: return crSizeNESW;
    case SelNW:
    case SelSE: return crSizeNWSE;
    }
    return crDefault;
}

TSelShape::TSelMode TSelShape::Reduced(TSelMode mode) const
{
    if (!HasSelOption(ResizeX)) {
        switch (mode) {
        case SelW: case SelE: mode = SelM; break;
        case SelNE: case SelNW: mode = SelN; break;
        case SelSE: case SelSW: mode = SelS; break;
        default: break;
        }
    }
    if (!HasSelOption(ResizeY)) {
        switch (mode) {
        case SelN: case SelS: mode = SelM; break;
        case SelNE: case SelSE: mode = SelE; break;
        case SelNW: case SelSW: mode = SelW; break;
        default: break;
        }
    }
    return mode;
}

void TSelShape::MouseMove(TShiftState shift, int x, int y)
{
    const QPointer<TSelShape> self(this);
    TShape::MouseMove(shift, x, y);
    if (!self)
        return;

    if (dragging_ && (shift & kAnyButton) == 0) {
        // Every button is up, yet no release arrived here (it went to a popup
        // or another window's grab). End the drag as that release would have,
        // so the owner sees the final bounds once and the pointer goes free.
        MouseUp(dragButton_, shift, x, y);
        if (!self)
            return;
    }

    if (dragging_) {
        const int dy = y - anchorY_;
        switch (mode_) {
        case SelN: case SelNE: case SelNW: SelChgTop(dy); break;
        case SelS: case SelSE: case SelSW: SelChgBot(dy); break;
        default: break;
        }
        const int dx = x - anchorX_;
        switch (mode_) {
        case SelW: case SelNW: case SelSW: SelChgLft(dx); break;
        case SelE: case SelNE: case SelSE: SelChgRit(dx); break;
        case SelM: SelChgMov(dx, y - anchorY_); break;
        default: break;
        }
    } else {
        mode_ = HitTest(x, y);
    }
    mode_ = Reduced(mode_);
    // On every move, so a cursor given beforehand lasts only until then.
    SetCursor(CursorOf(mode_));
}

void TSelShape::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    const QPointer<TSelShape> self(this);
    const unsigned interruptionsBefore = interruptions_;
    TShape::MouseDown(button, shift, x, y);
    // The owner's handler may have destroyed, hidden or disabled the shape;
    // a drag started now could never end.
    if (!self || interruptions_ != interruptionsBefore)
        return;
    // The mode stays the one of the last pointer move.
    dragging_ = true;
    dragButton_ = button;
    anchorX_ = x;
    anchorY_ = y;
    ConfinePointer();
}

void TSelShape::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    // The owner runs first, with the shape at its final bounds, the drag
    // flag still on and the pointer still confined.
    const QPointer<TSelShape> self(this);
    TShape::MouseUp(button, shift, x, y);
    if (!self)
        return;
    dragging_ = false;
    ReleasePointer();
}

void TSelShape::SetPointerConfinement(yotsumado::PointerConfinement* pointer)
{
    if (pointer == pointer_)
        return;
    ReleasePointer();
    pointer_ = pointer;
}

void TSelShape::ConfinePointer()
{
    const QWidget* p = parentWidget();
    if (!p || !pointer_)
        return;
    // The parent's client origin on the screen, with the parent's outer size:
    // for a window that reaches past its client area by the frame.
    const QPoint origin = p->mapToGlobal(QPoint(0, 0));
    const QSize size = p->isWindow() ? p->frameGeometry().size() : p->size();
    pointer_->Confine(QRect(origin, size));
    confined_ = true;
}

void TSelShape::ReleasePointer()
{
    if (!confined_)
        return;
    confined_ = false;
    if (pointer_)
        pointer_->Release();
}

void TSelShape::AbandonDrag()
{
    ++interruptions_;
    dragging_ = false;
    ReleasePointer();
}

void TSelShape::hideEvent(QHideEvent* event)
{
    // A hidden shape gets no more pointer input, so its release is lost.
    AbandonDrag();
    TShape::hideEvent(event);
}

void TSelShape::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        AbandonDrag();
    TShape::changeEvent(event);
}

} // namespace yotsumado
