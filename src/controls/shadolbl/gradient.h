#pragma once
// Colour and gradient routines of the shadow label: splitting a colour into
// its bytes, and linear two-colour gradients in a bitmap or in a rectangle of
// any painter.

#include "core/tcolor.h"

#include <QImage>
#include <QRect>
#include <QSize>

class QPainter;

namespace yotsumado {

// The red, green and blue bytes of a colour. A system colour is looked up in
// the current palette at the time of the call.
void GetRGB(TColor color, quint8& red, quint8& green, quint8& blue);

// Fills the whole bitmap with a gradient from color1 (left column, or top row
// when vertical) to color2 (right column, or bottom row). Each step's
// components are truncated, never rounded, so the ends get exactly the two
// colours. A gradient one pixel long has color1. An empty bitmap is left as it
// is. The bitmap is meant to be 24-bit with bytes blue, green, red
// (QImage::Format_BGR888); other 24- and 32-bit RGB formats are filled the
// same way, and any other format is converted to Format_BGR888 first.
void GradBitmap(QImage& bitmap, TColor color1, TColor color2, bool vertical);

// The size of the small bitmap GradRect builds for rect: one column of the
// rectangle's height when vertical, otherwise the rectangle's width by
// (height div 20 + 1) rows. Empty when the rectangle has no area.
QSize GradRectBitmapSize(const QRect& rect, bool vertical);

// Paints the gradient of GradBitmap into rect of the canvas by way of a small
// temporary bitmap that is stretched over the rectangle (along the gradient
// it already has the rectangle's size, so the stretch only repeats it). A
// rectangle with no area, or a negative width or height, gets nothing.
void GradRect(QPainter& canvas, const QRect& rect, TColor color1, TColor color2, bool vertical);

} // namespace yotsumado
