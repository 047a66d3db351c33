#include "core/stretch.h"

#include <algorithm>
#include <cstring>

namespace yotsumado {

std::vector<int> StretchSourceIndices(int srcLen, int dstLen)
{
    std::vector<int> map(static_cast<size_t>(std::max(dstLen, 0)));
    for (int i = 0; i < dstLen; ++i)
        map[static_cast<size_t>(i)] = StretchSourceIndex(i, srcLen, dstLen);
    return map;
}

void StretchRgb888Row(const uchar* rgb, const std::vector<int>& xmap, uchar* dst)
{
    for (int x : xmap) {
        const uchar* p = rgb + 3 * static_cast<size_t>(x);
        dst[0] = p[0];
        dst[1] = p[1];
        dst[2] = p[2];
        dst += 3;
    }
}

namespace {

// One destination row from one source row; the source is RGB888, RGB32 or
// grey (one byte a pixel, repeated into R, G and B), the destination RGB32 or
// RGB888.
void SampleRow(const QImage& source, int sy, const std::vector<int>& xmap, QImage& out, int y)
{
    uchar* dst = out.scanLine(y);
    const uchar* src = source.constScanLine(sy);
    const bool toRgb32 = out.format() == QImage::Format_RGB32;
    if (source.format() == QImage::Format_Grayscale8) {
        for (int x : xmap) {
            const uchar g = src[x];
            if (toRgb32) {
                *reinterpret_cast<QRgb*>(dst) = qRgb(g, g, g);
                dst += 4;
            } else {
                dst[0] = dst[1] = dst[2] = g;
                dst += 3;
            }
        }
        return;
    }
    if (source.format() == QImage::Format_RGB888) {
        if (!toRgb32) {
            StretchRgb888Row(src, xmap, dst);
            return;
        }
        auto* row = reinterpret_cast<QRgb*>(dst);
        for (int x : xmap) {
            const uchar* p = src + 3 * static_cast<size_t>(x);
            *row++ = qRgb(p[0], p[1], p[2]);
        }
        return;
    }
    const auto* s = reinterpret_cast<const QRgb*>(src);
    if (toRgb32) {
        auto* row = reinterpret_cast<QRgb*>(dst);
        for (int x : xmap)
            *row++ = s[x] | 0xff000000u;
        return;
    }
    for (int x : xmap) {
        const QRgb p = s[x];
        dst[0] = static_cast<uchar>(qRed(p));
        dst[1] = static_cast<uchar>(qGreen(p));
        dst[2] = static_cast<uchar>(qBlue(p));
        dst += 3;
    }
}

} // namespace

QImage StretchNearest(const QImage& src, QSize size, QImage::Format format)
{
    if (src.isNull() || size.isEmpty())
        return QImage();
    if (format != QImage::Format_RGB888)
        format = QImage::Format_RGB32;
    const QImage::Format kept[] = {QImage::Format_RGB888, QImage::Format_RGB32, QImage::Format_Grayscale8};
    const QImage source = std::find(std::begin(kept), std::end(kept), src.format()) != std::end(kept)
        ? src : src.convertToFormat(QImage::Format_RGB32);
    QImage out(size, format);
    if (out.isNull())
        return out;
    const std::vector<int> xmap = StretchSourceIndices(source.width(), size.width());
    const size_t rowBytes = static_cast<size_t>(size.width()) * (format == QImage::Format_RGB32 ? 4u : 3u);
    int previous = -1;
    for (int y = 0; y < size.height(); ++y) {
        const int sy = StretchSourceIndex(y, source.height(), size.height());
        if (sy == previous)
            std::memcpy(out.scanLine(y), out.constScanLine(y - 1), rowBytes);
        else
            SampleRow(source, sy, xmap, out, y);
        previous = sy;
    }
    return out;
}

} // namespace yotsumado
