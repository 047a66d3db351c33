#include "gradient.h"

#include "image.h"

#include <QPainter>

#include <cstring>

void GetRGB(TColor color, quint8& red, quint8& green, quint8& blue)
{
    const QRgb resolved = ColorToRgb(color);
    red = static_cast<quint8>(qRed(resolved));
    green = static_cast<quint8>(qGreen(resolved));
    blue = static_cast<quint8>(qBlue(resolved));
}

namespace {

// Colour of step i of a gradient of the given length, components truncated.
class Ramp {
public:
    Ramp(TColor from, TColor to)
    {
        GetRGB(from, r1_, g1_, b1_);
        quint8 r2, g2, b2;
        GetRGB(to, r2, g2, b2);
        dr_ = static_cast<qint16>(r2 - r1_);
        dg_ = static_cast<qint16>(g2 - g1_);
        db_ = static_cast<qint16>(b2 - b1_);
    }

    QRgb At(int i, int length) const
    {
        // A one-pixel gradient has nowhere to go: it keeps the start colour.
        const double t = length > 1 ? static_cast<double>(i) / (length - 1) : 0.0;
        return qRgb(Component(dr_, t, r1_), Component(dg_, t, g1_), Component(db_, t, b1_));
    }

private:
    static int Component(qint16 d, double t, quint8 start)
    {
        return static_cast<int>(d * t + start);  // truncates toward zero
    }

    quint8 r1_, g1_, b1_;
    qint16 dr_, dg_, db_;
};

} // namespace

void GradBitmap(QImage& bitmap, TColor color1, TColor color2, bool vertical)
{
    const Ramp ramp(color1, color2);
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
