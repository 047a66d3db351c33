#include "controls/shadolbl/gradient.h"

#include "core/colorramp.h"
#include "core/stretch.h"

#include <QPainter>

#include <cstring>

namespace yotsumado {

void GetRGB(TColor color, quint8& red, quint8& green, quint8& blue)
{
    const QRgb resolved = ColorToRgb(color);
    red = static_cast<quint8>(qRed(resolved));
    green = static_cast<quint8>(qGreen(resolved));
    blue = static_cast<quint8>(qBlue(resolved));
}

void GradBitmap(QImage& bitmap, TColor color1, TColor color2, bool vertical)
{
    const TruncatedRamp ramp(ColorToRgb(color1), ColorToRgb(color2));
    const int h = bitmap.height();
    const int w = bitmap.width();
    if (h < 1 || w < 1)
        return;
    if (bitmap.depth() != 24 && bitmap.depth() != 32)
        bitmap.convertTo(QImage::Format_BGR888);
    const int bpp = bitmap.depth() / 8;

    if (vertical) {
        for (int i = 0; i < h; ++i) {
            bitmap.setPixel(0, i, ramp.At(i, h));
            // Spread the first pixel over the row, as a stretch of the first
            // column over the bitmap would.
            uchar* row = bitmap.scanLine(i);
            for (int x = 1; x < w; ++x)
                std::memcpy(row + x * bpp, row, static_cast<size_t>(bpp));
        }
        return;
    }
    for (int j = 0; j < w; ++j)
        bitmap.setPixel(j, 0, ramp.At(j, w));
    const uchar* first = bitmap.constScanLine(0);
    for (int r = 1; r < h; ++r)
        std::memcpy(bitmap.scanLine(r), first, static_cast<size_t>(w) * static_cast<size_t>(bpp));
}

QSize GradRectBitmapSize(const QRect& rect, bool vertical)
{
    const int w = rect.width();
    const int h = rect.height();
    if (w <= 0 || h <= 0)
        return QSize();
    return vertical ? QSize(1, h) : QSize(w, h / 20 + 1);
}

void GradRect(QPainter& canvas, const QRect& rect, TColor color1, TColor color2, bool vertical)
{
    const QSize size = GradRectBitmapSize(rect, vertical);
    if (size.isEmpty())
        return;
    QImage bitmap(size, QImage::Format_BGR888);
    GradBitmap(bitmap, color1, color2, vertical);
    const QImage stretched = StretchNearest(bitmap, rect.size());
    // A plain source copy. The painter's mode is put back afterwards because
    // here it would also govern the text drawn later with the same painter.
    const QPainter::CompositionMode mode = canvas.compositionMode();
    canvas.setCompositionMode(QPainter::CompositionMode_Source);
    canvas.drawImage(rect.topLeft(), stretched);
    canvas.setCompositionMode(mode);
}

} // namespace yotsumado
