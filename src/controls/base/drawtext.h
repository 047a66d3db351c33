#pragma once
// Formatted text drawing with the original platform's flag word: lines at
// their own line breaks (and, with DT_WORDBREAK, at word boundaries to fit
// the width), each line aligned within the rectangle, "&" prefixes, tab
// expansion, end and path ellipses, clipping to the rectangle, and a
// calculate-only mode that returns the rectangle the text needs.

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

namespace yotsumado {

enum : unsigned {
    DT_LEFT = 0x0000,
    DT_CENTER = 0x0001,
    DT_RIGHT = 0x0002,
    DT_WORDBREAK = 0x0010,
    DT_SINGLELINE = 0x0020,
    DT_EXPANDTABS = 0x0040,
    DT_NOCLIP = 0x0100,
    DT_CALCRECT = 0x0400,
    DT_NOPREFIX = 0x0800,
    DT_PATH_ELLIPSIS = 0x4000,
    DT_END_ELLIPSIS = 0x8000,
};

// Draws text into rect with the flags, in font and colour; with DT_CALCRECT
// nothing is drawn (painter may be null). Returns the rectangle the text
// occupies: left and top of rect, the widest line's width and the lines'
// total height.
QRect DrawTextFlags(QPainter* painter, const QString& text, const QRect& rect, unsigned flags,
                    const QFont& font, const QColor& color);

// Width of text in font, as the platform's text-extent call measures it.
int TextWidth(const QFont& font, const QString& text);

// The characters of a text: code points, never half of a surrogate pair.
QStringList SplitCharacters(const QString& text);
// The accelerator character of a caption ("&O" -> 'O'), or a null QChar.
QString AcceleratorOf(const QString& caption);

} // namespace yotsumado
