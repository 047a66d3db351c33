#pragma once
// TShape: the plain rectangle control, outlined with a pen and filled with a
// brush by the original platform's rules (right and bottom edges exclusive; a
// rectangle without a pen leaves its last column and row unfilled; a hatched
// brush draws only its lines, aligned to the parent's origin).

#include "controls/base/graphiccontrol.h"

namespace yotsumado {

class TPen : public QObject {
    Q_OBJECT
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(TPenStyle Style READ Style WRITE SetStyle)
public:
    enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
    Q_ENUM(TPenStyle)
    using QObject::QObject;
    TColor Color() const { return color_; }
    int Width() const { return width_; }
    TPenStyle Style() const { return style_; }
    void SetColor(TColor v) { if (v != color_) { color_ = v; Changed(); } }
    void SetWidth(int v) { if (v != width_) { width_ = v; Changed(); } }
    void SetStyle(TPenStyle v) { if (v != style_) { style_ = v; Changed(); } }
    TNotifyEvent OnChange;
private:
    void Changed() { if (OnChange) OnChange(this); }
    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = psSolid;
};

class TBrush : public QObject {
    Q_OBJECT
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(TBrushStyle Style READ Style WRITE SetStyle)
public:
    enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
    Q_ENUM(TBrushStyle)
    using QObject::QObject;
    TColor Color() const { return color_; }
    TBrushStyle Style() const { return style_; }
    void SetColor(TColor v) { if (v != color_) { color_ = v; Changed(); } }
    void SetStyle(TBrushStyle v) { if (v != style_) { style_ = v; Changed(); } }
    TNotifyEvent OnChange;
private:
    void Changed() { if (OnChange) OnChange(this); }
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
};

// Fills the rectangle [left, right) x [top, bottom) of the painter with the
// brush by the original platform's rules. The painter's brush origin decides
// where a hatch pattern starts.
void FillWithBrush(QPainter& painter, const QRect& rect, const TBrush& brush);
// Draws a rectangle (right and bottom exclusive) outlined with the pen and
// filled with the brush, as the original platform's Rectangle call does.
void DrawRectangle(QPainter& painter, int left, int top, int right, int bottom, const TPen& pen, const TBrush& brush);

class TShape : public TGraphicControl {
    Q_OBJECT
    Q_PROPERTY(TPen* Pen READ Pen)
    Q_PROPERTY(TBrush* Brush READ Brush)
public:
    explicit TShape(QWidget* parent = nullptr);
    TPen* Pen() const { return pen_; }
    TBrush* Brush() const { return brush_; }

protected:
    void Paint() override;

private:
    TPen* pen_;
    TBrush* brush_;
};

} // namespace yotsumado
