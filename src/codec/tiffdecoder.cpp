#include "codec/rasterdecoders.h"

#include "codec/colorprofile.h"
#include "codec/memorybudget.h"
#include "codec/rasterdecode.h"

#include <QIODevice>

#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

// TIFF through libtiff, read strip by strip (or tile by tile) straight from
// the file, never the whole file in memory. libtiff hands over the samples
// as stored; the rows are turned into 8-bit R G B (and alpha) here, so every
// allocation is ours to count: TIFFReadRGBA* would take a second picture of
// 4 bytes a pixel and cannot be held to the budget.
//
// What is read: the first page; grey (1, 2, 4, 8, 16 bits, either polarity),
// palette (1 to 8 bits), RGB and CMYK (8 or 16 bits), each with or without an
// alpha sample (associated alpha is unpremultiplied), samples interleaved or
// in separate planes, in strips or tiles, with any compression this libtiff
// decodes (YCbCr JPEG is converted to RGB by libjpeg). Refused: samples that
// are not unsigned integers, 32-bit samples, YCbCr without JPEG, and the
// rarer colour spaces (CIE Lab, LogLuv, inks other than CMYK).

namespace yotsumado {

namespace {

constexpr PictureKind kKind = PictureKind::Tiff;

// The largest block libtiff itself may take at once (a compressed strip or
// tile as read from the file, its directory's arrays); what it takes is held
// in the budget as at most this much, or the file's size when smaller.
constexpr qint64 kLibraryAllocLimit = qint64(256) << 20;
// Decoded rows held at once when a strip is larger: such a strip is read
// row by row in batches of this size.
constexpr qint64 kBatchBytes = qint64(32) << 20;
// The decoded bytes all tiles together may exceed the picture's samples by:
// a small picture's tiles may be larger than the picture, but a 16 x 16
// picture declaring one 65520 x 65520 tile is refused before any is read.
constexpr qint64 kTileSlackBytes = qint64(16) << 20;

// ---- The file, through the QIODevice ----------------------------------------

struct Source {
    QIODevice* in;
    qint64 base;  // where the TIFF starts in the device
};

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size)
{
    const auto* source = static_cast<Source*>(handle);
    const qint64 got = source->in->read(static_cast<char*>(buffer), size);
    return got < 0 ? tmsize_t(-1) : tmsize_t(got);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t)
{
    return -1;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence)
{
    const auto* source = static_cast<Source*>(handle);
    const auto delta = static_cast<qint64>(offset);
    qint64 target = -1;
    switch (whence) {
    case SEEK_SET: target = offset > toff_t(INT64_MAX / 2) ? -1 : source->base + delta; break;
    case SEEK_CUR: target = source->in->pos() + delta; break;
    case SEEK_END: target = source->in->size() + delta; break;
    }
    if (target < source->base || !source->in->seek(target))
        return toff_t(-1);
    return toff_t(target - source->base);
}

int CloseProc(thandle_t)
{
    return 0;
}

toff_t SizeProc(thandle_t handle)
{
    const auto* source = static_cast<Source*>(handle);
    return toff_t(std::max<qint64>(0, source->in->size() - source->base));
}

int MapProc(thandle_t, void**, toff_t*)
{
    return 0;
}

void UnmapProc(thandle_t, void*, toff_t) {}

// libtiff's messages go nowhere: a broken file is reported as the kind's
// error by the failing call's result, and its warnings change nothing.
int QuietHandler(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
struct OptionsFreer {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

// A block of working memory, uninitialised, counted in the budget.
struct WorkBuffer {
    std::unique_ptr<uchar[]> bytes;
    BudgetShare held;
};

WorkBuffer NewWork(const BudgetShare& share, qint64 size)
{
    WorkBuffer work{nullptr, ReserveWork(share, size, kKind)};
    work.bytes.reset(new (std::nothrow) uchar[size_t(std::max<qint64>(size, 1))]);
    if (!work.bytes)
        ThrowInvalidPicture(kKind);
    return work;
}

// ---- Rows of stored samples to 8-bit R G B (A) ------------------------------

struct Layout {
    quint32 width = 0, height = 0;
    int samples = 1;      // samples a pixel
    int bits = 8;         // bits a sample
    int colours = 1;      // 1 grey or palette index, 3 R G B, 4 C M Y K
    int alpha = -1;       // the alpha sample's index, or -1
    bool associated = false;  // colours premultiplied by alpha
    bool separate = false;    // one plane a sample
    bool indexed = false;     // grey or palette: colours through `table`
};

// Reduces `count` samples of `bits` bits from `in` (a row's start) to eight
// bits, written `step` bytes apart; sub-byte samples are left as their
// values (0 .. 2^bits - 1) for the table to scale.
void ReduceSamples(const uchar* in, int bits, size_t count, uchar* out, size_t step)
{
    switch (bits) {
    case 8:
        if (step == 1)
            std::memcpy(out, in, count);
        else
            for (size_t k = 0; k < count; ++k)
                out[k * step] = in[k];
        return;
    case 16:
        for (size_t k = 0; k < count; ++k) {
            quint16 v;
            std::memcpy(&v, in + 2 * k, 2);
            out[k * step] = To8Bits(v);
        }
        return;
    default: {
        const unsigned mask = (1u << bits) - 1;
        for (size_t k = 0; k < count; ++k) {
            const size_t bit = k * size_t(bits);
            out[k * step] = uchar((in[bit >> 3] >> (8 - bits - int(bit & 7))) & mask);
        }
        return;
    }
    }
}

class RowConverter {
public:
    RowConverter(const Layout& layout, std::vector<uchar> table, const ColorProfileTransform* cmyk)
        : layout_(layout), table_(std::move(table)), cmyk_(cmyk)
    {
    }

    // Bytes of working memory Convert needs for runs of up to `width` pixels.
    static qint64 WorkBytes(const Layout& layout, qint64 width)
    {
        return width * (layout.samples + 4 + 3);
    }
    void SetWork(uchar* work) { work_ = work; }

    // Converts `count` pixels, from `planes[0]` (interleaved samples) or
    // `planes[0 .. samples-1]` (separate planes), to the picture's pixels at
    // `out` (R G B, or ARGB32 when there is alpha).
    void Convert(const uchar* const* planes, size_t count, uchar* out) const
    {
        const Layout& l = layout_;
        const size_t n = size_t(l.samples);
        // Eight-bit R G B without alpha interleaved as stored: as it is.
        if (!l.separate && l.colours == 3 && n == 3 && l.alpha < 0) {
            ReduceSamples(planes[0], l.bits, count * 3, out, 1);
            return;
        }
        const uchar* s8 = work_;
        if (!l.separate) {
            if (l.bits == 8)
                s8 = planes[0];
            else
                ReduceSamples(planes[0], l.bits, count * n, work_, 1);
        } else {
            for (size_t i = 0; i < n; ++i)
                ReduceSamples(planes[i], l.bits, count, work_ + i, n);
        }
        const uchar* rgb = s8;  // R G B samples `step` bytes apart
        size_t step = n;
        if (l.colours == 4) {
            uchar* cmyk = work_ + count * n;
            uchar* converted = cmyk + count * 4;
            for (size_t x = 0; x < count; ++x)
                std::memcpy(cmyk + 4 * x, s8 + x * n, 4);
            if (cmyk_) {
                cmyk_->Convert(cmyk, converted, count);
            } else {
                // No profile: ink amounts taken as plain complements.
                for (size_t x = 0; x < count; ++x) {
                    const uchar* p = cmyk + 4 * x;
                    const unsigned white = 255u - p[3];
                    for (int c = 0; c < 3; ++c)
                        converted[3 * x + size_t(c)] = uchar(((255u - p[c]) * white + 127u) / 255u);
                }
            }
            rgb = converted;
            step = 3;
        }
        if (l.alpha < 0) {
            if (l.indexed) {
                for (size_t x = 0; x < count; ++x, out += 3)
                    std::memcpy(out, &table_[3 * size_t(s8[x * n])], 3);
            } else {
                for (size_t x = 0; x < count; ++x, out += 3, rgb += step) {
                    out[0] = rgb[0];
                    out[1] = rgb[1];
                    out[2] = rgb[2];
                }
            }
            return;
        }
        auto* argb = reinterpret_cast<QRgb*>(out);
        const size_t a = size_t(l.alpha);
        for (size_t x = 0; x < count; ++x, rgb += step) {
            const uchar* c = l.indexed ? &table_[3 * size_t(s8[x * n])] : rgb;
            const unsigned alpha = s8[x * n + a];
            unsigned r = c[0], g = c[1], b = c[2];
            if (l.associated && alpha < 255) {
                if (alpha == 0) {
                    r = g = b = 0;
                } else {
                    r = std::min(255u, (r * 255u + alpha / 2) / alpha);
                    g = std::min(255u, (g * 255u + alpha / 2) / alpha);
                    b = std::min(255u, (b * 255u + alpha / 2) / alpha);
                }
            }
            argb[x] = qRgba(int(r), int(g), int(b), int(alpha));
        }
    }

private:
    Layout layout_;
    std::vector<uchar> table_;  // R G B of each grey value or palette index
    const ColorProfileTransform* cmyk_;
    uchar* work_ = nullptr;
};

// The table of grey levels (their polarity and depth applied) or of palette
// colours (8-bit colour maps, as some writers store, taken as they are).
std::vector<uchar> ColourTable(TIFF* tif, int photometric, int bits)
{
    std::vector<uchar> table(256 * 3);
    const int entries = bits == 16 ? 256 : 1 << bits;
    if (photometric == PHOTOMETRIC_PALETTE) {
        quint16 *r = nullptr, *g = nullptr, *b = nullptr;
        if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b) || !r || !g || !b)
            ThrowInvalidPicture(kKind);
        bool wide = false;
        for (int i = 0; i < entries && !wide; ++i)
            wide = r[i] > 255 || g[i] > 255 || b[i] > 255;
        for (int i = 0; i < entries; ++i) {
            const quint16 c[3] = {r[i], g[i], b[i]};
            for (int k = 0; k < 3; ++k)
                table[size_t(3 * i + k)] = wide ? To8Bits(c[k]) : uchar(c[k]);
        }
        return table;
    }
    const int max = bits >= 8 ? 255 : entries - 1;
    for (int i = 0; i <= max; ++i) {
        int level = (i * 255 + max / 2) / max;
        if (photometric == PHOTOMETRIC_MINISWHITE)
            level = 255 - level;
        std::memset(&table[size_t(3 * i)], level, 3);
    }
    return table;
}

// The picture's layout from its first directory; refused outside what this
// decoder reads.
Layout ReadLayout(TIFF* tif, int& photometric)
{
    Layout l;
    quint16 samples = 1, bits = 1, planar = PLANARCONFIG_CONTIG, format = SAMPLEFORMAT_UINT, compression = 0;
    quint16 stored = 0;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &l.width) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &l.height)
        || !TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &stored))
        ThrowInvalidPicture(kKind);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    photometric = stored;
    if (photometric == PHOTOMETRIC_YCBCR && compression == COMPRESSION_JPEG) {
        // libjpeg turns YCbCr into R G B, subsampled or not.
        if (!TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB))
            ThrowInvalidPicture(kKind);
        photometric = PHOTOMETRIC_RGB;
    }
    if (photometric == PHOTOMETRIC_SEPARATED) {
        quint16 inks = INKSET_CMYK;
        TIFFGetFieldDefaulted(tif, TIFFTAG_INKSET, &inks);
        if (inks != INKSET_CMYK)
            ThrowInvalidPicture(kKind);
    }
    switch (photometric) {
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_MINISBLACK: l.colours = 1; l.indexed = true; break;
    case PHOTOMETRIC_PALETTE: l.colours = 1; l.indexed = true; break;
    case PHOTOMETRIC_RGB: l.colours = 3; break;
    case PHOTOMETRIC_SEPARATED: l.colours = 4; break;
    default: ThrowInvalidPicture(kKind);
    }
    const bool depthRead = bits == 8 || bits == 16 || (l.indexed && (bits == 1 || bits == 2 || bits == 4));
    if (!depthRead || (photometric == PHOTOMETRIC_PALETTE && bits == 16)
        || (format != SAMPLEFORMAT_UINT && format != SAMPLEFORMAT_VOID) || samples < l.colours)
        ThrowInvalidPicture(kKind);
    l.samples = samples;
    l.bits = bits;
    l.separate = planar == PLANARCONFIG_SEPARATE && samples > 1;
    quint16 extras = 0;
    quint16* types = nullptr;
    if (samples > l.colours && TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extras, &types) && extras > 0 && types
        && (types[0] == EXTRASAMPLE_ASSOCALPHA || types[0] == EXTRASAMPLE_UNASSALPHA)) {
        l.alpha = l.colours;
        l.associated = types[0] == EXTRASAMPLE_ASSOCALPHA;
    }
    return l;
}

// ---- Reading --------------------------------------------------------------

// A progressive JPEG keeps all coefficients of its strip or tile (two bytes
// a sample) in libjpeg's own memory, out of the budget's sight; libtiff
// writes none, so one whose coefficients pass this is refused.
constexpr qint64 kMaxProgressiveCoefficientBytes = qint64(64) << 20;

// Whether the first strip or tile of a JPEG-compressed picture is a
// progressive (or otherwise multi-scan) JPEG: its markers up to the first
// scan name such a frame.
bool FirstBlockIsProgressiveJpeg(TIFF* tif)
{
    uchar head[4096];
    const tmsize_t got = TIFFIsTiled(tif) ? TIFFReadRawTile(tif, 0, head, sizeof head)
                                          : TIFFReadRawStrip(tif, 0, head, sizeof head);
    for (tmsize_t i = 2; i + 4 <= got && head[i] == 0xFF;) {
        const int marker = head[i + 1];
        if (marker == 0xDA)  // start of scan
            return false;
        if (marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE)
            return true;
        i += 2 + (head[i + 2] << 8 | head[i + 3]);
    }
    return false;
}

uchar* PixelAt(QImage& picture, quint32 x, quint32 y)
{
    return picture.scanLine(int(y)) + size_t(x) * (picture.format() == QImage::Format_ARGB32 ? 4 : 3);
}

void ReadTiles(TIFF* tif, const Layout& l, RowConverter& convert, QImage& picture, const BudgetShare& share,
               qint64 fileSize, const std::atomic<bool>* cancel)
{
    quint32 tileWidth = 0, tileHeight = 0;
    if (!TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth) || !TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight)
        || tileWidth == 0 || tileHeight == 0)
        ThrowInvalidPicture(kKind);
    const int planes = l.separate ? l.samples : 1;
    const qint64 tileBytes = qint64(TIFFTileSize64(tif));
    const qint64 rowBytes = qint64(TIFFTileRowSize64(tif));
    const quint32 across = (l.width - 1) / tileWidth + 1, down = (l.height - 1) / tileHeight + 1;
    // All tiles' decoded samples against the picture's own.
    const double pictureBytes = double(l.width) * l.height * l.samples * l.bits / 8;
    const double tilesBytes = double(across) * down * double(tileBytes) * planes;
    if (tileBytes <= 0 || rowBytes <= 0 || tilesBytes > 2 * pictureBytes + double(kTileSlackBytes)
        || double(TIFFNumberOfTiles(tif)) > std::max(64.0, double(fileSize) / 2))
        ThrowInvalidPicture(kKind);
    WorkBuffer work = NewWork(share, tileBytes * planes + RowConverter::WorkBytes(l, tileWidth));
    convert.SetWork(work.bytes.get() + tileBytes * planes);
    const uchar* rows[8] = {};
    for (quint32 ty = 0; ty < l.height; ty += tileHeight) {
        const quint32 height = std::min(tileHeight, l.height - ty);
        for (quint32 tx = 0; tx < l.width; tx += tileWidth) {
            ThrowIfCancelled(cancel);
            uchar* buffers = work.bytes.get();
            for (int p = 0; p < planes; ++p) {
                if (TIFFReadEncodedTile(tif, TIFFComputeTile(tif, tx, ty, 0, quint16(p)), buffers + p * tileBytes,
                                        tmsize_t(tileBytes)) < 0)
                    ThrowInvalidPicture(kKind);
            }
            const quint32 width = std::min(tileWidth, l.width - tx);
            for (quint32 r = 0; r < height; ++r) {
                for (int p = 0; p < planes; ++p)
                    rows[p] = buffers + p * tileBytes + qint64(r) * rowBytes;
                convert.Convert(rows, width, PixelAt(picture, tx, ty + r));
            }
        }
    }
}

void ReadStrips(TIFF* tif, const Layout& l, RowConverter& convert, QImage& picture, const BudgetShare& share,
                qint64 fileSize, const std::atomic<bool>* cancel)
{
    quint32 rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::clamp<quint32>(rowsPerStrip, 1, l.height);
    const int planes = l.separate ? l.samples : 1;
    const qint64 rowBytes = qint64(TIFFScanlineSize64(tif));
    const qint64 stripBytes = qint64(TIFFVStripSize64(tif, rowsPerStrip));
    const quint32 stripsPerPlane = (l.height - 1) / rowsPerStrip + 1;
    if (rowBytes <= 0 || stripBytes < rowBytes || TIFFNumberOfStrips(tif) < stripsPerPlane * quint32(planes)
        || double(TIFFNumberOfStrips(tif)) > std::max(64.0, double(fileSize) / 2))
        ThrowInvalidPicture(kKind);
    const qint64 converterBytes = RowConverter::WorkBytes(l, l.width);
    const uchar* rows[8] = {};
    if (!l.separate && l.bits == 8 && l.samples == 3 && l.colours == 3 && picture.bytesPerLine() == rowBytes) {
        // Eight-bit R G B rows as the picture holds them: decoded in place,
        // whatever the strips' size.
        for (quint32 s = 0; s < stripsPerPlane; ++s) {
            ThrowIfCancelled(cancel);
            const quint32 y = s * rowsPerStrip, count = std::min(rowsPerStrip, l.height - y);
            if (TIFFReadEncodedStrip(tif, s, PixelAt(picture, 0, y), tmsize_t(count * rowBytes)) < count * rowBytes)
                ThrowInvalidPicture(kKind);
        }
        return;
    }
    if (!l.separate && stripBytes > kBatchBytes) {
        // A strip larger than a batch (one strip for the whole picture, most
        // often): read a batch of rows at a time, so the picture's samples
        // are never held twice over.
        const quint32 batch = quint32(std::max<qint64>(1, kBatchBytes / rowBytes));
        WorkBuffer work = NewWork(share, batch * rowBytes + converterBytes);
        convert.SetWork(work.bytes.get() + batch * rowBytes);
        for (quint32 y = 0; y < l.height; y += batch) {
            ThrowIfCancelled(cancel);
            const quint32 count = std::min(batch, l.height - y);
            for (quint32 r = 0; r < count; ++r) {
                if (TIFFReadScanline(tif, work.bytes.get() + r * rowBytes, y + r, 0) < 0)
                    ThrowInvalidPicture(kKind);
            }
            for (quint32 r = 0; r < count; ++r) {
                rows[0] = work.bytes.get() + r * rowBytes;
                convert.Convert(rows, l.width, PixelAt(picture, 0, y + r));
            }
        }
        return;
    }
    WorkBuffer work = NewWork(share, stripBytes * planes + converterBytes);
    convert.SetWork(work.bytes.get() + stripBytes * planes);
    for (quint32 s = 0; s < stripsPerPlane; ++s) {
        ThrowIfCancelled(cancel);
        const quint32 y = s * rowsPerStrip, count = std::min(rowsPerStrip, l.height - y);
        for (int p = 0; p < planes; ++p) {
            // Only the strip's rows: the last strip is often shorter.
            if (TIFFReadEncodedStrip(tif, quint32(p) * stripsPerPlane + s, work.bytes.get() + p * stripBytes,
                                     tmsize_t(count * rowBytes)) < count * rowBytes)
                ThrowInvalidPicture(kKind);
        }
        for (quint32 r = 0; r < count; ++r) {
            for (int p = 0; p < planes; ++p)
                rows[p] = work.bytes.get() + p * stripBytes + r * rowBytes;
            convert.Convert(rows, l.width, PixelAt(picture, 0, y + r));
        }
    }
}

} // namespace

QImage DecodeTiff(QIODevice& in, BudgetShare& share, const std::atomic<bool>* cancel)
{
    Source source{&in, in.pos()};
    const qint64 fileSize = std::max<qint64>(0, in.size() - source.base);
    const BudgetShare library = ReserveWork(share, std::min(fileSize, kLibraryAllocLimit), kKind);
    std::unique_ptr<TIFFOpenOptions, OptionsFreer> options(TIFFOpenOptionsAlloc());
    if (!options)
        ThrowInvalidPicture(kKind);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), tmsize_t(kLibraryAllocLimit));
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), QuietHandler, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), QuietHandler, nullptr);
    // "m": no memory mapping; the device is read through the procedures.
    const TiffHandle tif(TIFFClientOpenExt("picture", "rm", &source, ReadProc, WriteProc, SeekProc, CloseProc,
                                           SizeProc, MapProc, UnmapProc, options.get()));
    if (!tif)
        ThrowInvalidPicture(kKind);
    int photometric = 0;
    const Layout layout = ReadLayout(tif.get(), photometric);
    if (layout.samples > 8)
        ThrowInvalidPicture(kKind);

    quint16 compression = 0;
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_COMPRESSION, &compression);
    if (compression == COMPRESSION_JPEG) {
        quint32 blockWidth = layout.width, blockHeight = layout.height;
        TIFFGetField(tif.get(), TIFFIsTiled(tif.get()) ? TIFFTAG_TILEWIDTH : TIFFTAG_IMAGEWIDTH, &blockWidth);
        TIFFGetField(tif.get(), TIFFIsTiled(tif.get()) ? TIFFTAG_TILELENGTH : TIFFTAG_ROWSPERSTRIP, &blockHeight);
        const double coefficients = 2.0 * blockWidth * std::min(blockHeight, layout.height) * layout.samples;
        if (coefficients > double(kMaxProgressiveCoefficientBytes) && FirstBlockIsProgressiveJpeg(tif.get()))
            ThrowInvalidPicture(kKind);
    }

    quint32 iccSize = 0;
    const uchar* icc = nullptr;
    if (!TIFFGetField(tif.get(), TIFFTAG_ICCPROFILE, &iccSize, &icc))
        icc = nullptr;
    using Input = ColorProfileTransform::Input;
    const Input input = layout.colours == 4 ? Input::Cmyk : photometric == PHOTOMETRIC_PALETTE || layout.colours == 3
                                                                ? Input::Rgb
                                                                : Input::Grey;
    const auto transform = icc ? ColorProfileTransform::ToSrgb(icc, iccSize, input, share.Budget()) : nullptr;

    const qint64 before = share.Bytes();
    try {
        QImage picture = NewDecodedPicture(layout.width, layout.height, layout.alpha >= 0, share, kKind);
        RowConverter convert(layout, layout.indexed ? ColourTable(tif.get(), photometric, layout.bits) : std::vector<uchar>(),
                             layout.colours == 4 ? transform.get() : nullptr);
        if (TIFFIsTiled(tif.get()))
            ReadTiles(tif.get(), layout, convert, picture, share, fileSize, cancel);
        else
            ReadStrips(tif.get(), layout, convert, picture, share, fileSize, cancel);
        if (transform && layout.colours != 4)
            transform->ConvertImage(picture);
        quint16 orientation = ORIENTATION_TOPLEFT;
        TIFFGetFieldDefaulted(tif.get(), TIFFTAG_ORIENTATION, &orientation);
        TurnUpright(picture, orientation, share, kKind);
        return picture;
    } catch (...) {
        share.ShrinkTo(before);
        throw;
    }
}

} // namespace yotsumado
