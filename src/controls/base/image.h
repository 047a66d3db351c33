#pragma once
// TImage: the picture control. It keeps one decoded copy of its picture and,
// when stretched, a copy scaled to its current size that is made again only
// when the size or the picture changes. Scaling repeats or drops whole rows
// and columns (nearest neighbour, no smoothing).

#include "graphiccontrol.h"

#include <QImage>

#include <functional>

// The source index that destination index i of a nearest-neighbour stretch
// from srcLen to dstLen reads: the source pixel under the destination
// pixel's centre. Shared by everything that must reproduce the stretch.
inline int StretchSourceIndex(int i, int srcLen, int dstLen)
{
    return static_cast<int>((2 * static_cast<long long>(i) + 1) * srcLen / (2 * static_cast<long long>(dstLen)));
}

// Nearest-neighbour stretch of src (any format) to size; the result is
// Format_RGB32. An empty src or size gives a null image.
QImage StretchNearest(const QImage& src, QSize size);

class TImage : public TGraphicControl {
    Q_OBJECT
    Q_PROPERTY(bool Stretch READ Stretch WRITE SetStretch)
public:
    explicit TImage(QWidget* parent = nullptr);

    bool Stretch() const { return stretch_; }
    void SetStretch(bool v);

    // The picture; a null image means none (the control draws nothing).
    const QImage& Picture() const { return picture_; }
    void SetPicture(QImage picture);
    // A step applied to the picture as drawn, after the stretch, for a
    // picture whose stored pixels still need a conversion pixel by pixel
    // (its colour profile): such a step commutes with the nearest-neighbour
    // stretch, so only the drawn pixels pay for it. Picture() stays as given.
    using PixelStep = std::function<void(QImage&)>;
    void SetPicture(QImage picture, PixelStep finish);
    void ClearPicture() { SetPicture(QImage()); }
    bool HasPicture() const { return !picture_.isNull(); }

    // The picture as drawn at the current size (stretched when Stretch is on).
    const QImage& Scaled() const;

protected:
    void Paint() override;

private:
    QImage picture_;
    PixelStep finish_;
    mutable QImage scaled_;
    bool stretch_ = false;
};
