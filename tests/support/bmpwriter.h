#pragma once
// Windows bitmap files made to order, each with the picture it must show.
// The writer knows every pixel it encodes, so the expected picture needs no
// other decoder: indexed pixels show their palette entry, masked channels
// narrower than 8 bits repeat their bits (5-bit 31 is 255, 1 is 8) and wider
// ones keep their top 8 bits, and pixels that run-length data never reaches
// show colour 0 of the palette.

#include <QByteArray>
#include <QImage>
#include <QList>

#include <array>
#include <functional>

namespace testing {

// One instruction of run-length data (RLE8 or RLE4).
struct RleOp {
    enum Kind { Run, Literal, EndOfLine, Delta, EndOfBitmap };
    Kind kind = EndOfBitmap;
    int count = 0;       // Run: how many pixels
    QList<int> indices;  // Run: the index (RLE8) or the two that alternate (RLE4); Literal: every index
    int dx = 0, dy = 0;  // Delta: how far right and up the next pixel is
};
RleOp RleRun(int count, int index, int second = -1);
RleOp RleLiteral(const QList<int>& indices);
RleOp RleEndOfLine();
RleOp RleDelta(int dx, int dy);
RleOp RleEndOfBitmap();

struct BmpRecipe {
    int width = 13;
    int height = 7;
    int bitCount = 24;     // 1, 4, 8, 16, 24 or 32
    // 12 (OS/2 1.x), 16 or 64 (OS/2 2.x), 40 (Windows 3), 52, 56, 108 (V4), 124 (V5)
    int headerSize = 40;
    bool topDown = false;  // a negative height in the header
    int compression = 0;   // 0 none, 1 RLE8, 2 RLE4, 3 bit fields
    // Red, green and blue masks, written with compression 3 (and into V4/V5
    // headers). 16-bit pixels without bit fields are 5-5-5.
    std::array<quint32, 3> masks{};
    QList<QRgb> palette;   // indexed pictures: the colour table as written
    int coloursUsed = -1;  // the header's colour count; -1: the palette's size
    int gapAfterPalette = 0;  // bytes between the palette and the pixels
    // Indexed: the palette index at (x, y), y counted from the top. Direct:
    // the stored pixel value (24 bits: 0xRRGGBB; 16 and 32 bits: as masked).
    std::function<quint32(int x, int y)> pixel;
    QList<RleOp> runs;     // run-length data, used instead of pixel
};

struct MadeBmp {
    QByteArray bytes;
    QImage expected;  // Format_RGB888; null when the recipe makes no picture
};

MadeBmp MakeBmp(const BmpRecipe& recipe);

// A palette of n distinct colours, none of them black or white.
QList<QRgb> TestPalette(int n);

} // namespace testing
