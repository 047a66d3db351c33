#pragma once
// TImage: the picture control. It keeps one decoded copy of its picture and,
// when stretched, a copy scaled to its current size that is made again only
// when the size or the picture changes. Scaling repeats or drops whole rows
// and columns (nearest neighbour, no smoothing). A stretched picture takes
// the control as its Fit says: all of it (the default), whole and centred
// (what lies beside it is not painted, so the control's parent shows), or
// centred and cut to the control's proportions.

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
    TFitMode Fit() const { return fit_; }
    void SetFit(TFitMode v);

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

    // The picture as drawn at the current size (stretched when Stretch is
    // on), and where its upper-left corner is drawn.
    const QImage& Scaled() const;
    QPoint ScaledAt() const;

protected:
    void Paint() override;

private:
    QImage picture_;
    PixelStep finish_;
    mutable QImage scaled_;
    bool stretch_ = false;
    TFitMode fit_ = TFitMode::Stretch;
};

} // namespace yotsumado
