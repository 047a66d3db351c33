#include "controls/base/shape.h"

#include <QPainter>

#include <algorithm>

namespace yotsumado {

namespace {
Qt::BrushStyle HatchOf(TBrush::TBrushStyle s)
{
    switch (s) {
    case TBrush::bsHorizontal: return Qt::HorPattern;
    case TBrush::bsVertical: return Qt::VerPattern;
    case TBrush::bsFDiagonal: return Qt::FDiagPattern;
    case TBrush::bsBDiagonal: return Qt::BDiagPattern;
    case TBrush::bsCross: return Qt::CrossPattern;
    case TBrush::bsDiagCross: return Qt::DiagCrossPattern;
    default: return Qt::SolidPattern;
    }
}
} // namespace

void FillWithBrush(QPainter& painter, const QRect& rect, const TBrush& brush)
{
    if (brush.Style() == TBrush::bsClear || rect.isEmpty())
        return;
    // Hatched brushes paint their lines only; what lies beneath shows through.
    painter.fillRect(rect, QBrush(ToQColor(brush.Color()), HatchOf(brush.Style())));
}

void DrawRectangle(QPainter& painter, int left, int top, int right, int bottom, const TPen& pen, const TBrush& brush)
{
    if (pen.Style() == TPen::psClear) {
        // Without a pen the fill stops one pixel short on the right and bottom.
        FillWithBrush(painter, QRect(QPoint(left, top), QPoint(right - 2, bottom - 2)), brush);
        return;
    }
    // A pen of width 0 (or less) is drawn one pixel wide.
    const int p = std::max(1, pen.Width());
    const int lo = p / 2;          // the pen's band around the path, before it
    const int hi = p - 1 - lo;     // and after it
    // The outline's path runs along (left, top)..(right - 1, bottom - 1).
    const QRect path(QPoint(left, top), QPoint(right - 1, bottom - 1));
    FillWithBrush(painter, path.adjusted(hi + 1, hi + 1, -(hi + 1), -(hi + 1)), brush);
    const QColor c = ToQColor(pen.Color());
    const QRect outer = path.adjusted(-lo, -lo, hi, hi);
    painter.fillRect(QRect(outer.left(), outer.top(), outer.width(), p), c);
    painter.fillRect(QRect(outer.left(), outer.bottom() - p + 1, outer.width(), p), c);
    painter.fillRect(QRect(outer.left(), outer.top(), p, outer.height()), c);
    painter.fillRect(QRect(outer.right() - p + 1, outer.top(), p, outer.height()), c);
}

TShape::TShape(QWidget* parent)
    : TGraphicControl(parent)
    , pen_(new TPen(this))
    , brush_(new TBrush(this))
{
    resize(65, 65);
    pen_->OnChange = [this](QObject*) { update(); };
    brush_->OnChange = [this](QObject*) { update(); };
}

void TShape::Paint()
{
    QPainter& c = Canvas();
    // Hatches line up with the parent's origin, not the control's.
    c.setBrushOrigin(-pos());
    // A clear pen keeps its width in the arithmetic: the fill moves in by
    // the pen's half width as the outline would. Only a width of 0 uses the
    // whole control.
    const int p = std::max(0, pen_->Width());
    const int x = p / 2;
    const int w = p == 0 ? Width() : Width() - p + 1;
    const int h = p == 0 ? Height() : Height() - p + 1;
    DrawRectangle(c, x, x, x + w, x + h, *pen_, *brush_);
}

} // namespace yotsumado
