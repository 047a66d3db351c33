#pragma once
// Small glyphs drawn in code on a magenta key background, for the gallery.

#include <QImage>
#include <QStringList>

namespace gallery {
QStringList GlyphNames();
// A 16 x 16 (or size x size) glyph by name; an unknown name gives a null image.
QImage MakeGlyph(const QString& name, int size = 16);
} // namespace gallery
