#include "image.h"

#include <QPainter>

#include <vector>

QImage StretchNearest(const QImage& src, QSize size)
{
    if (src.isNull() || size.isEmpty())
        return QImage();
    const QImage source = (src.format() == QImage::Format_RGB888 || src.format() == QImage::Format_RGB32)
        ? src : src.convertToFormat(QImage::Format_RGB32);
    QImage out(size, QImage::Format_RGB32);
    if (out.isNull())
        return out;
    const int dw = size.width(), dh = size.height();
    const int sw = source.width(), sh = source.height();
    std::vector<int> xmap(static_cast<size_t>(dw));
    for (int x = 0; x < dw; ++x)
        xmap[static_cast<size_t>(x)] = StretchSourceIndex(x, sw, dw);
    int prevSy = -1;
    for (int y = 0; y < dh; ++y) {
        const int sy = StretchSourceIndex(y, sh, dh);
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        if (sy == prevSy) {
            std::copy_n(reinterpret_cast<const QRgb*>(out.constScanLine(y - 1)), dw, dst);
            continue;
        }
        prevSy = sy;
        if (source.format() == QImage::Format_RGB888) {
            const uchar* s = source.constScanLine(sy);
            for (int x = 0; x < dw; ++x) {
                const uchar* p = s + 3 * xmap[static_cast<size_t>(x)];
                dst[x] = qRgb(p[0], p[1], p[2]);
            }
        } else {
            const auto* s = reinterpret_cast<const QRgb*>(source.constScanLine(sy));
            for (int x = 0; x < dw; ++x)
                dst[x] = s[xmap[static_cast<size_t>(x)]] | 0xff000000u;
        }
    }
    return out;
}

TImage::TImage(QWidget* parent)
    : TGraphicControl(parent)
{
    resize(105, 105);
}

void TImage::SetStretch(bool v)
{
    if (v == stretch_) return;
    stretch_ = v;
    scaled_ = QImage();
    update();
}

void TImage::SetPicture(QImage picture)
{
    SetPicture(std::move(picture), PixelStep());
}

void TImage::SetPicture(QImage picture, PixelStep finish)
{
    picture_ = std::move(picture);
    finish_ = std::move(finish);
    scaled_ = QImage();
    update();
}

const QImage& TImage::Scaled() const
{
    if (picture_.isNull() || (!stretch_ && !finish_))
        return picture_;
    const QSize shown = stretch_ ? size() : picture_.size();
    if (scaled_.size() != shown) {
        scaled_ = stretch_ ? StretchNearest(picture_, shown) : picture_.convertToFormat(QImage::Format_RGB32);
        if (finish_)
            finish_(scaled_);
    }
    return scaled_;
}

void TImage::Paint()
{
    const QImage& img = Scaled();
    if (!img.isNull())
        Canvas().drawImage(0, 0, img);
}
