#include "codec/bmpdecoder.h"

#include "codec/memorybudget.h"
#include "codec/pictureformat.h"
#include "codec/pixelbuffer.h"
#include "core/error.h"

#include <QBuffer>
#include <QIODevice>
#include <QImageReader>

#include <algorithm>
#include <bit>
#include <cstring>

namespace yotsumado {

// Most bitmaps go through Qt's BMP reader. Pixels described by bit masks
// (16-bit pixels, and 32-bit ones with BI_BITFIELDS) are decoded here instead:
// Qt widens a 5-bit channel by shifting alone (31 becomes 248, not 255) and
// misreads masks wider than 8 bits, and it does not know the 52- and 56-byte
// info headers at all. Bitmaps with an OS/2 header or another header that is
// not 40, 108 or 124 bytes long are rewritten in memory with a 40-byte one
// before Qt reads them: Qt takes a 64-byte OS/2 2.x header's palette for one
// of 3-byte entries, refuses the short 16-byte form, and ignores an OS/2 1.x
// palette shorter than the full 2^n colours.

namespace {

constexpr quint32 kBiRgb = 0;
constexpr quint32 kBiBitfields = 3;
constexpr quint32 kBiAlphaBitfields = 6;
constexpr qsizetype kFileHeaderSize = 14;
constexpr qsizetype kHeaderPeekSize = kFileHeaderSize + 124 + 16;

[[noreturn]] void Invalid()
{
    throw EInvalidGraphic(QStringLiteral("ビットマップイメージが不正です"));
}

quint16 U16(const QByteArray& b, qsizetype at)
{
    return quint16(quint8(b[at]) | quint8(b[at + 1]) << 8);
}

quint32 U32(const QByteArray& b, qsizetype at)
{
    return quint32(U16(b, at)) | quint32(U16(b, at + 2)) << 16;
}

// Bytes per stored row: rows are padded to whole 32-bit words.
qint64 RowBytes(qint64 width, int bitCount)
{
    return (width * bitCount + 31) / 32 * 4;
}

bool UsesMasks(const BmpHeader& h)
{
    if (h.bitCount == 16)
        return h.compression == kBiRgb || h.compression == kBiBitfields || h.compression == kBiAlphaBitfields;
    if (h.bitCount == 32)
        return h.compression == kBiBitfields || h.compression == kBiAlphaBitfields;
    return false;
}

// One colour channel of a masked pixel, widened or narrowed to 8 bits. A
// narrow channel repeats its bits (5-bit 31 -> 255, 1 -> 8), so that full
// scale stays full scale.
class Channel {
public:
    explicit Channel(quint32 mask)
    {
        if (mask == 0)
            return;
        shift_ = std::countr_zero(mask);
        bits_ = std::popcount(mask);
        mask_ = mask;
    }
    bool Contiguous() const { return mask_ == 0 || (mask_ >> shift_) == (bits_ == 32 ? ~0u : (1u << bits_) - 1); }
    uchar Of(quint32 pixel) const
    {
        if (bits_ == 0)
            return 0;
        const quint32 v = (pixel & mask_) >> shift_;
        if (bits_ >= 8)
            return uchar(v >> (bits_ - 8));
        quint32 out = 0;
        for (int at = 8 - bits_; at > -bits_; at -= bits_)
            out |= at >= 0 ? v << at : v >> -at;
        return uchar(out);
    }

private:
    quint32 mask_ = 0;
    int shift_ = 0;
    int bits_ = 0;
};

// Ends the decode when another thread has asked for it to end.
void StopIfCancelled(const std::atomic<bool>* cancel)
{
    if (cancel && cancel->load(std::memory_order_relaxed))
        throw EAbort();
}

QImage DecodeMasked(QIODevice& in, qint64 start, const BmpHeader& h, const std::atomic<bool>* cancel)
{
    const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
    if (!red.Contiguous() || !green.Contiguous() || !blue.Contiguous())
        Invalid();
    const qint64 rowBytes = RowBytes(h.width, h.bitCount);
    if (!in.seek(start + h.dataOffset))
        Invalid();
    QImage image = NewRgb888Image(int(h.width), int(h.height));
    if (image.isNull())
        Invalid();
    QByteArray row(rowBytes, Qt::Uninitialized);
    const int bytesPerPixel = h.bitCount / 8;
    for (qint64 i = 0; i < h.height; ++i) {
        StopIfCancelled(cancel);
        if (in.read(row.data(), rowBytes) != rowBytes)
            Invalid();
        const int y = int(h.topDown ? i : h.height - 1 - i);
        const uchar* src = reinterpret_cast<const uchar*>(row.constData());
        uchar* dst = image.scanLine(y);
        for (qint64 x = 0; x < h.width; ++x, src += bytesPerPixel, dst += 3) {
            quint32 pixel = quint32(src[0]) | quint32(src[1]) << 8;
            if (bytesPerPixel == 4)
                pixel |= quint32(src[2]) << 16 | quint32(src[3]) << 24;
            dst[0] = red.Of(pixel);
            dst[1] = green.Of(pixel);
            dst[2] = blue.Of(pixel);
        }
    }
    return image;
}

bool NeedsWindowsHeader(const BmpHeader& h)
{
    return h.headerSize != 40 && h.headerSize != 108 && h.headerSize != 124;
}

void Put16(QByteArray& b, qsizetype at, quint16 v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}

void Put32(QByteArray& b, qsizetype at, quint32 v)
{
    Put16(b, at, quint16(v & 0xFFFF));
    Put16(b, at + 2, quint16(v >> 16));
}

// The same bitmap with a 40-byte info header and a palette of 4-byte entries.
QByteArray WithWindowsHeader(QIODevice& in, qint64 start, const BmpHeader& h, const QByteArray& headBytes)
{
    // 1 Huffman 1-D and RLE24 (OS/2 compressions 3 and 4) are not supported.
    const bool rle = (h.compression == 1 && h.bitCount == 8) || (h.compression == 2 && h.bitCount == 4);
    if (!(h.compression == kBiRgb || rle) || !(h.bitCount == 1 || h.bitCount == 4 || h.bitCount == 8 || h.bitCount == 24))
        Invalid();
    const qint64 entrySize = h.headerSize == 12 ? 3 : 4;
    const qint64 paletteAt = kFileHeaderSize + h.headerSize;
    const qint64 paletteRoom = qint64(h.dataOffset) - paletteAt;
    if (paletteRoom < 0)
        Invalid();
    qint64 colours = 0;
    if (h.bitCount <= 8) {
        const qint64 full = qint64(1) << h.bitCount;
        const qint64 declared = h.headerSize >= 36 && headBytes.size() >= kFileHeaderSize + 36 ? U32(headBytes, 46) : 0;
        colours = qMin(declared > 0 && declared < full ? declared : full, paletteRoom / entrySize);
        if (colours <= 0)
            Invalid();
    }
    const qint64 dataSize = rle ? qMin(in.size() - start - qint64(h.dataOffset), kMaxPictureBytes)
                                : RowBytes(h.width, h.bitCount) * h.height;
    if (dataSize <= 0)
        Invalid();

    const qint64 newOffset = kFileHeaderSize + 40 + colours * 4;
    QByteArray out(newOffset, '\0');
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, quint32(qMin(newOffset + dataSize, qint64(0xFFFFFFFF))));
    Put32(out, 10, quint32(newOffset));
    Put32(out, 14, 40);
    Put32(out, 18, quint32(h.width));
    Put32(out, 22, quint32(h.topDown ? -h.height : h.height));
    Put16(out, 26, 1);
    Put16(out, 28, h.bitCount);
    Put32(out, 30, h.compression);
    Put32(out, 34, quint32(dataSize));
    Put32(out, 46, quint32(colours));

    if (!in.seek(start + paletteAt))
        Invalid();
    const QByteArray palette = in.read(colours * entrySize);
    if (palette.size() != colours * entrySize)
        Invalid();
    for (qint64 i = 0; i < colours; ++i)
        for (qint64 c = 0; c < 3; ++c)
            out[kFileHeaderSize + 40 + i * 4 + c] = palette[i * entrySize + c];

    if (!in.seek(start + h.dataOffset))
        Invalid();
    const QByteArray data = in.read(dataSize);
    if (data.size() != dataSize && !rle)
        Invalid();
    out.append(data);
    return out;
}

// Qt's reader asks for no more than its allocation limit (128 MB by default)
// and refuses larger pictures as if they were broken; ours is the same bound
// that the header check has already applied.
void RaiseReaderLimit()
{
    static const bool raised = [] {
        const int limitMb = int(kMaxPictureBytes / (1024 * 1024)) * 4 / 3 + 1;  // read as 32-bit pixels
        if (QImageReader::allocationLimit() < limitMb)
            QImageReader::setAllocationLimit(limitMb);
        return true;
    }();
    Q_UNUSED(raised);
}

// A few bytes of run-length data can declare a 16384 x 16384 palette
// picture. It is converted to 24 bits row by row into the result, through a
// table of the palette's colours: no whole-picture copy on the way, and a
// quarter of a billion pixels in well under a second.
QImage PaletteToRgb888(const QImage& indexed, const std::atomic<bool>* cancel)
{
    QImage out = NewRgb888Image(indexed.width(), indexed.height());
    if (out.isNull())
        Invalid();
    if (indexed.format() == QImage::Format_Indexed8) {
        uchar table[256][3] = {};
        const QList<QRgb> colours = indexed.colorTable();
        for (qsizetype i = 0; i < colours.size() && i < 256; ++i) {
            table[i][0] = uchar(qRed(colours[i]));
            table[i][1] = uchar(qGreen(colours[i]));
            table[i][2] = uchar(qBlue(colours[i]));
        }
        const std::size_t indexBytes = std::size_t(indexed.width());
        const std::size_t rgbBytes = indexBytes * 3;
        for (int y = 0; y < indexed.height(); ++y) {
            if (y % 256 == 0)
                StopIfCancelled(cancel);
            const uchar* src = indexed.constScanLine(y);
            uchar* dst = out.scanLine(y);
            // A row like the one before (a run-length picture's untouched
            // rows all are) is that row's colours again.
            if (y > 0 && std::memcmp(src, indexed.constScanLine(y - 1), indexBytes) == 0) {
                std::memcpy(dst, out.constScanLine(y - 1), rgbBytes);
                continue;
            }
            for (int x = 0; x < indexed.width(); ++x, dst += 3) {
                const uchar* colour = table[src[x]];
                dst[0] = colour[0];
                dst[1] = colour[1];
                dst[2] = colour[2];
            }
        }
        return out;
    }
    // One-bit pictures: Qt's own conversion, in bands of rows.
    constexpr int kBandRows = 64;
    const qsizetype rowBytes = qsizetype(indexed.width()) * 3;
    for (int y = 0; y < indexed.height(); y += kBandRows) {
        StopIfCancelled(cancel);
        const int rows = std::min(kBandRows, indexed.height() - y);
        QImage band(indexed.constScanLine(y), indexed.width(), rows, indexed.bytesPerLine(), indexed.format());
        band.setColorTable(indexed.colorTable());
        const QImage rgb = band.convertToFormat(QImage::Format_RGB888);
        if (rgb.isNull())
            Invalid();
        for (int r = 0; r < rows; ++r)
            std::memcpy(out.scanLine(y + r), rgb.constScanLine(r), std::size_t(rowBytes));
    }
    return out;
}

// What decoding the bitmap takes at its peak, asked of the budget before any
// of it is taken: the 24-bit result, and for Qt's reader its own picture
// (1 byte a pixel for palette pictures, 4 for others, in rows padded to 32
// bits as all of these are: a picture one pixel wide takes 4 bytes a row
// either way) and the rewritten file.
qint64 DecodingBytes(const BmpHeader& h, qint64 fileBytes)
{
    const qint64 result = ((h.width * 3 + 3) & ~qint64(3)) * h.height;  // within kMaxPictureBytes * 4 / 3
    if (UsesMasks(h))
        return result + RowBytes(h.width, h.bitCount);
    const qint64 reader = RowBytes(h.width, h.bitCount <= 8 ? 8 : 32) * h.height;
    const qint64 rewritten = NeedsWindowsHeader(h) ? std::max<qint64>(fileBytes, 0) : 0;
    return result + reader + rewritten;
}

QImage DecodeWithin(QIODevice& in, qint64 start, const BmpHeader& h, const std::atomic<bool>* cancel);

} // namespace

bool ReadBmpHeader(const QByteArray& bytes, BmpHeader* header)
{
    BmpHeader h;
    if (bytes.size() < kFileHeaderSize + 12 || bytes[0] != 'B' || bytes[1] != 'M')
        return false;
    h.dataOffset = U32(bytes, 10);
    h.headerSize = U32(bytes, 14);
    qint64 height = 0;
    if (h.headerSize == 12) {  // OS/2 1.x: unsigned 16-bit sizes
        h.width = U16(bytes, 18);
        height = U16(bytes, 20);
        h.bitCount = U16(bytes, 24);
    } else if (h.headerSize >= 16 && h.headerSize <= 124) {
        if (bytes.size() < kFileHeaderSize + 16)
            return false;
        h.width = qint32(U32(bytes, 18));
        height = qint32(U32(bytes, 22));
        h.bitCount = U16(bytes, 28);
        if (h.headerSize >= 20) {
            if (bytes.size() < kFileHeaderSize + 20)
                return false;
            h.compression = U32(bytes, 30);
        }
    } else {
        return false;
    }
    h.topDown = height < 0;
    h.height = height < 0 ? -height : height;
    if (!PictureSizeAllowed(h.width, h.height))
        return false;

    if (UsesMasks(h)) {
        // Masks sit at the same place whether inside a 52-byte or larger
        // header or right after a 40-byte one.
        constexpr qsizetype kMasksAt = kFileHeaderSize + 40;
        if (h.compression == kBiRgb) {
            h.masks[0] = 0x7C00;
            h.masks[1] = 0x03E0;
            h.masks[2] = 0x001F;
        } else {
            if (h.headerSize < 40 || bytes.size() < kMasksAt + 12)
                return false;
            for (int i = 0; i < 3; ++i)
                h.masks[i] = U32(bytes, kMasksAt + 4 * i);
            const bool alphaStored = h.headerSize >= 56 || h.compression == kBiAlphaBitfields;
            if (alphaStored && bytes.size() >= kMasksAt + 16)
                h.masks[3] = U32(bytes, kMasksAt + 12);
        }
    }
    *header = h;
    return true;
}

QImage DecodeBmp(QIODevice& in)
{
    MemoryBudget budget(kProgramMemoryBudget);
    BudgetShare share(budget);
    return DecodeBmp(in, share);
}

QImage DecodeBmp(QIODevice& in, BudgetShare& share, const std::atomic<bool>* cancel)
{
    const qint64 start = in.pos();
    BmpHeader h;
    if (!ReadBmpHeader(in.peek(kHeaderPeekSize), &h))
        Invalid();
    const qint64 before = share.Bytes();
    if (!share.Grow(DecodingBytes(h, in.isSequential() ? kMaxPictureBytes : in.size() - start)))
        Invalid();
    try {
        QImage image = DecodeWithin(in, start, h, cancel);
        share.ShrinkTo(before + image.sizeInBytes());
        return image;
    } catch (...) {
        share.ShrinkTo(before);
        throw;
    }
}

namespace {

// The decoding proper, once the budget has granted its cost.
QImage DecodeWithin(QIODevice& in, qint64 start, const BmpHeader& h, const std::atomic<bool>* cancel)
{
    const bool uncompressed = h.compression == kBiRgb || UsesMasks(h);
    if (uncompressed && h.bitCount != 0) {
        // The rows must all be there; a cut file is not shown half grey.
        const qint64 need = qint64(h.dataOffset) + RowBytes(h.width, h.bitCount) * h.height;
        if (!in.isSequential() && in.size() - start < need)
            Invalid();
    }
    if (UsesMasks(h))
        return DecodeMasked(in, start, h, cancel);

    RaiseReaderLimit();
    QBuffer rewritten;
    if (NeedsWindowsHeader(h)) {
        rewritten.setData(WithWindowsHeader(in, start, h, in.peek(kHeaderPeekSize)));
        rewritten.open(QIODevice::ReadOnly);
    }
    QImageReader reader(rewritten.isOpen() ? static_cast<QIODevice*>(&rewritten) : &in, QByteArrayLiteral("bmp"));
    QImage image;
    if (h.compression == 1 || h.compression == 2) {
        // Qt's reader writes only the pixels the runs reach and leaves the
        // rest as it found them: reading into a picture cleared to colour 0
        // shows them as that colour, as other readers do, instead of
        // whatever the memory held before.
        image = QImage(int(h.width), int(h.height), QImage::Format_Indexed8);
        if (image.isNull())
            Invalid();
        image.fill(0);
    }
    if (!reader.read(&image) || image.isNull())
        Invalid();
    StopIfCancelled(cancel);
    if (image.width() != h.width || image.height() != h.height)
        Invalid();
    if (image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono ||
        image.format() == QImage::Format_MonoLSB)
        return PaletteToRgb888(image, cancel);
    image.convertTo(QImage::Format_RGB888);
    return image;
}

} // namespace

} // namespace yotsumado
