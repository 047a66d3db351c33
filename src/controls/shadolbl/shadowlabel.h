#pragma once
// TShadowLabel: a label that draws two offset copies of its text behind the
// main text (a shadow and a highlight), can fill its background with a
// two-colour gradient instead of its solid colour, can paint the characters
// of its text in a two- or three-colour gradient, and can shorten text that
// does not fit with an ellipsis.
//
// Every setting that changes the picture schedules a repaint; the picture is
// produced only by Paint(). With Flickerless on (the default) an opaque label
// draws through an off-screen bitmap made for each paint, so that it never
// appears half-drawn; a transparent label always draws directly over its
// parent.

#include "label.h"
#include "shadow.h"

#include <QStringList>

class TShadowLabel : public TLabel {
    Q_OBJECT
    Q_PROPERTY(TEllipsis Ellipsis READ Ellipsis WRITE SetEllipsis)
    Q_PROPERTY(bool Flickerless READ Flickerless WRITE SetFlickerless)
    Q_PROPERTY(bool GradateVert READ GradateVert WRITE SetGradateVert)
    Q_PROPERTY(bool Gradation READ Gradation WRITE SetGradation)
    Q_PROPERTY(int GradationColor READ GradationColor WRITE SetGradationColor)
    Q_PROPERTY(TShadow* Highlight READ Highlight WRITE SetHighlight)
    Q_PROPERTY(TShadow* Shadow READ Shadow WRITE SetShadow)
    Q_PROPERTY(TTextGradation TextGradation READ TextGradation WRITE SetTextGradation)
    Q_PROPERTY(int TextGradationColor READ TextGradationColor WRITE SetTextGradationColor)
    Q_PROPERTY(int TextMidColor READ TextMidColor WRITE SetTextMidColor)
    Q_CLASSINFO("default:Flickerless", "true")
    Q_CLASSINFO("default:GradationColor", "clBlue")
    Q_CLASSINFO("default:TextGradationColor", "clMaroon")
    Q_CLASSINFO("default:TextMidColor", "clNavy")

public:
    enum TEllipsis { elNone, elEnd, elPath };
    Q_ENUM(TEllipsis)
    enum TTextGradation { tgNone, tg2Colors, tg3Colors };
    Q_ENUM(TTextGradation)

    explicit TShadowLabel(QWidget* parent = nullptr);
    ~TShadowLabel() override;

    TEllipsis Ellipsis() const { return ellipsis_; }
    bool Flickerless() const { return flickerless_; }
    bool GradateVert() const { return gradateVert_; }
    bool Gradation() const { return gradation_; }
    TColor GradationColor() const { return gradationColor_; }
    TShadow* Highlight() const { return highlight_; }
    TShadow* Shadow() const { return shadow_; }
    TTextGradation TextGradation() const { return textGradation_; }
    TColor TextGradationColor() const { return textGradationColor_; }
    TColor TextMidColor() const { return textMidColor_; }

    void SetEllipsis(TEllipsis v);
    // Takes effect at the next paint; changing it paints nothing.
    void SetFlickerless(bool v) { flickerless_ = v; }
    void SetGradateVert(bool v);
    void SetGradation(bool v);
    void SetGradationColor(TColor v);
    // Copy the values of v into the owned object (null is ignored).
    void SetHighlight(TShadow* v);
    void SetShadow(TShadow* v);
    void SetTextGradation(TTextGradation v);
    void SetTextGradationColor(TColor v);
    void SetTextMidColor(TColor v);

    // The repaint handler both owned TShadow objects report to.
    void ShadowChanged(QObject* sender);

protected:
    void Paint() override;

private:
    unsigned FormatFlags() const;
    void PaintDirect(const QRect& client);
    void PaintText(QPainter& surface);
    void DrawTextGradient(QPainter& surface, const QStringList& chars, const QRect& textRect,
                          unsigned flags, const QFont& font);
    // Where the gradient runs of one paint have got to: the left edge they
    // started from, the running x position and the characters drawn so far.
    struct TRunPosition {
        int origin;
        int x;
        QString drawn;
    };
    void GradientRun(QPainter& surface, TColor color1, TColor color2, const QStringList& piece,
                     const QRect& textRect, unsigned flags, const QFont& font, TRunPosition& at);

    TEllipsis ellipsis_ = elNone;
    bool flickerless_ = true;
    bool gradateVert_ = false;
    bool gradation_ = false;
    TColor gradationColor_ = clBlue;
    TShadow* highlight_ = nullptr;
    TShadow* shadow_ = nullptr;
    TTextGradation textGradation_ = tgNone;
    TColor textGradationColor_ = clMaroon;
    TColor textMidColor_ = clNavy;
};
