#include "controls/base/font.h"

#include <QApplication>

namespace yotsumado {

TFont::TFont(QObject* parent)
    : QObject(parent)
{
    const QFont app = QApplication::font();
    name_ = app.family();
    height_ = app.pixelSize() > 0 ? -app.pixelSize() : -12;
}

void TFont::Changed()
{
    if (OnChange) OnChange(this);
}

void TFont::SetName(const QString& v) { if (v != name_) { name_ = v; Changed(); } }
void TFont::SetHeight(int v) { if (v != height_) { height_ = v; Changed(); } }
void TFont::SetStyle(int v) { if (v != style_) { style_ = v; Changed(); } }
void TFont::SetCharset(int v) { if (v != charset_) { charset_ = v; Changed(); } }
void TFont::SetColor(TColor v) { if (v != color_) { color_ = v; Changed(); } }

void TFont::Assign(const TFont& source)
{
    name_ = source.name_;
    height_ = source.height_;
    style_ = source.style_;
    charset_ = source.charset_;
    color_ = source.color_;
    Changed();
}

QFont TFont::ToQFont() const
{
    QFont f(name_);
    // A negative height is the character (em) height in pixels; a positive
    // one is the cell height, of which the em is about 85 % in common faces.
    const int px = height_ < 0 ? -height_ : std::max(1, height_ * 85 / 100);
    f.setPixelSize(std::max(1, px));
    f.setBold(style_ & fsBold);
    f.setItalic(style_ & fsItalic);
    f.setUnderline(style_ & fsUnderline);
    f.setStrikeOut(style_ & fsStrikeOut);
    f.setStyleStrategy(QFont::PreferDefault);
    return f;
}

} // namespace yotsumado
