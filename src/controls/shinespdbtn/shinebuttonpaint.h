#pragma once
// Drawing pieces of the shine speed button, kept apart from its behaviour:
// the face ramp, the bevel frames with the platform line convention (a line
// covers its start point and every pixel up to, but not including, its end
// point), the two ways a state glyph is put on a surface, and the layout of
// glyph and caption.

#include "controls/shinespdbtn/shinetypes.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <cstdint>

class QPainter;

namespace yotsumado {

class TShineBtnColors;

namespace ShineSpdBtn {

// The 256-entry face ramp from one pixel colour to another: 256 x 1, or
// 1 x 256 when vertical. Entry i holds c0 + ((c1 - c0) * i) / 255 per channel,
// truncated toward zero.
QImage GradientRamp(std::uint32_t from, std::uint32_t to, bool vertical);

// The ramp entry that pixel i of a face length pixels long takes: 0 for the
// first pixel and 255 for the last at every length, evenly spread between.
int RampIndex(int i, int length);

// Paints the face: solid set.Color, or its gradient stretched (no smoothing)
// onto the rectangle (0, 0, size).
void DrawFace(QPainter& painter, QSize size, const TShineBtnColors& set);

// A 1-pixel line from a to b, excluding b. Only horizontal and vertical
// lines are needed (and drawn); anything else draws nothing.
void DrawLine(QPainter& painter, QPoint a, QPoint b, const QColor& color);

// The bevel of a frame type for a down or up look, drawn with set's edge
// colours; the enclosed frame ends with an outline in outline.
void DrawFrame(QPainter& painter, QSize size, TFrameType type, bool downLook,
               const TShineBtnColors& set, TColor outline);

// Draws glyph at p leaving out the pixels whose colour is transparent.
void DrawTransparentGlyph(QPainter& painter, QPoint p, const QImage& glyph, std::uint32_t transparent);

// Paints brush wherever the one-bit picture is white (set) and keeps the
// surface where it is black, pixel by pixel.
void DrawBrushWhereWhite(QPainter& painter, QPoint p, const QImage& mono, const QColor& brush);

struct TDrawPosition {
    QPoint Glyph;
    QRect Caption;
};

// Places a glyph of glyphSize (empty: no glyph) and a caption of textSize
// (captionPresent false: no caption) in a client of clientSize.
TDrawPosition CalcDrawPosition(TButtonLayout layout, int margin, int spacing, QSize clientSize,
                               QSize glyphSize, QSize textSize, bool captionPresent);

} // namespace ShineSpdBtn

} // namespace yotsumado
