#pragma once
// TShineBtnColors: the colours of one look of a shine speed button (face
// colour, optional two-colour face gradient and the three bevel edges). The
// button owns two of them and repaints when either reports a change.

#include "controls/base/graphiccontrol.h"
#include "core/tcolor.h"

#include <QObject>

namespace yotsumado {

class TShineBtnColors : public QObject {
    Q_OBJECT
    // Color has no declared default: a stored form always lists it.
    Q_CLASSINFO("default:Highlight", "clBtnHighlight")
    Q_CLASSINFO("default:Shadow", "clBtnShadow")
    Q_CLASSINFO("default:DarkShadow", "clWindowFrame")
    Q_CLASSINFO("default:GradColor", "clBlue")
    Q_CLASSINFO("default:GradVertical", "false")
    Q_CLASSINFO("default:Gradation", "false")
    Q_PROPERTY(int Highlight READ Highlight WRITE SetHighlight)
    Q_PROPERTY(int Shadow READ Shadow WRITE SetShadow)
    Q_PROPERTY(int DarkShadow READ DarkShadow WRITE SetDarkShadow)
    Q_PROPERTY(int GradColor READ GradColor WRITE SetGradColor)
    Q_PROPERTY(bool GradVertical READ GradVertical WRITE SetGradVertical)
    Q_PROPERTY(bool Gradation READ Gradation WRITE SetGradation)
    Q_PROPERTY(int Color READ Color WRITE SetColor)

public:
    TShineBtnColors();
    ~TShineBtnColors() override;
    TShineBtnColors(const TShineBtnColors&) = delete;
    TShineBtnColors& operator=(const TShineBtnColors&) = delete;

    TColor Color() const { return color_; }
    TColor Highlight() const { return highlight_; }
    TColor Shadow() const { return shadow_; }
    TColor DarkShadow() const { return darkShadow_; }
    TColor GradColor() const { return gradColor_; }
    bool GradVertical() const { return gradVertical_; }
    bool Gradation() const { return gradation_; }

    void SetColor(TColor v);
    void SetHighlight(TColor v);
    void SetShadow(TColor v);
    void SetDarkShadow(TColor v);
    void SetGradColor(TColor v);
    void SetGradVertical(bool v);
    void SetGradation(bool v);

    // Copies every value of source into this set, then notifies (even when
    // nothing differed). Anything but a colour set raises EConvertError.
    void Assign(const QObject* source);
    // Copies every value of this set into dest, then notifies dest.
    void AssignTo(QObject* dest) const;

    TNotifyEvent OnChange;

private:
    void Changed();
    void CopyValuesFrom(const TShineBtnColors& source);

    TColor color_ = clBtnFace;
    TColor highlight_ = clBtnHighlight;
    TColor shadow_ = clBtnShadow;
    TColor darkShadow_ = clWindowFrame;
    TColor gradColor_ = clBlue;
    bool gradVertical_ = false;
    bool gradation_ = false;
};

} // namespace yotsumado
