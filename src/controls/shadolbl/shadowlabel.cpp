#include "controls/shadolbl/shadowlabel.h"

#include "controls/base/drawtext.h"
#include "controls/shadolbl/captionchars.h"
#include "controls/shadolbl/gradient.h"
#include "core/colorramp.h"

#include <QPainter>
#include <QtMath>

namespace yotsumado {

TShadowLabel::TShadowLabel(QWidget* parent)
    : TLabel(parent)
{
    highlight_ = new TShadow(this);
    // The highlight is a white copy up and to the left; no handler is wired
    // yet, so these settings report to nobody.
    highlight_->SetShadowColor(clWhite);
    highlight_->SetShadowLeft(-1);
    highlight_->SetShadowTop(-1);
    highlight_->OnChange = [this](QObject* sender) { ShadowChanged(sender); };
    shadow_ = new TShadow(this);
    shadow_->OnChange = [this](QObject* sender) { ShadowChanged(sender); };
}

TShadowLabel::~TShadowLabel()
{
    delete highlight_;
    highlight_ = nullptr;
    delete shadow_;
    shadow_ = nullptr;
}

void TShadowLabel::ShadowChanged(QObject*)
{
    update();
}

void TShadowLabel::SetEllipsis(TEllipsis v)
{
    if (v == ellipsis_) return;
    ellipsis_ = v;
    update();
}

void TShadowLabel::SetTextGradation(TTextGradation v)
{
    if (v == textGradation_) return;
    textGradation_ = v;
    update();
}

void TShadowLabel::SetTextGradationColor(TColor v)
{
    if (v == textGradationColor_) return;
    textGradationColor_ = v;
    if (textGradation_ != tgNone)
        update();
}

void TShadowLabel::SetTextMidColor(TColor v)
{
    if (v == textMidColor_) return;
    textMidColor_ = v;
    if (textGradation_ == tg3Colors)
        update();
}

void TShadowLabel::SetGradateVert(bool v)
{
    if (v == gradateVert_) return;
    gradateVert_ = v;
    update();
}

void TShadowLabel::SetGradation(bool v)
{
    if (v == gradation_) return;
    gradation_ = v;
    update();
}

void TShadowLabel::SetGradationColor(TColor v)
{
    if (v == gradationColor_) return;
    gradationColor_ = v;
    update();
}

void TShadowLabel::SetHighlight(TShadow* v)
{
    if (!v) return;
    highlight_->Assign(v);
    update();
}

void TShadowLabel::SetShadow(TShadow* v)
{
    if (!v) return;
    shadow_->Assign(v);
    update();
}

unsigned TShadowLabel::FormatFlags() const
{
    unsigned flags = TextFlags();
    if (ellipsis_ == elEnd) flags |= DT_END_ELLIPSIS;
    else if (ellipsis_ == elPath) flags |= DT_PATH_ELLIPSIS;
    return flags;
}

void TShadowLabel::Paint()
{
    const QRect client(0, 0, Width(), Height());
    if (client.isEmpty())
        return;

    if (flickerless_ && !Transparent()) {
        // Made at the surface's device pixels, so that the text stays sharp
        // on a scaled screen instead of being enlarged from one pixel each.
        const qreal dpr = DevicePixelRatioOf(Canvas());
        QImage bitmap(qCeil(client.width() * dpr), qCeil(client.height() * dpr), QImage::Format_BGR888);
        bitmap.setDevicePixelRatio(dpr);
        if (bitmap.isNull()) {
            // No memory for the bitmap: draw directly rather than not at all.
            PaintDirect(client);
            return;
        }
        if (gradation_)
            GradBitmap(bitmap, gradationColor_, Color(), gradateVert_);
        else
            bitmap.fill(ToQColor(Color()));
        {
            QPainter surface(&bitmap);
            surface.setRenderHints(Canvas().renderHints());
            PaintText(surface);
        }
        Canvas().drawImage(QRectF(client), bitmap);
        return;
    }

    PaintDirect(client);
}

void TShadowLabel::PaintDirect(const QRect& client)
{
    QPainter& canvas = Canvas();
    if (!Transparent()) {
        if (gradation_)
            GradRect(canvas, client, gradationColor_, Color(), gradateVert_);
        else
            canvas.fillRect(client, ToQColor(Color()));
    }
    PaintText(canvas);
}

void TShadowLabel::PaintText(QPainter& surface)
{
    const QString text = DisplayText();
    const unsigned flags = FormatFlags();
    const QFont font = DrawingFont();
    const QRect client(0, 0, Width(), Height());

    const int textHeight = DrawTextFlags(nullptr, text, client, flags | DT_CALCRECT, font, QColor()).height();
    QRect textRect = client;
    switch (Layout()) {
    case tlTop: break;
    // Integer division truncates toward zero: a text one pixel taller than
    // the label stays put, two pixels taller moves up by one.
    case tlCenter: textRect.translate(0, (Height() - textHeight) / 2); break;
    case tlBottom: textRect.translate(0, Height() - textHeight); break;
    }

    TColor shadowColor = shadow_->Color();
    TColor highlightColor = highlight_->Color();
    TColor textColor = Font()->Color();
    if (!isEnabled()) {
        shadowColor = clGray;
        highlightColor = clBtnHighlight;
        textColor = clBtnShadow;
    }

    if (shadow_->Visible())
        DrawTextFlags(&surface, text,
                      textRect.translated(shadow_->OffsetLeft(), shadow_->OffsetTop()), flags, font,
                      ToQColor(shadowColor));
    if (highlight_->Visible())
        DrawTextFlags(&surface, text,
                      textRect.translated(highlight_->OffsetLeft(), highlight_->OffsetTop()), flags,
                      font, ToQColor(highlightColor));

    const QStringList chars = SplitCharacters(text);
    if (textGradation_ != tgNone && chars.size() > 1)
        DrawTextGradient(surface, chars, textRect, flags, font);
    else
        DrawTextFlags(&surface, text, textRect, flags, font, ToQColor(textColor));
}

void TShadowLabel::DrawTextGradient(QPainter& surface, const QStringList& chars, const QRect& textRect,
                                    unsigned flags, const QFont& font)
{
    // The runs follow one another on one line from the text's left edge,
    // whatever the alignment.
    TRunPosition at{textRect.left(), textRect.left(), QString()};
    if (textGradation_ == tg2Colors || chars.size() == 2) {
        GradientRun(surface, Font()->Color(), textGradationColor_, chars, textRect, flags, font, at);
        return;
    }
    const qsizetype split = ThreeColorSplit(chars);
    const QStringList first = chars.mid(0, split);
    const QStringList rest = chars.mid(split);
    GradientRun(surface, Font()->Color(), textMidColor_, first, textRect, flags, font, at);
    if (rest.size() == 1)
        GradientRun(surface, textGradationColor_, textGradationColor_, rest, textRect, flags, font, at);
    else
        GradientRun(surface, textMidColor_, textGradationColor_, rest, textRect, flags, font, at);
}

void TShadowLabel::GradientRun(QPainter& surface, TColor color1, TColor color2, const QStringList& piece,
                               const QRect& textRect, unsigned flags, const QFont& font, TRunPosition& at)
{
    const qsizetype n = piece.size();
    if (n == 0)
        return;
    // Every cell ends where the text up to and including its character ends,
    // measured from the run's origin as a whole, the way auto-size measures
    // the caption. Adding up the characters' own rounded widths instead
    // would let the cells drift left of the text and clip its last
    // character at the label's edge.
    auto advance = [&](const QString& ch) {
        at.drawn += ch;
        at.x = at.origin + TextWidth(font, at.drawn);
    };
    if (n == 1) {
        // A lone character is placed by the alignment within the rest of the line.
        const QRect cell(QPoint(at.x, textRect.top()), QPoint(textRect.right(), textRect.bottom()));
        if (cell.width() > 0)
            DrawTextFlags(&surface, piece.first(), cell, flags, font, ToQColor(color1));
        advance(piece.first());
        return;
    }

    quint8 r1, g1, b1, r2, g2, b2;
    GetRGB(color1, r1, g1, b1);
    GetRGB(color2, r2, g2, b2);
    const TruncatedRamp ramp(qRgb(r1, g1, b1), qRgb(r2, g2, b2));
    for (qsizetype k = 0; k < n; ++k) {
        const QColor color = QColor::fromRgb(ramp.At(k, n));
        const QString& ch = piece.at(k);
        const int cellLeft = at.x;
        advance(ch);
        if (at.x > cellLeft)
            DrawTextFlags(&surface, ch, QRect(cellLeft, textRect.top(), at.x - cellLeft, textRect.height()),
                          flags, font, color);
    }
}

} // namespace yotsumado
