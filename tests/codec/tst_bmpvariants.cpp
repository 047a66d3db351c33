// Bitmaps made here in every layout the loader takes, each compared with the
// picture its writer encoded; and made bitmaps broken on purpose.

#include "codectest.h"

#include "codec/pictureloader.h"
#include "codectools.h"
#include "support/bmpwriter.h"
#include "support/pixels.h"

#include <QTest>

using namespace yotsumado;

using namespace codectest;
using testing::BmpRecipe;
using testing::MakeBmp;
using testing::TestPalette;

namespace {

// Indices that change along both axes and use every entry of an n-colour palette.
std::function<quint32(int, int)> Indices(int n)
{
    return [n](int x, int y) { return quint32((x * 3 + y * 5 + x * y) % n); };
}

// Stored pixel values of the given bits, every bit pattern likely somewhere.
std::function<quint32(int, int)> Values(int bits)
{
    return [bits](int x, int y) {
        const quint32 h = quint32(x + 1) * 2654435761u ^ quint32(y + 7) * 2246822519u;
        return bits == 32 ? h : h & ((1u << bits) - 1);
    };
}

BmpRecipe Indexed(int bitCount, int width, int height, int colours)
{
    BmpRecipe r;
    r.bitCount = bitCount;
    r.width = width;
    r.height = height;
    r.palette = TestPalette(colours);
    r.pixel = Indices(colours);
    return r;
}

BmpRecipe Direct(int bitCount, int width, int height, int compression = 0, std::array<quint32, 3> masks = {})
{
    BmpRecipe r;
    r.bitCount = bitCount;
    r.width = width;
    r.height = height;
    r.compression = compression;
    r.masks = masks;
    r.pixel = Values(bitCount == 24 ? 24 : bitCount);
    return r;
}

BmpRecipe With(BmpRecipe r, const std::function<void(BmpRecipe&)>& change)
{
    change(r);
    return r;
}

void AddRow(const char* name, const BmpRecipe& recipe)
{
    const testing::MadeBmp made = MakeBmp(recipe);
    QTest::newRow(name) << made.bytes << made.expected;
}

} // namespace

void CodecTest::madeBitmapsShowTheirPixels_data()
{
    using testing::RleDelta;
    using testing::RleEndOfBitmap;
    using testing::RleEndOfLine;
    using testing::RleLiteral;
    using testing::RleRun;
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QImage>("expected");
    const std::array<quint32, 3> k565{0xF800, 0x07E0, 0x001F};
    const std::array<quint32, 3> k444{0x0F00, 0x00F0, 0x000F};
    const std::array<quint32, 3> k888{0xFF0000, 0xFF00, 0xFF};
    const std::array<quint32, 3> kBgr{0xFF, 0xFF00, 0xFF0000};
    const std::array<quint32, 3> k101010{0x3FF00000, 0x000FFC00, 0x3FF};

    // Bit depths, with rows that need padding and rows that do not.
    AddRow("1-bit, 13 wide", Indexed(1, 13, 6, 2));
    AddRow("1-bit, 32 wide", Indexed(1, 32, 3, 2));
    AddRow("4-bit, 13 wide", Indexed(4, 13, 7, 16));
    AddRow("8-bit, 23 x 19", Indexed(8, 23, 19, 256));
    AddRow("8-bit, 1 x 1", Indexed(8, 1, 1, 256));
    AddRow("24-bit, 13 wide", Direct(24, 13, 7));
    AddRow("24-bit, 4 wide", Direct(24, 4, 3));
    AddRow("16-bit, 5-5-5, top bit set", Direct(16, 11, 5));
    AddRow("32-bit, unused fourth byte", Direct(32, 9, 4));
    // Bit fields.
    AddRow("16-bit fields 5-6-5", Direct(16, 11, 5, 3, k565));
    AddRow("16-bit fields 4-4-4", Direct(16, 10, 6, 3, k444));
    AddRow("32-bit fields 8-8-8", Direct(32, 7, 5, 3, k888));
    AddRow("32-bit fields, blue-green-red", Direct(32, 7, 5, 3, kBgr));
    AddRow("32-bit fields 10-10-10", Direct(32, 7, 5, 3, k101010));
    // Row order.
    AddRow("8-bit, top-down", With(Indexed(8, 17, 9, 256), [](BmpRecipe& r) { r.topDown = true; }));
    AddRow("24-bit, top-down", With(Direct(24, 13, 7), [](BmpRecipe& r) { r.topDown = true; }));
    AddRow("16-bit fields, top-down", With(Direct(16, 11, 5, 3, k565), [](BmpRecipe& r) { r.topDown = true; }));
    AddRow("1-bit, top-down", With(Indexed(1, 13, 6, 2), [](BmpRecipe& r) { r.topDown = true; }));
    // Headers.
    const auto header = [](int size) { return [size](BmpRecipe& r) { r.headerSize = size; }; };
    AddRow("OS/2 1.x, 8-bit", With(Indexed(8, 15, 6, 256), header(12)));
    AddRow("OS/2 1.x, 1-bit", With(Indexed(1, 15, 6, 2), header(12)));
    AddRow("OS/2 1.x, 24-bit", With(Direct(24, 15, 6), header(12)));
    AddRow("OS/2 1.x, 4-bit, short palette", With(Indexed(4, 15, 6, 6), header(12)));
    AddRow("OS/2 2.x, 64-byte header, 8-bit", With(Indexed(8, 15, 6, 256), header(64)));
    AddRow("OS/2 2.x, 16-byte header, 4-bit", With(Indexed(4, 15, 6, 16), header(16)));
    AddRow("52-byte header, 16-bit fields", With(Direct(16, 11, 5, 3, k565), header(52)));
    AddRow("56-byte header, 32-bit fields", With(Direct(32, 7, 5, 3, kBgr), header(56)));
    AddRow("V4 header, 24-bit", With(Direct(24, 13, 7), header(108)));
    AddRow("V4 header, 32-bit fields", With(Direct(32, 7, 5, 3, k888), header(108)));
    AddRow("V5 header, 8-bit", With(Indexed(8, 17, 9, 256), header(124)));
    AddRow("V5 header, 16-bit fields 5-6-5, top-down", With(Direct(16, 11, 5, 3, k565), [](BmpRecipe& r) {
        r.headerSize = 124;
        r.topDown = true;
    }));
    // Palettes.
    AddRow("1-bit palette that is not black and white", With(Indexed(1, 9, 4, 2), [](BmpRecipe& r) {
        r.palette = {qRgb(200, 30, 30), qRgb(20, 40, 220)};
    }));
    AddRow("8-bit, 20-colour palette", Indexed(8, 17, 9, 20));
    AddRow("4-bit, 5-colour palette", Indexed(4, 17, 9, 5));
    AddRow("8-bit, colour count 0 means all 256", With(Indexed(8, 23, 19, 256), [](BmpRecipe& r) {
        r.coloursUsed = 0;
    }));
    AddRow("8-bit, gap between palette and pixels", With(Indexed(8, 17, 9, 256), [](BmpRecipe& r) {
        r.gapAfterPalette = 10;
    }));
    AddRow("24-bit with a colour table", With(Direct(24, 13, 7), [](BmpRecipe& r) { r.palette = TestPalette(4); }));

    // Run-length data: runs, literal runs (odd lengths padded), line ends,
    // deltas that skip pixels, and an end before the last row.
    const auto rle = [](int bitCount, QList<testing::RleOp> runs) {
        BmpRecipe r;
        r.bitCount = bitCount;
        r.compression = bitCount == 8 ? 1 : 2;
        r.width = 12;
        r.height = 6;
        r.palette = TestPalette(bitCount == 8 ? 256 : 16);
        r.runs = std::move(runs);
        return r;
    };
    AddRow("RLE8, runs and literals", rle(8, {RleRun(5, 7), RleLiteral({1, 2, 3, 4, 5, 6, 200}), RleEndOfLine(),
                                             RleRun(12, 255), RleEndOfLine(), RleLiteral({9, 8, 7}), RleRun(9, 3),
                                             RleEndOfLine(), RleRun(12, 1), RleEndOfLine(), RleRun(12, 2),
                                             RleEndOfLine(), RleRun(6, 4), RleRun(6, 5), RleEndOfBitmap()}));
    AddRow("RLE8, deltas", rle(8, {RleRun(2, 9), RleDelta(3, 1), RleRun(4, 10), RleEndOfLine(), RleDelta(5, 2),
                                  RleLiteral({11, 12, 13}), RleEndOfBitmap()}));
    AddRow("RLE8, ends early", rle(8, {RleRun(12, 17), RleEndOfLine(), RleRun(3, 18), RleEndOfBitmap()}));
    AddRow("RLE8, only the end", rle(8, {RleEndOfBitmap()}));
    AddRow("RLE4, alternating runs and literals", rle(4, {RleRun(7, 3, 12), RleLiteral({1, 2, 3, 4, 5}), RleEndOfLine(),
                                                          RleRun(12, 15, 14), RleEndOfLine(), RleLiteral({6, 7, 8, 9}),
                                                          RleRun(8, 10), RleEndOfLine(), RleRun(12, 1, 2),
                                                          RleEndOfLine(), RleRun(12, 4), RleEndOfLine(),
                                                          RleRun(11, 5, 6), RleEndOfBitmap()}));
    AddRow("RLE4, deltas and an early end", rle(4, {RleRun(3, 9, 10), RleDelta(2, 2), RleLiteral({11, 12, 13}),
                                                    RleEndOfLine(), RleRun(4, 7), RleEndOfBitmap()}));
}

void CodecTest::madeBitmapsShowTheirPixels()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QImage, expected);
    const QString path = Temp(QStringLiteral("made.bmp"));
    WriteAll(path, bytes);
    const QImage image = LoadPicture(path);
    QCOMPARE(image.format(), QImage::Format_RGB888);
    SAME_IMAGE(image, expected);
}

void CodecTest::madeBitmapsTheLoaderRefuses_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const auto bytes = [](const BmpRecipe& r) { return MakeBmp(r).bytes; };
    QTest::newRow("bit field mask with a hole")
        << bytes(Direct(16, 5, 5, 3, {0xF000 | 0x0200, 0x07C0, 0x001F}));
    QTest::newRow("OS/2 2.x Huffman 1-D")
        << bytes(With(Indexed(1, 8, 8, 2), [](BmpRecipe& r) { r.headerSize = 64; r.compression = 3; }));
    QTest::newRow("no pixels after the palette")
        << bytes(Indexed(8, 17, 9, 256)).left(14 + 40 + 4 * 256);
}

void CodecTest::madeBitmapsTheLoaderRefuses()
{
    QFETCH(QByteArray, bytes);
    const QString path = Temp(QStringLiteral("refused.bmp"));
    WriteAll(path, bytes);
    QCOMPARE(ErrorOf<EInvalidGraphic>([&] { LoadPicture(path); }), kInvalidBitmap);
}
