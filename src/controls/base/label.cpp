#include "controls/base/label.h"

#include "controls/base/drawtext.h"

#include <QPainter>

namespace yotsumado {

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
    if (!takingParentFont_)
        parentFont_ = false;
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
    parentColor_ = false;
    update();
}

void TLabel::SetParentColor(bool v)
{
    if (v == parentColor_)
        return;
    parentColor_ = v;
    ApplyParentColor();
}

void TLabel::SetParentFont(bool v)
{
    if (v == parentFont_)
        return;
    parentFont_ = v;
    ApplyParentFont();
}

namespace {

// A parent that is one of our controls has a Color and a Font of its own;
// any other widget gives its palette's window colour and its Qt font.
TColor ColorOfParent(const QWidget& parent)
{
    const QVariant own = parent.property("Color");
    if (own.isValid() && own.canConvert<int>())
        return static_cast<TColor>(own.toInt());
    return RgbToColor(parent.palette().color(QPalette::Window).rgb());
}

void FontOfParent(const QWidget& parent, TFont& out)
{
    const QVariant own = parent.property("Font");
    if (own.metaType().flags() & QMetaType::PointerToQObject) {
        if (const auto* font = qobject_cast<const TFont*>(own.value<QObject*>())) {
            out.Assign(*font);
            return;
        }
    }
    const QFont qt = parent.font();
    TFont taken;
    taken.SetName(qt.family());
    const int px = qt.pixelSize() > 0 ? qt.pixelSize() : qRound(qt.pointSizeF() * 96.0 / 72.0);
    taken.SetHeight(-std::max(1, px));
    taken.SetStyle((qt.bold() ? TFont::fsBold : 0) | (qt.italic() ? TFont::fsItalic : 0)
                   | (qt.underline() ? TFont::fsUnderline : 0) | (qt.strikeOut() ? TFont::fsStrikeOut : 0));
    taken.SetColor(RgbToColor(parent.palette().color(QPalette::WindowText).rgb()));
    out.Assign(taken);
}

} // namespace

void TLabel::ApplyParentColor()
{
    if (!parentColor_ || !parentWidget())
        return;
    const TColor c = ColorOfParent(*parentWidget());
    if (c == color_)
        return;
    color_ = c;
    update();
}

void TLabel::ApplyParentFont()
{
    if (!parentFont_ || !parentWidget())
        return;
    takingParentFont_ = true;
    FontOfParent(*parentWidget(), *font_);
    takingParentFont_ = false;
}

bool TLabel::BindEvent(const QByteArray& name, const TEventHandler& handler)
{
    if (name == "OnMouseEnter" || name == "OnMouseLeave") {
        const auto* h = std::get_if<TNotifyEvent>(&handler);
        if (!h) return false;
        (name == "OnMouseEnter" ? OnMouseEnter : OnMouseLeave) = *h;
        return true;
    }
    return TGraphicControl::BindEvent(name, handler);
}

bool TLabel::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Enter:
        if (OnMouseEnter) OnMouseEnter(this);
        break;
    case QEvent::Leave:
        if (OnMouseLeave) OnMouseLeave(this);
        break;
    // The parent's palette and font reach the label as its own changes.
    case QEvent::ParentChange:
        ApplyParentColor();
        ApplyParentFont();
        break;
    case QEvent::PaletteChange:
        ApplyParentColor();
        ApplyParentFont();
        break;
    case QEvent::FontChange:
        ApplyParentFont();
        break;
    default:
        break;
    }
    return TGraphicControl::event(event);
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

    if (isEnabled()) {
        DrawTextFlags(&c, text, r, flags, font, ToQColor(font_->Color()));
    } else {
        // The platform's engraved look of disabled text.
        DrawTextFlags(&c, text, r.translated(1, 1), flags, font, ToQColor(clBtnHighlight));
        DrawTextFlags(&c, text, r, flags, font, ToQColor(clBtnShadow));
    }
}

} // namespace yotsumado
