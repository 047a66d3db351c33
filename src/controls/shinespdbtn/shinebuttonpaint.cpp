#include "controls/shinespdbtn/shinebuttonpaint.h"

#include "controls/base/graphiccontrol.h"
#include "controls/base/image.h"
#include "controls/shinespdbtn/shinebtncolors.h"
#include "core/colorramp.h"

#include <QPainter>
#include <QtMath>

#include <algorithm>

namespace yotsumado {

namespace ShineSpdBtn {

QImage GradientRamp(std::uint32_t from, std::uint32_t to, bool vertical)
{
    QImage ramp(vertical ? 1 : 256, vertical ? 256 : 1, QImage::Format_RGB32);
    for (int i = 0; i < 256; ++i) {
        const QRgb px = FaceRampEntry(from, to, i);
        if (vertical)
            reinterpret_cast<QRgb*>(ramp.scanLine(i))[0] = px;
        else
            reinterpret_cast<QRgb*>(ramp.scanLine(0))[i] = px;
    }
    return ramp;
}

int RampIndex(int i, int length)
{
    if (length <= 1) return 0;
    return static_cast<int>(static_cast<long long>(i) * 255 / (length - 1));
}

void DrawFace(QPainter& painter, QSize size, const TShineBtnColors& set)
{
    if (size.isEmpty()) return;
    if (!set.Gradation()) {
        painter.fillRect(QRect(QPoint(0, 0), size), ToQColor(set.Color()));
        return;
    }
    const bool vertical = set.GradVertical();
    const QImage ramp = GradientRamp(ColorToPixel(set.Color()), ColorToPixel(set.GradColor()), vertical);
    // Stretch along the gradient so that the first and the last pixel take
    // entries 0 and 255 at any size (on a surface with a device pixel ratio,
    // at its device pixels), then repeat that line across the face.
    const qreal dpr = DevicePixelRatioOf(painter);
    const int w = std::max(1, qCeil(size.width() * dpr));
    const int h = std::max(1, qCeil(size.height() * dpr));
    const int length = vertical ? h : w;
    QImage face(w, h, QImage::Format_RGB32);
    const auto* entries = reinterpret_cast<const QRgb*>(ramp.constBits());
    const qsizetype stride = vertical ? ramp.bytesPerLine() / 4 : 1;
    auto entry = [&](int i) { return entries[RampIndex(i, length) * stride]; };
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(face.scanLine(y));
        if (vertical) {
            std::fill(row, row + w, entry(y));
        } else if (y == 0) {
            for (int x = 0; x < w; ++x) row[x] = entry(x);
        } else {
            std::copy_n(reinterpret_cast<const QRgb*>(face.constScanLine(0)), w, row);
        }
    }
    face.setDevicePixelRatio(dpr);
    painter.drawImage(QRectF(QPointF(0, 0), QSizeF(size)), face);
}

void DrawLine(QPainter& painter, QPoint a, QPoint b, const QColor& color)
{
    if (a.y() == b.y() && a.x() != b.x()) {
        // From a.x toward b.x, b.x itself left out.
        const int from = a.x() < b.x() ? a.x() : b.x() + 1;
        const int to = a.x() < b.x() ? b.x() - 1 : a.x();
        painter.fillRect(QRect(from, a.y(), to - from + 1, 1), color);
    } else if (a.x() == b.x() && a.y() != b.y()) {
        const int from = a.y() < b.y() ? a.y() : b.y() + 1;
        const int to = a.y() < b.y() ? b.y() - 1 : a.y();
        painter.fillRect(QRect(a.x(), from, 1, to - from + 1), color);
    }
}

namespace {

// Top-left pair: along the top and down the left side, inset i, ending e
// short of the far edges.
void TopLeft(QPainter& p, QSize s, int i, int e, TColor c)
{
    const QColor q = ToQColor(c);
    DrawLine(p, QPoint(i, i), QPoint(s.width() - e, i), q);
    DrawLine(p, QPoint(i, i), QPoint(i, s.height() - e), q);
}

// Bottom-right pair: from the corner (W - i, H - i) back along the bottom
// and up the right side, ending at e.
void BottomRight(QPainter& p, QSize s, int i, int e, TColor c)
{
    const QColor q = ToQColor(c);
    const QPoint corner(s.width() - i, s.height() - i);
    DrawLine(p, corner, QPoint(e, s.height() - i), q);
    DrawLine(p, corner, QPoint(s.width() - i, e), q);
}

} // namespace

void DrawFrame(QPainter& painter, QSize size, TFrameType type, bool downLook,
               const TShineBtnColors& set, TColor outline)
{
    switch (type) {
    case ftFlatFrame:
        if (downLook) {
            TopLeft(painter, size, 0, 1, set.Shadow());
            BottomRight(painter, size, 1, 0, set.Highlight());
        } else {
            TopLeft(painter, size, 0, 1, set.Highlight());
            BottomRight(painter, size, 1, 0, set.Shadow());
        }
        break;
    case ftNormalFrame:
        if (downLook) {
            TopLeft(painter, size, 1, 1, set.Shadow());
            TopLeft(painter, size, 0, 1, set.DarkShadow());
            BottomRight(painter, size, 1, 0, set.Highlight());
        } else {
            BottomRight(painter, size, 2, 0, set.Shadow());
            BottomRight(painter, size, 1, 0, set.DarkShadow());
            TopLeft(painter, size, 0, 1, set.Highlight());
        }
        break;
    case ftEnclosedFrame: {
        if (downLook) {
            TopLeft(painter, size, 1, 2, set.Shadow());
            BottomRight(painter, size, 2, 1, set.Highlight());
        } else {
            TopLeft(painter, size, 1, 2, set.Highlight());
            BottomRight(painter, size, 2, 1, set.Shadow());
        }
        // One-pixel outline along the outer edge, right and bottom exclusive.
        const QColor q = ToQColor(outline);
        const int w = size.width(), h = size.height();
        if (w > 0 && h > 0) {
            painter.fillRect(QRect(0, 0, w, 1), q);
            painter.fillRect(QRect(0, h - 1, w, 1), q);
            painter.fillRect(QRect(0, 0, 1, h), q);
            painter.fillRect(QRect(w - 1, 0, 1, h), q);
        }
        break;
    }
    }
}

void DrawTransparentGlyph(QPainter& painter, QPoint p, const QImage& glyph, std::uint32_t transparent)
{
    QImage masked = glyph.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < masked.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(masked.scanLine(y));
        for (int x = 0; x < masked.width(); ++x)
            row[x] = (row[x] & 0xFFFFFFu) == transparent ? 0u : (row[x] | 0xFF000000u);
    }
    painter.drawImage(p, masked);
}

void DrawBrushWhereWhite(QPainter& painter, QPoint p, const QImage& mono, const QColor& brush)
{
    QImage overlay(mono.size(), QImage::Format_ARGB32);
    overlay.fill(0);
    const QRgb paint = brush.rgb() | 0xFF000000u;
    const QRgb white = qRgb(255, 255, 255);
    for (int y = 0; y < mono.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(overlay.scanLine(y));
        for (int x = 0; x < mono.width(); ++x) {
            if (mono.pixel(x, y) == white) row[x] = paint;
        }
    }
    painter.drawImage(p, overlay);
}

TDrawPosition CalcDrawPosition(TButtonLayout layout, int margin, int spacing, QSize clientSize,
                               QSize glyphSize, QSize textSize, bool captionPresent)
{
    const bool e = glyphSize.isEmpty();
    const int gw = e ? 0 : glyphSize.width(), gh = e ? 0 : glyphSize.height();
    const int tw = textSize.width(), th = textSize.height();
    const int cw = clientSize.width(), ch = clientSize.height();
    int sw = 0, sh = 0, gx = 0, gy = 0, tx = 0, ty = 0;

    auto centreVertically = [&] {
        if (!e) gy = (sh - gh) / 2;
        if (captionPresent) ty = (sh - th) / 2;
    };
    auto centreHorizontally = [&] {
        if (!e) gx = (sw - gw) / 2;
        if (captionPresent) tx = (sw - tw) / 2;
    };

    switch (layout) {
    case blGlyphLeft:
        gx = sw;
        sw += gw;
        sh = std::max(sh, gh);
        if (!e && captionPresent) sw += spacing;
        tx = sw;
        if (captionPresent) { sw += tw; sh = std::max(sh, th); }
        centreVertically();
        break;
    case blGlyphRight:
        tx = sw;
        if (captionPresent) { sw += tw; sh = std::max(sh, th); }
        if (!e && captionPresent) sw += spacing;
        gx = sw;
        if (!e) { sw += gw; sh = std::max(sh, gh); }
        centreVertically();
        break;
    case blGlyphTop:
        gy = sh;
        if (!e) { sh += gh; sw = std::max(sw, gw); }
        if (captionPresent) sh += spacing;  // even without a glyph
        ty = sh;
        if (captionPresent) { sh += th; sw = std::max(sw, tw); }
        centreHorizontally();
        break;
    case blGlyphBottom:
        ty = sh;
        if (captionPresent) { sh += th; sw = std::max(sw, tw); }
        if (!e && captionPresent) sh += spacing;
        gy = sh;
        sh += gh;
        sw = std::max(sw, gw);
        centreHorizontally();
        break;
    }

    // Margin accepts any value: place the block in 64 bits and clamp, so an
    // extreme margin moves the block out of sight instead of overflowing.
    long long ox = 0, oy = 0;
    const long long m = margin;
    if (margin < 0) {
        ox = (cw - sw) / 2;
        oy = (ch - sh) / 2;
    } else {
        switch (layout) {
        case blGlyphLeft: ox = m; oy = (ch - sh) / 2; break;
        case blGlyphRight: ox = static_cast<long long>(cw) - sw - m; oy = (ch - sh) / 2; break;
        case blGlyphTop: ox = (cw - sw) / 2; oy = m; break;
        case blGlyphBottom: ox = (cw - sw) / 2; oy = static_cast<long long>(ch) - sh - m; break;
        }
    }
    constexpr long long kLimit = 1 << 28;
    const int x0 = static_cast<int>(std::clamp(ox, -kLimit, kLimit));
    const int y0 = static_cast<int>(std::clamp(oy, -kLimit, kLimit));
    return {QPoint(x0 + gx, y0 + gy), QRect(x0 + tx, y0 + ty, tw, th)};
}

} // namespace ShineSpdBtn

} // namespace yotsumado
