#include "label.h"

#include "drawtext.h"

#include <QPainter>

TLabel::TLabel(QWidget* parent)
    : TGraphicControl(parent)
    , font_(new TFont(this))
{
    // Opaque until told otherwise: the label paints every pixel of its area.
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    resize(65, 17);
    font_->OnChange = [this](QObject*) { FontChanged(); };
}

void TLabel::FontChanged()
{
    update();
    AdjustBounds();
}

void TLabel::SetCaption(const QString& v)
{
    if (v == caption_)
        return;
    caption_ = v;
    update();
    AdjustBounds();
}

void TLabel::SetColor(TColor v)
{
    if (v == color_)
        return;
    color_ = v;
    update();
}

void TLabel::SetTransparent(bool v)
{
    if (v == transparent_)
        return;
    transparent_ = v;
    setAttribute(Qt::WA_OpaquePaintEvent, !v);
    update();
}

void TLabel::SetAlignment(TAlignment v)
{
    if (v == alignment_)
        return;
    alignment_ = v;
    update();
}

void TLabel::SetLayout(TTextLayout v)
{
    if (v == layout_)
        return;
    layout_ = v;
    update();
}

void TLabel::SetWordWrap(bool v)
{
    if (v == wordWrap_)
        return;
    wordWrap_ = v;
    AdjustBounds();
    update();
}

void TLabel::SetAutoSize(bool v)
{
    if (v == autoSize_)
        return;
    autoSize_ = v;
    AdjustBounds();
}

void TLabel::SetShowAccelChar(bool v)
{
    if (v == showAccelChar_)
        return;
    showAccelChar_ = v;
    update();
}

void TLabel::Loaded()
{
    loading_ = false;
    AdjustBounds();
}

QFont TLabel::DrawingFont() const
{
    QFont font = font_->ToQFont();
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

QString TLabel::DisplayText() const
{
    if (caption_.isEmpty() || (showAccelChar_ && caption_ == QLatin1String("&")))
        return caption_ + QLatin1Char(' ');
    return caption_;
}

unsigned TLabel::TextFlags() const
{
    unsigned flags = DT_EXPANDTABS;
    switch (alignment_) {
    case taLeftJustify: flags |= DT_LEFT; break;
    case taRightJustify: flags |= DT_RIGHT; break;
    case taCenter: flags |= DT_CENTER; break;
    }
    if (wordWrap_) flags |= DT_WORDBREAK;
    if (!showAccelChar_) flags |= DT_NOPREFIX;
    return flags;
}

void TLabel::AdjustBounds()
{
    if (!autoSize_ || loading_)
        return;
    unsigned flags = DT_EXPANDTABS | DT_CALCRECT;
    if (wordWrap_) flags |= DT_WORDBREAK;
    if (!showAccelChar_) flags |= DT_NOPREFIX;
    const QRect measured = DrawTextFlags(nullptr, DisplayText(), QRect(0, 0, Width(), Height()), flags,
                                         DrawingFont(), QColor());
    const int newWidth = measured.x() + measured.width();
    const int newHeight = measured.y() + measured.height();
    int left = Left();
    // A right-justified label grows and shrinks on its left side.
    if (alignment_ == taRightJustify)
        left += Width() - newWidth;
    SetBounds(left, Top(), newWidth, newHeight);
}

void TLabel::Paint()
{
    QPainter& c = Canvas();
    const QRect client(0, 0, Width(), Height());
    if (!transparent_)
        c.fillRect(client, ToQColor(color_));

    const QString text = DisplayText();
    const unsigned flags = TextFlags();
    const QFont font = DrawingFont();
    const QRect needed = DrawTextFlags(nullptr, text, client, flags | DT_CALCRECT, font, QColor());
    QRect r = client;
    if (layout_ == tlCenter)
        r.translate(0, (Height() - needed.height()) / 2);
    else if (layout_ == tlBottom)
        r.translate(0, Height() - needed.height());

    if (Enabled()) {
        DrawTextFlags(&c, text, r, flags, font, ToQColor(font_->Color()));
    } else {
        // The platform's engraved look of disabled text.
        DrawTextFlags(&c, text, r.translated(1, 1), flags, font, ToQColor(clBtnHighlight));
        DrawTextFlags(&c, text, r, flags, font, ToQColor(clBtnShadow));
    }
}
