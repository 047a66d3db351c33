#pragma once
// TLabel: the plain text label. A window-less control that draws its caption
// with the platform's formatted text drawing, aligned horizontally and placed
// vertically within its bounds, over its own background colour or, when
// transparent, over whatever the parent painted.
//
// With AutoSize on (the default) the label takes the size its text needs
// whenever the text, the font or the word-wrap setting changes. A label being
// read from a stored layout waits with that until Loaded().

#include "controls/base/font.h"
#include "controls/base/graphiccontrol.h"

#include <QString>

namespace yotsumado {

class TLabel : public TGraphicControl {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(TFont* Font READ Font)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(TTextLayout Layout READ Layout WRITE SetLayout)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool ShowAccelChar READ ShowAccelChar WRITE SetShowAccelChar)
    Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
    Q_CLASSINFO("default:ParentColor", "false")
    Q_CLASSINFO("default:ParentFont", "false")
    Q_CLASSINFO("default:Transparent", "false")
    Q_CLASSINFO("default:Alignment", "taLeftJustify")
    Q_CLASSINFO("default:Layout", "tlTop")
    Q_CLASSINFO("default:WordWrap", "false")
    Q_CLASSINFO("default:AutoSize", "true")
    Q_CLASSINFO("default:ShowAccelChar", "true")

public:
    enum TAlignment { taLeftJustify, taRightJustify, taCenter };
    Q_ENUM(TAlignment)
    enum TTextLayout { tlTop, tlCenter, tlBottom };
    Q_ENUM(TTextLayout)

    explicit TLabel(QWidget* parent = nullptr);

    QString Caption() const { return caption_; }
    TFont* Font() const { return font_; }
    TColor Color() const { return color_; }
    bool Transparent() const { return transparent_; }
    TAlignment Alignment() const { return alignment_; }
    TTextLayout Layout() const { return layout_; }
    bool WordWrap() const { return wordWrap_; }
    bool AutoSize() const { return autoSize_; }
    bool ShowAccelChar() const { return showAccelChar_; }
    bool ParentColor() const { return parentColor_; }
    bool ParentFont() const { return parentFont_; }

    void SetCaption(const QString& v);
    void SetColor(TColor v);
    void SetTransparent(bool v);
    void SetAlignment(TAlignment v);
    void SetLayout(TTextLayout v);
    void SetWordWrap(bool v);
    void SetAutoSize(bool v);
    void SetShowAccelChar(bool v);
    // While on, Color (or Font) is the parent's and follows it; giving the
    // label a colour (or changing its font) turns it off.
    void SetParentColor(bool v);
    void SetParentFont(bool v);

    bool BindEvent(const QByteArray& name, const TEventHandler& handler) override;

    // The pointer entered or left the label.
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

    // Reading a stored layout: between BeginLoading() and Loaded() the label
    // does not size itself; Loaded() sizes it once with the final values.
    void BeginLoading() { loading_ = true; }
    virtual void Loaded();
    bool Loading() const { return loading_; }

    // The Qt font the label measures and draws with: its Font, rendered
    // without antialiasing so that every copy of the text keeps crisp,
    // exactly coloured pixels like the platform's plain text drawing.
    QFont DrawingFont() const;

protected:
    // The text as it is measured and drawn: the caption, with one space
    // appended when it is empty or a lone accelerator mark, so that the label
    // keeps the height of one line.
    QString DisplayText() const;
    // The flags every drawing of the text shares: alignment, tab expansion,
    // word break and (without ShowAccelChar) no prefix processing.
    unsigned TextFlags() const;
    // Fits the bounds to the text when AutoSize is on (and not loading).
    void AdjustBounds();

    void Paint() override;
    bool event(QEvent* event) override;

private:
    void FontChanged();
    void ApplyParentColor();
    void ApplyParentFont();

    QString caption_;
    TFont* font_;
    TColor color_ = clBtnFace;
    bool transparent_ = false;
    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlTop;
    bool wordWrap_ = false;
    bool autoSize_ = true;
    bool showAccelChar_ = true;
    bool loading_ = false;
    bool parentColor_ = false;
    bool parentFont_ = false;
    bool takingParentFont_ = false;
};

} // namespace yotsumado
