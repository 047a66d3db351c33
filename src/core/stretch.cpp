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
    return StretchNearest(src, src.rect(), size, format);
}

QImage StretchNearest(const QImage& src, QRect from, QSize size, QImage::Format format)
{
    if (src.isNull() || size.isEmpty() || from.isEmpty())
        return QImage();
    if (format != QImage::Format_RGB888)
        format = QImage::Format_RGB32;
    const QImage::Format kept[] = {QImage::Format_RGB888, QImage::Format_RGB32, QImage::Format_Grayscale8};
    const QImage source = std::find(std::begin(kept), std::end(kept), src.format()) != std::end(kept)
        ? src : src.convertToFormat(QImage::Format_RGB32);
    QImage out(size, format);
    if (out.isNull())
        return out;
    std::vector<int> xmap = StretchSourceIndices(from.width(), size.width());
    for (int& x : xmap)
        x += from.x();
    const size_t rowBytes = static_cast<size_t>(size.width()) * (format == QImage::Format_RGB32 ? 4u : 3u);
    int previous = -1;
    for (int y = 0; y < size.height(); ++y) {
        const int sy = from.y() + StretchSourceIndex(y, from.height(), size.height());
        if (sy == previous)
            std::memcpy(out.scanLine(y), out.constScanLine(y - 1), rowBytes);
        else
            SampleRow(source, sy, xmap, out, y);
        previous = sy;
    }
    return out;
}

TPlacement PlaceInPanel(QSize picture, QSize panel, TFitMode mode)
{
    const QRect whole(QPoint(0, 0), picture);
    if (mode == TFitMode::Stretch || picture.isEmpty() || panel.isEmpty())
        return {whole, QRect(QPoint(0, 0), panel)};
    const long long w = picture.width(), h = picture.height(), pw = panel.width(), ph = panel.height();
    // Wider than the panel in proportion: its width meets the panel's.
    const bool wider = w * ph >= h * pw;
    const auto rounded = [](long long num, long long den) { return std::max(1, int((2 * num + den) / (2 * den))); };
    if (mode == TFitMode::Fit) {
        const QSize shown = wider ? QSize(int(pw), std::min(int(ph), rounded(h * pw, w)))
                                  : QSize(std::min(int(pw), rounded(w * ph, h)), int(ph));
        return {whole, QRect(QPoint(int(pw - shown.width()) / 2, int(ph - shown.height()) / 2), shown)};
    }
    const QSize kept = wider ? QSize(std::min(int(w), rounded(h * pw, ph)), int(h))
                             : QSize(int(w), std::min(int(h), rounded(w * ph, pw)));
    return {QRect(QPoint(int(w - kept.width()) / 2, int(h - kept.height()) / 2), kept), QRect(QPoint(0, 0), panel)};
}

QImage StretchPlaced(const QImage& src, QSize size, TFitMode mode, QImage::Format format)
{
    const TPlacement placed = PlaceInPanel(src.size(), size, mode);
    return StretchNearest(src, placed.source, placed.target.size(), format);
}

} // namespace yotsumado
