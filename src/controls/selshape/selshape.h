#pragma once
/*!
    \class TSelShape
    \brief A rectangle that the user moves and resizes with the mouse,
    held inside limits.

    Within SizeSense pixels of an edge or corner a drag resizes the shape
    from there; elsewhere inside, a drag moves it. The cursor shows which.
    While a mouse button is held the pointer is confined to the parent's
    area on the screen (through the pointer confinement the owner hands in
    with SetPointerConfinement), and released after the owner's OnMouseUp
    has run, so the owner sees the shape at its final bounds. A shape that
    was handed none does not confine the pointer.

    \section1 Properties
    \list
    \li SelOption: which of ResizeX, ResizeY, MoveX, MoveY are allowed (all
        four after construction). A shape that may only move shows the
        default cursor everywhere.
    \li SizeSense (5): width of the edge zones. The left and top zones win
        in a shape too small for both.
    \li MinWidth, MinHeight (5): the smallest size a drag can reach.
    \li MinLeft, MinTop (0): the smallest position.
    \li MaxRight, MaxBottom (0): the largest right and bottom edge, in force
        only while greater than MinLeft or MinTop; otherwise the parent's
        client area is the limit.
    \li Pen and Brush (from TShape): the outline and the fill; a new shape
        is an unfilled outline. A pen of width 0 draws one pixel wide.
    \endlist
    The eight own settings are plain fields: writing one neither moves nor
    repaints the shape; it counts from the next pointer event on.

    \section1 Events
    OnMouseDown, OnMouseMove, OnMouseUp (each before the shape acts on the
    event), OnClick, OnDblClick. SelChgTop(), SelChgBot(), SelChgLft(),
    SelChgRit() and SelChgMov() apply the same limits for a program that
    moves the shape itself.
*/

#include "controls/base/pointerconfinement.h"
#include "controls/base/shape.h"

#include <cstdint>
#include <initializer_list>

namespace yotsumado {

class TSelShape : public TShape {
    Q_OBJECT
    Q_PROPERTY(int SizeSense READ SizeSense WRITE SetSizeSense)
    Q_PROPERTY(int MinWidth READ MinWidth WRITE SetMinWidth)
    Q_PROPERTY(int MinHeight READ MinHeight WRITE SetMinHeight)
    Q_PROPERTY(int MinTop READ MinTop WRITE SetMinTop)
    Q_PROPERTY(int MinLeft READ MinLeft WRITE SetMinLeft)
    Q_PROPERTY(int MaxBottom READ MaxBottom WRITE SetMaxBottom)
    Q_PROPERTY(int MaxRight READ MaxRight WRITE SetMaxRight)
    // A set of TSelOptSet, one bit per element (bit n = ordinal n).
    Q_PROPERTY(int SelOption READ SelOption WRITE SetSelOption)

public:
    enum TSelOptSet { ResizeX, ResizeY, MoveX, MoveY };
    Q_ENUM(TSelOptSet)
    // The zone under the pointer, and with it the drag action and the cursor.
    enum TSelMode { SelM, SelN, SelS, SelW, SelE, SelNE, SelNW, SelSE, SelSW };
    Q_ENUM(TSelMode)

    using TSelOpt = std::uint8_t;
    static constexpr TSelOpt SelOptBit(TSelOptSet e) { return static_cast<TSelOpt>(1u << e); }
    static constexpr TSelOpt SelOptAll = 0x0F;
    static constexpr TSelOpt SelOpts(std::initializer_list<TSelOptSet> elements)
    {
        TSelOpt s = 0;
        for (const TSelOptSet e : elements)
            s = static_cast<TSelOpt>(s | SelOptBit(e));
        return s;
    }

    explicit TSelShape(QWidget* parent = nullptr);
    ~TSelShape() override;

    int SizeSense() const { return sizeSense_; }
    int MinWidth() const { return minWidth_; }
    int MinHeight() const { return minHeight_; }
    int MinTop() const { return minTop_; }
    int MinLeft() const { return minLeft_; }
    int MaxBottom() const { return maxBottom_; }
    int MaxRight() const { return maxRight_; }
    int SelOption() const { return selOption_; }
    void SetSizeSense(int v) { sizeSense_ = v; }
    void SetMinWidth(int v) { minWidth_ = v; }
    void SetMinHeight(int v) { minHeight_ = v; }
    void SetMinTop(int v) { minTop_ = v; }
    void SetMinLeft(int v) { minLeft_ = v; }
    void SetMaxBottom(int v) { maxBottom_ = v; }
    void SetMaxRight(int v) { maxRight_ = v; }
    // Bits beyond the four elements carry nothing and are dropped.
    void SetSelOption(int v) { selOption_ = static_cast<TSelOpt>(v & SelOptAll); }
    bool HasSelOption(TSelOptSet e) const { return (selOption_ & SelOptBit(e)) != 0; }
    void SetSelOptions(std::initializer_list<TSelOptSet> elements) { selOption_ = SelOpts(elements); }

    // Change the bounds within the limits, as the drag actions do.
    void SelChgTop(int delta);
    void SelChgBot(int delta);
    void SelChgLft(int delta);
    void SelChgRit(int delta);
    void SelChgMov(int dx, int dy);

    // The zone of a point in the shape's own coordinates, before SelOption
    // takes anything away.
    TSelMode HitTest(int x, int y) const;
    // The cursor a mode shows.
    static TCursor CursorOf(TSelMode mode);

    bool Dragging() const { return dragging_; }
    TSelMode Mode() const { return mode_; }

    // The service that confines the pointer while a button is held; the
    // owner keeps it alive for as long as the shape lives. Null (the start)
    // confines nothing. A confinement in force is released first.
    void SetPointerConfinement(yotsumado::PointerConfinement* pointer);
    yotsumado::PointerConfinement* PointerConfinement() const { return pointer_; }

protected:
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The largest bottom and right edge in force.
    qint64 BottomLimit() const;
    qint64 RightLimit() const;
    TSelMode Reduced(TSelMode mode) const;
    void ConfinePointer();
    void ReleasePointer();
    // Ends a drag whose release will never reach the shape; the owner is
    // not called, since no release happened here.
    void AbandonDrag();

    int sizeSense_ = 5;
    int minWidth_ = 5;
    int minHeight_ = 5;
    int minTop_ = 0;
    int minLeft_ = 0;
    int maxBottom_ = 0;
    int maxRight_ = 0;
    TSelOpt selOption_ = SelOptAll;

    bool dragging_ = false;
    TSelMode mode_ = SelM;
    int anchorX_ = 0;
    int anchorY_ = 0;
    TMouseButton dragButton_ = TMouseButton::mbLeft;
    yotsumado::PointerConfinement* pointer_ = nullptr;
    // True while this shape holds the pointer confinement.
    bool confined_ = false;
    // Counts hides and disables, which end any drag.
    unsigned interruptions_ = 0;
};

} // namespace yotsumado
