#pragma once
// TImage: the picture control. It keeps one decoded copy of its picture and,
// when stretched, a copy scaled to its current size that is made again only
// when the size or the picture changes. Scaling repeats or drops whole rows
// and columns (nearest neighbour, no smoothing).

#include "controls/base/graphiccontrol.h"
#include "core/stretch.h"

#include <QImage>

#include <functional>

namespace yotsumado {

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
    // Trades pictures, each with its drawing step, with another image.
    void SwapPicture(TImage& other);
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

} // namespace yotsumado
