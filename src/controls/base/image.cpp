#include "controls/base/image.h"

#include <QPainter>

namespace yotsumado {

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

void TImage::SetFit(TFitMode v)
{
    if (v == fit_) return;
    fit_ = v;
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

void TImage::SwapPicture(TImage& other)
{
    QImage picture = std::move(other.picture_);
    PixelStep finish = std::move(other.finish_);
    other.SetPicture(std::move(picture_), std::move(finish_));
    SetPicture(std::move(picture), std::move(finish));
}

const QImage& TImage::Scaled() const
{
    if (picture_.isNull() || (!stretch_ && !finish_))
        return picture_;
    const TPlacement placed = PlaceInPanel(picture_.size(), size(), fit_);
    const QSize shown = stretch_ ? placed.target.size() : picture_.size();
    if (scaled_.size() != shown) {
        scaled_ = stretch_ ? StretchNearest(picture_, placed.source, shown, QImage::Format_RGB32)
                           : picture_.convertToFormat(QImage::Format_RGB32);
        if (finish_)
            finish_(scaled_);
    }
    return scaled_;
}

QPoint TImage::ScaledAt() const
{
    return stretch_ && !picture_.isNull() ? PlaceInPanel(picture_.size(), size(), fit_).target.topLeft() : QPoint();
}

void TImage::Paint()
{
    const QImage& img = Scaled();
    if (!img.isNull())
        Canvas().drawImage(ScaledAt(), img);
}

} // namespace yotsumado
