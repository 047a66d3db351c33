#pragma once
/*!
    \class TShadowLabel
    \brief A text label with shadow and highlight copies, background and
    text gradients, and ellipses.

    TShadowLabel is a window-less label: it paints on its parent inside its
    own bounds and takes no focus. Behind the main text it draws a Shadow
    copy (silver, one pixel right and down) and over that a Highlight copy
    (white, one pixel left and up); each is a TShadow with Visible, Color,
    OffsetLeft and OffsetTop, owned by the label for its whole life. Writing
    Shadow or Highlight copies the values into the owned object.

    \section1 Properties
    \list
    \li Caption, Font, Color, Transparent, Alignment, Layout, WordWrap,
        AutoSize (on: the label takes the size its text needs),
        ShowAccelChar ("&" underlines the next character, "&&" shows one)
        and ParentColor / ParentFont (the parent's colour or font while on;
        giving the label its own colour or changing its font turns them
        off; both start off), from TLabel.
    \li Gradation, GradationColor, GradateVert: a background gradient from
        GradationColor (left or top) to Color (right or bottom).
    \li TextGradation (tgNone, tg2Colors, tg3Colors), TextMidColor,
        TextGradationColor: the characters shade from Font.Color through
        TextMidColor to TextGradationColor. Gradient text runs from the left
        edge whatever the Alignment.
    \li Ellipsis (elNone, elEnd, elPath): how text that does not fit the
        width is shortened.
    \li Flickerless: paint through an off-screen bitmap while opaque.
    \endlist

    \section1 Events
    OnClick, OnDblClick, OnMouseDown, OnMouseMove, OnMouseUp, and
    OnMouseEnter / OnMouseLeave when the pointer enters or leaves the label.
    Bind them directly or by name with BindEvent().

    \section1 Rules worth knowing
    \list
    \li A setter given the value the property already has does nothing.
    \li A disabled label (or one in a disabled container) draws its copies
        in fixed system colours; a text gradient keeps its colours.
    \li Colours are TColor values: an explicit RGB value, or a system colour
        looked up in the application palette each time the label paints.
    \li Between BeginLoading() and Loaded() the label does not size itself.
    \endlist
*/

#include "controls/base/label.h"
#include "controls/shadolbl/shadow.h"

#include <QStringList>

namespace yotsumado {

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

} // namespace yotsumado
