#include "codec/rasterdecoders.h"

#include "codec/colorprofile.h"
#include "codec/exiforientation.h"
#include "codec/memorybudget.h"
#include "codec/rasterdecode.h"

#include <QIODevice>

#include <spng.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>

namespace yotsumado {

namespace {

constexpr PictureKind kKind = PictureKind::Png;

// Chunks libspng keeps in memory (profile, text, Exif): any one inflated to
// at most this, all of them together to twice as much. Real profiles and
// metadata stay far below; a chunk that inflates past it is refused.
constexpr std::size_t kMaxChunkBytes = std::size_t(16) << 20;
constexpr std::size_t kMaxChunkCache = 2 * kMaxChunkBytes;

// Every allocation libspng makes (its context, scanline buffers, zlib's
// window, the chunks it keeps) is asked of the budget first. libspng's
// allocator takes no user pointer, so the share in use is the decoding
// thread's; each block carries its size in front of it.
thread_local BudgetShare* tLibraryShare = nullptr;
constexpr std::size_t kBlockHeader = alignof(std::max_align_t);

void* CountedMalloc(std::size_t size)
{
    BudgetShare* share = tLibraryShare;
    if (!share || size > std::size_t(std::numeric_limits<qint64>::max() / 2) || !share->Grow(qint64(size + kBlockHeader)))
        return nullptr;
    auto* block = static_cast<unsigned char*>(std::malloc(size + kBlockHeader));
    if (!block) {
        share->ShrinkTo(share->Bytes() - qint64(size + kBlockHeader));
        return nullptr;
    }
    std::memcpy(block, &size, sizeof size);
    return block + kBlockHeader;
}

std::size_t BlockSize(void* pointer)
{
    std::size_t size;
    std::memcpy(&size, static_cast<unsigned char*>(pointer) - kBlockHeader, sizeof size);
    return size;
}

void CountedFree(void* pointer)
{
    if (!pointer)
        return;
    tLibraryShare->ShrinkTo(tLibraryShare->Bytes() - qint64(BlockSize(pointer) + kBlockHeader));
    std::free(static_cast<unsigned char*>(pointer) - kBlockHeader);
}

void* CountedRealloc(void* pointer, std::size_t size)
{
    if (!pointer)
        return CountedMalloc(size);
    void* moved = CountedMalloc(size);
    if (moved) {
        std::memcpy(moved, pointer, std::min(size, BlockSize(pointer)));
        CountedFree(pointer);
    }
    return moved;
}

void* CountedCalloc(std::size_t count, std::size_t size)
{
    if (size && count > std::numeric_limits<std::size_t>::max() / size)
        return nullptr;
    void* block = CountedMalloc(count * size);
    if (block)
        std::memset(block, 0, count * size);
    return block;
}

// The file as libspng reads it: exactly the bytes asked for, or the end.
// A cancelled load ends the reading too, so a long run of chunks the
// library skips on its own cannot hold the load up.
struct Source {
    QIODevice* in;
    const std::atomic<bool>* cancel;
};

int ReadSource(spng_ctx*, void* user, void* destination, std::size_t length)
{
    const auto* source = static_cast<const Source*>(user);
    if (source->cancel && source->cancel->load(std::memory_order_relaxed))
        return SPNG_IO_ERROR;
    auto* out = static_cast<char*>(destination);
    while (length > 0) {
        const qint64 got = source->in->read(out, qint64(length));
        if (got <= 0)
            return SPNG_IO_EOF;
        out += got;
        length -= std::size_t(got);
    }
    return 0;
}

// A libspng decoding context whose memory is held in a share of the
// budget for as long as it lives.
class Decoder {
public:
    Decoder(const BudgetShare& share, Source& source)
        : memory_(ReserveWork(share, 0, kKind)), outer_(std::exchange(tLibraryShare, &memory_)), cancel_(source.cancel)
    {
        spng_alloc alloc{CountedMalloc, CountedRealloc, CountedCalloc, CountedFree};
        ctx_ = spng_ctx_new2(&alloc, 0);
        // Damaged picture data is refused; a damaged optional chunk (a
        // profile, text, Exif) is dropped and the picture still shown.
        const auto side = std::uint32_t(kMaxPictureBytes / 3);
        if (!ctx_ || spng_set_crc_action(ctx_, SPNG_CRC_ERROR, SPNG_CRC_DISCARD) != 0
            || spng_set_image_limits(ctx_, side, side) != 0
            || spng_set_chunk_limits(ctx_, kMaxChunkBytes, kMaxChunkCache) != 0
            || spng_set_png_stream(ctx_, ReadSource, &source) != 0) {
            // No destructor runs for a constructor that throws.
            spng_ctx_free(ctx_);
            tLibraryShare = outer_;
            Fail();
        }
    }
    ~Decoder()
    {
        spng_ctx_free(ctx_);
        tLibraryShare = outer_;
    }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    spng_ctx* operator*() const { return ctx_; }
    void Check(int result) const
    {
        if (result != 0)
            Fail();
    }
    // A read the cancel ended fails as the cancel, not as a damaged file.
    [[noreturn]] void Fail() const
    {
        ThrowIfCancelled(cancel_);
        ThrowInvalidPicture(kKind);
    }

private:
    BudgetShare memory_;
    BudgetShare* outer_;
    const std::atomic<bool>* cancel_;
    spng_ctx* ctx_ = nullptr;
};

bool HasAlpha(spng_ctx* ctx, const spng_ihdr& ihdr)
{
    if (ihdr.color_type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA || ihdr.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA)
        return true;
    spng_trns trns;
    if (spng_get_trns(ctx, &trns) != 0)
        return false;
    if (ihdr.color_type != SPNG_COLOR_TYPE_INDEXED)
        return true;
    for (std::uint32_t i = 0; i < trns.n_type3_entries; ++i)
        if (trns.type3_alpha[i] != 255)
            return true;
    return false;
}

// The conversion to sRGB the file asks for: its ICC profile; nothing when
// it says it is sRGB; else its gamma with its primaries (sRGB's without).
std::unique_ptr<ColorProfileTransform> ColourToSrgb(spng_ctx* ctx, bool grey, MemoryBudget* budget)
{
    using Transform = ColorProfileTransform;
    const auto input = grey ? Transform::Input::Grey : Transform::Input::Rgb;
    spng_iccp iccp;
    if (spng_get_iccp(ctx, &iccp) == 0)
        return Transform::ToSrgb(reinterpret_cast<const unsigned char*>(iccp.profile), iccp.profile_len, input, budget);
    std::uint8_t intent;
    std::uint32_t gamma;
    if (spng_get_srgb(ctx, &intent) == 0 || spng_get_gama_int(ctx, &gamma) != 0 || gamma == 0)
        return nullptr;
    Transform::Chromaticities primaries = Transform::kSrgbChromaticities;
    spng_chrm c;
    if (spng_get_chrm(ctx, &c) == 0)
        primaries = {c.white_point_x, c.white_point_y, c.red_x, c.red_y, c.green_x, c.green_y, c.blue_x, c.blue_y};
    // A gamma of 1/2.2 is how most writers say "sRGB" (libpng takes it so
    // too): sRGB's own curve, which it approximates, so that such a file
    // with sRGB's primaries needs no conversion at all.
    const bool srgbCurve = gamma >= 45445 && gamma <= 45465;
    return Transform::FromDescription(primaries, srgbCurve ? Transform::Transfer::Srgb : Transform::Transfer::Gamma,
                                      100000.0 / gamma, input, budget);
}

int ExifOrientationOf(spng_ctx* ctx)
{
    spng_exif exif;
    if (spng_get_exif(ctx, &exif) != 0)
        return 0;
    return ExifOrientationOfBlock(reinterpret_cast<const unsigned char*>(exif.data), exif.length);
}

// One decoded scanline (`count` pixels of libspng's format) to its places
// in the picture's row: pixels x0, x0 + step, ... (every pixel without
// interlacing). 16-bit samples are rounded to 8 bits.
void PlaceRgba8(const uchar* in, int count, QRgb* out, int step)
{
    for (int i = 0; i < count; ++i, in += 4, out += step)
        *out = qRgba(in[0], in[1], in[2], in[3]);
}

void PlaceRgb8(const uchar* in, int count, uchar* out, int step)
{
    for (int i = 0; i < count; ++i, in += 3, out += 3 * step)
        std::memcpy(out, in, 3);
}

// 16-bit samples as the file stores them (in host order): grey, grey and
// alpha, RGB or RGBA; a colour the file's tRNS names is clear.
struct WideLayout {
    int channels;
    bool key;
    quint16 keyRed, keyGreen, keyBlue;
};

void PlaceWide(const quint16* in, int count, uchar* line, int x0, int step, const WideLayout& layout, bool alpha)
{
    for (int i = 0, x = x0; i < count; ++i, x += step, in += layout.channels) {
        const bool colour = layout.channels >= 3;
        const quint16 r = in[0], g = colour ? in[1] : r, b = colour ? in[2] : r;
        quint16 a = layout.channels % 2 == 0 ? in[layout.channels - 1] : quint16(65535);
        if (layout.key && r == layout.keyRed && g == layout.keyGreen && b == layout.keyBlue)
            a = 0;
        if (alpha) {
            reinterpret_cast<QRgb*>(line)[x] = qRgba(To8Bits(r), To8Bits(g), To8Bits(b), To8Bits(a));
        } else {
            uchar* out = line + 3 * x;
            out[0] = To8Bits(r);
            out[1] = To8Bits(g);
            out[2] = To8Bits(b);
        }
    }
}

WideLayout WideLayoutOf(spng_ctx* ctx, const spng_ihdr& ihdr)
{
    const int channels = ihdr.color_type == SPNG_COLOR_TYPE_GRAYSCALE ? 1
        : ihdr.color_type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA      ? 2
        : ihdr.color_type == SPNG_COLOR_TYPE_TRUECOLOR            ? 3
                                                                  : 4;
    spng_trns trns;
    if (channels % 2 == 0 || spng_get_trns(ctx, &trns) != 0)
        return {channels, false, 0, 0, 0};
    if (channels == 1)
        return {channels, true, trns.gray, trns.gray, trns.gray};
    return {channels, true, trns.red, trns.green, trns.blue};
}

// Grey and palette samples of up to 8 bits as the file stores them, packed
// into bytes, each through a table of 256 colours: libspng's own expansion
// of them goes pixel by pixel and is several times slower.
void PlaceIndexed(const uchar* in, int count, int bits, const QRgb* table, uchar* line, int x0, int step, bool alpha)
{
    const unsigned mask = (1u << bits) - 1;
    for (int i = 0, x = x0; i < count; ++i, x += step) {
        const int at = i * bits;
        const QRgb colour = table[(in[at >> 3] >> (8 - bits - (at & 7))) & mask];
        if (alpha) {
            reinterpret_cast<QRgb*>(line)[x] = colour;
        } else {
            uchar* out = line + 3 * x;
            out[0] = uchar(qRed(colour));
            out[1] = uchar(qGreen(colour));
            out[2] = uchar(qBlue(colour));
        }
    }
}

// The colours of a grey or palette picture's samples, its tRNS applied;
// palette entries the file does not give are black.
void FillTable(spng_ctx* ctx, const spng_ihdr& ihdr, QRgb* table)
{
    spng_trns trns;
    const bool clear = spng_get_trns(ctx, &trns) == 0;
    std::fill(table, table + 256, qRgb(0, 0, 0));
    spng_plte plte;
    if (ihdr.color_type == SPNG_COLOR_TYPE_INDEXED && spng_get_plte(ctx, &plte) == 0) {
        for (std::uint32_t i = 0; i < plte.n_entries; ++i) {
            const spng_plte_entry& e = plte.entries[i];
            table[i] = qRgba(e.red, e.green, e.blue, clear && i < trns.n_type3_entries ? trns.type3_alpha[i] : 255);
        }
    } else if (ihdr.color_type == SPNG_COLOR_TYPE_GRAYSCALE) {
        const int top = (1 << ihdr.bit_depth) - 1;
        for (int v = 0; v <= top; ++v)
            table[v] = qRgba(v * 255 / top, v * 255 / top, v * 255 / top, clear && v == trns.gray ? 0 : 255);
    }
}

bool IsIndexed(const spng_ihdr& ihdr)
{
    return ihdr.bit_depth <= 8
        && (ihdr.color_type == SPNG_COLOR_TYPE_INDEXED || ihdr.color_type == SPNG_COLOR_TYPE_GRAYSCALE);
}

// Where Adam7's passes put their pixels in a row.
constexpr int kPassX[7] = {0, 4, 0, 2, 0, 1, 0};
constexpr int kPassStep[7] = {8, 8, 4, 4, 2, 2, 1};

void DecodeRows(const Decoder& png, const spng_ihdr& ihdr, QImage& picture, const BudgetShare& share,
                const std::atomic<bool>* cancel)
{
    const bool alpha = picture.format() == QImage::Format_ARGB32;
    const bool wide = ihdr.bit_depth == 16;
    const WideLayout layout = wide ? WideLayoutOf(*png, ihdr) : WideLayout{};
    const bool indexed = IsIndexed(ihdr);
    QRgb table[256];
    if (indexed)
        FillTable(*png, ihdr, table);
    const bool interlaced = ihdr.interlace_method != SPNG_INTERLACE_NONE;
    // 8-bit rows without interlacing go straight into the picture (RGBA
    // reordered in place); the others through one row of the library's
    // format.
    const bool direct = !wide && !indexed && !interlaced;
    const qint64 rowBytes = qint64(ihdr.width) * (wide ? 8 : alpha ? 4 : 3);
    const BudgetShare rowMemory = ReserveWork(share, direct ? 0 : rowBytes, kKind);
    std::unique_ptr<quint16[]> row(direct ? nullptr : new (std::nothrow) quint16[std::size_t(rowBytes / 2 + 1)]);
    if (!direct && !row)
        png.Fail();
    const auto width = int(ihdr.width);
    for (;;) {
        spng_row_info info;
        const int at = spng_get_row_info(*png, &info);
        if (at == SPNG_EOI)
            return;
        png.Check(at);
        ThrowIfCancelled(cancel);
        uchar* line = picture.scanLine(int(info.row_num));
        const int x0 = interlaced ? kPassX[info.pass] : 0;
        const int step = interlaced ? kPassStep[info.pass] : 1;
        const int count = (width - x0 + step - 1) / step;
        void* target = direct ? static_cast<void*>(line) : row.get();
        const int result = spng_decode_scanline(*png, target, std::size_t(direct ? picture.bytesPerLine() : rowBytes));
        if (result != 0 && result != SPNG_EOI)
            png.Fail();
        auto* argb = reinterpret_cast<QRgb*>(line) + x0;
        const auto* bytes = reinterpret_cast<const uchar*>(row.get());
        if (direct && alpha)
            PlaceRgba8(line, count, argb, 1);
        else if (wide)
            PlaceWide(row.get(), count, line, x0, step, layout, alpha);
        else if (indexed)
            PlaceIndexed(bytes, count, ihdr.bit_depth, table, line, x0, step, alpha);
        else if (alpha)
            PlaceRgba8(bytes, count, argb, step);
        else if (!direct)
            PlaceRgb8(bytes, count, line + 3 * x0, step);
        if (result == SPNG_EOI)
            return;
    }
}

} // namespace

QImage DecodePng(QIODevice& in, BudgetShare& share, const std::atomic<bool>* cancel)
{
    const qint64 before = share.Bytes();
    try {
        Source source{&in, cancel};
        Decoder png(share, source);
        spng_ihdr ihdr;
        png.Check(spng_get_ihdr(*png, &ihdr));
        const bool alpha = HasAlpha(*png, ihdr);
        // libspng reduces 16-bit samples by dropping the low byte, and its
        // conversions to RGBA16 go pixel by pixel: 16-bit rows are taken as
        // stored and rounded here; grey and palette rows as stored too.
        const int format = ihdr.bit_depth == 16 || IsIndexed(ihdr) ? SPNG_FMT_PNG : alpha ? SPNG_FMT_RGBA8 : SPNG_FMT_RGB8;
        QImage picture = NewDecodedPicture(ihdr.width, ihdr.height, alpha, share, kKind);
        const bool grey = ihdr.color_type == SPNG_COLOR_TYPE_GRAYSCALE || ihdr.color_type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA;
        const auto transform = ColourToSrgb(*png, grey, share.Budget());
        // Exif before the picture data is read now; Exif after it once the
        // rows are in.
        int orientation = ExifOrientationOf(*png);
        png.Check(spng_decode_image(*png, nullptr, 0, format, SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE));
        DecodeRows(png, ihdr, picture, share, cancel);
        // The chunks after the data: a damaged critical one (the last
        // IDAT's CRC, IEND) refuses the file, as any damage to its data
        // does; a file that just ends here is whole.
        if (spng_decode_chunks(*png) == SPNG_ECHUNK_CRC)
            png.Fail();
        if (orientation == 0)
            orientation = ExifOrientationOf(*png);
        if (transform)
            transform->ConvertImage(picture);
        TurnUpright(picture, orientation, share, kKind);
        return picture;
    } catch (...) {
        share.ShrinkTo(before);
        throw;
    }
}

} // namespace yotsumado
