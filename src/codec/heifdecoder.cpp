// HEIF (HEVC) and AVIF (AV1) through libheif, which hands over the primary
// image composed (a grid of tiles pasted together), cropped and turned as its
// clap, irot and imir say, and converted from YCbCr to RGB with its nclx
// matrix. The Exif orientation such files also carry describes the stored
// pixels before those turns, so it is never applied on top.
//
// libheif reads the file through a heif_reader over the QIODevice: it keeps
// the boxes and, while one picture (or tile) is decoded, that picture's
// compressed data, never the whole file. libheif 1.15 has no way to stop a
// decoding half way; the reader is the one place it comes back to us (it
// asks before reading each picture's or tile's data whether the file goes
// that far), so a cancelled load answers "no" from then on and the decoding
// ends at the next tile. The same questions bound a grid's tiles: a file may
// name one small tile thousands of times.

#include "codec/rasterdecoders.h"

#include "codec/colorprofile.h"
#include "codec/memorybudget.h"
#include "codec/rasterdecode.h"

#include <QIODevice>

#include <libheif/heif.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace yotsumado {

namespace {

struct ContextFree {
    void operator()(heif_context* p) const { heif_context_free(p); }
};
struct HandleFree {
    void operator()(heif_image_handle* p) const { heif_image_handle_release(p); }
};
struct ImageFree {
    void operator()(heif_image* p) const { heif_image_release(p); }
};
struct NclxFree {
    void operator()(heif_color_profile_nclx* p) const { heif_nclx_color_profile_free(p); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* p) const { heif_decoding_options_free(p); }
};

// The largest side libheif accepts (its own default); the area is ours to
// judge (PictureSizeAllowed and the budget).
constexpr int kMaxSide = 32768;

// Reads while a picture is decoded: one (or one per extent) for the picture,
// each tile, the alpha plane and the grid's description. A tile of a real
// grid covers at least 64 x 64 pixels (phones use 512 x 512), and a few
// thousand of them take a couple of seconds; more reads than that are a grid
// naming a few tiles over and over, whose decoding would cost time without
// bound.
constexpr qint64 kPixelsPerRead = 64 * 64;
constexpr qint64 kFewReads = 64;
constexpr qint64 kMostReads = 2048;

// What a codec's picture may exceed the declared size by on each side:
// HEVC and AV1 code whole blocks of up to 64 and 128 pixels.
constexpr qint64 kBlockSlack = 128;

// ---- Coded sizes ---------------------------------------------------------------
//
// libheif 1.15 trusts the size a file declares (ispe) and then decodes
// whatever size the codec's own headers say: a 1 KB AVIF declaring 64 x 64
// can hold an AV1 picture of 8192 x 8192 (half a gigabyte of frames) or
// more. The codecs' headers pass through the reader: the HEVC SPS in the
// hvcC box (one read per NAL unit while the boxes are read) or among the
// picture's NAL units, the AV1 sequence header in the av1C box or at the
// head of the picture's OBUs (one read for the picture's data).

// Bits, first bit first; past the end they read as zeros and Over() is true.
class BitReader {
public:
    BitReader(const uchar* data, std::size_t size) : data_(data), bits_(size * 8) {}

    quint32 Read(int count)
    {
        quint32 value = 0;
        for (; count > 0; --count, ++pos_) {
            value <<= 1;
            if (pos_ < bits_)
                value |= (data_[pos_ / 8] >> (7 - pos_ % 8)) & 1u;
            else
                over_ = true;
        }
        return value;
    }
    void Skip(int count)
    {
        pos_ += std::size_t(count);
        over_ = over_ || pos_ > bits_;
    }
    // Exp-Golomb (HEVC's ue(v), AV1's uvlc).
    quint32 Golomb()
    {
        int zeros = 0;
        while (Read(1) == 0 && !over_)
            if (++zeros == 32)
                return ~0u;
        return (1u << zeros) - 1 + Read(zeros);
    }
    bool Over() const { return over_; }

private:
    const uchar* data_;
    std::size_t bits_;
    std::size_t pos_ = 0;
    bool over_ = false;
};

// The pixels of an HEVC SPS NAL unit's pictures, or 0 when it is none.
qint64 HevcSpsPixels(const uchar* nal, std::size_t size)
{
    if (size < 4 || ((nal[0] >> 1) & 0x3F) != 33)
        return 0;
    std::vector<uchar> rbsp;  // without the emulation prevention bytes
    rbsp.reserve(std::min<std::size_t>(size, 256));
    int zeros = 0;
    for (std::size_t i = 2; i < size && rbsp.size() < 256; ++i) {
        if (zeros >= 2 && nal[i] == 3) {
            zeros = 0;
            continue;
        }
        zeros = nal[i] == 0 ? zeros + 1 : 0;
        rbsp.push_back(nal[i]);
    }
    BitReader b(rbsp.data(), rbsp.size());
    b.Skip(4);
    const int subLayers = int(b.Read(3));
    b.Skip(1 + 96);  // temporal nesting, the general profile, tier and level
    bool profile[8] = {}, level[8] = {};
    for (int i = 0; i < subLayers; ++i)
        profile[i] = b.Read(1), level[i] = b.Read(1);
    if (subLayers > 0)
        b.Skip(2 * (8 - subLayers));
    for (int i = 0; i < subLayers; ++i)
        b.Skip((profile[i] ? 88 : 0) + (level[i] ? 8 : 0));
    b.Golomb();  // sps_seq_parameter_set_id
    if (b.Golomb() == 3)  // chroma_format_idc
        b.Skip(1);
    const qint64 width = std::min<qint64>(b.Golomb(), 1 << 20), height = std::min<qint64>(b.Golomb(), 1 << 20);
    return b.Over() ? 0 : width * height;
}

// The pixels of an AV1 sequence header OBU's pictures (at most).
qint64 Av1SequencePixels(BitReader b)
{
    b.Skip(4);  // seq_profile, still_picture
    if (b.Read(1)) {  // reduced_still_picture_header
        b.Skip(5);
    } else {
        bool decoderModel = false;
        int delayBits = 0;
        if (b.Read(1)) {  // timing_info_present_flag
            b.Skip(64);
            if (b.Read(1))
                b.Golomb();
            decoderModel = b.Read(1);
            if (decoderModel) {
                delayBits = int(b.Read(5)) + 1;
                b.Skip(32 + 10);
            }
        }
        const bool displayDelay = b.Read(1);
        const int points = int(b.Read(5)) + 1;
        for (int i = 0; i < points && !b.Over(); ++i) {
            b.Skip(12);
            if (b.Read(5) > 7)
                b.Skip(1);
            if (decoderModel && b.Read(1))
                b.Skip(2 * delayBits + 1);
            if (displayDelay && b.Read(1))
                b.Skip(4);
        }
    }
    const int widthBits = int(b.Read(4)) + 1, heightBits = int(b.Read(4)) + 1;
    const qint64 width = qint64(b.Read(widthBits)) + 1, height = qint64(b.Read(heightBits)) + 1;
    return b.Over() ? 0 : width * height;
}

// The most pixels the sequence headers among `data`'s OBUs declare, when it
// begins with one or a temporal delimiter; else 0.
qint64 Av1Pixels(const uchar* data, std::size_t size)
{
    qint64 most = 0;
    std::size_t pos = 0;
    const int first = size > 0 ? (data[0] >> 3) & 15 : 0;
    while (pos < size && (data[pos] & 0x80) == 0 && (first == 1 || first == 2)) {
        const int type = (data[pos] >> 3) & 15;
        const bool sized = data[pos] & 2;
        pos += (data[pos] & 4) ? 2 : 1;
        std::size_t length = 0;
        for (int i = 0; sized && i < 8 && pos < size; ++i) {
            length |= std::size_t(data[pos] & 0x7F) << (7 * i);
            if ((data[pos++] & 0x80) == 0)
                break;
        }
        if (pos > size || !sized || length > size - pos)
            length = size - std::min(pos, size);
        if (type == 1)
            most = std::max(most, Av1SequencePixels(BitReader(data + pos, length)));
        pos += length;
    }
    return most;
}

// The most pixels the SPS among a picture's NAL units (each after its
// 4-byte length) declare.
qint64 HevcPixels(const uchar* data, std::size_t size)
{
    qint64 most = 0;
    for (std::size_t pos = 0; size >= 4 && pos <= size - 4;) {
        const std::size_t length = std::size_t(data[pos]) << 24 | std::size_t(data[pos + 1]) << 16
                                   | std::size_t(data[pos + 2]) << 8 | data[pos + 3];
        pos += 4;
        if (length > size - pos)
            break;
        most = std::max(most, HevcSpsPixels(data + pos, length));
        pos += length;
    }
    return most;
}

// The file as libheif reads it, from where `in` stood.
class Source {
public:
    Source(QIODevice& in, const std::atomic<bool>* cancel)
        : in_(in), start_(in.pos()), size_(std::max<qint64>(0, in.size() - in.pos())), cancel_(cancel)
    {
    }

    qint64 Size() const { return size_; }
    const heif_reader* Reader() const { return &reader_; }
    // The most pixels the codec headers read so far declare.
    qint64 CodedPixels() const { return codedPixels_; }
    // From now on (the pictures' data) at most `reads` more reads are
    // allowed, and a picture's data whose headers declare more than
    // `pixels` reads as zeros (which no codec decodes).
    void LimitReads(qint64 reads, qint64 pixels)
    {
        readsLeft_ = reads;
        pixelLimit_ = pixels;
        configurations_ = false;
    }

private:
    static Source& Of(void* self) { return *static_cast<Source*>(self); }

    static int64_t Position(void* self) { return Of(self).in_.pos() - Of(self).start_; }

    // libheif asks before each read whether the file reaches that far, and
    // takes a "no" as the end of the data; a read or seek that then fails
    // stops the program (Debian builds it with its assertions). So the
    // reads never fail (what cannot be read is zeros, a broken picture) and
    // every refusal is a "no" here.
    static int Read(void* data, size_t size, void* self)
    {
        Source& s = Of(self);
        auto* out = static_cast<char*>(data);
        qint64 left = qint64(size);
        while (left > 0) {
            const qint64 got = s.in_.read(out, left);
            if (got <= 0)
                break;
            out += got;
            left -= got;
        }
        if (left > 0)
            std::memset(out, 0, std::size_t(left));
        auto* bytes = static_cast<uchar*>(data);
        const qint64 coded = s.configurations_ ? std::max(HevcSpsPixels(bytes, size), Av1Pixels(bytes, size))
                                               : std::max(HevcPixels(bytes, size), Av1Pixels(bytes, size));
        s.codedPixels_ = std::max(s.codedPixels_, coded);
        if (coded > s.pixelLimit_)
            std::memset(bytes, 0, size);
        return 0;
    }

    static int Seek(int64_t position, void* self)
    {
        Source& s = Of(self);
        if (position < 0 || position > s.size_ || !s.in_.seek(s.start_ + position))
            s.in_.seek(s.start_ + s.size_);
        return 0;
    }

    static heif_reader_grow_status WaitForFileSize(int64_t target, void* self)
    {
        Source& s = Of(self);
        if ((s.cancel_ && s.cancel_->load(std::memory_order_relaxed)) || --s.readsLeft_ < 0 || target > s.size_)
            return heif_reader_grow_status_size_beyond_eof;
        return heif_reader_grow_status_size_reached;
    }

    QIODevice& in_;
    const qint64 start_;
    const qint64 size_;
    const std::atomic<bool>* cancel_;
    qint64 readsLeft_ = std::numeric_limits<qint64>::max();
    bool configurations_ = true;
    qint64 pixelLimit_ = std::numeric_limits<qint64>::max();
    qint64 codedPixels_ = 0;
    const heif_reader reader_{1, &Position, &Read, &Seek, &WaitForFileSize};
};

bool Ok(const heif_error& error)
{
    return error.code == heif_error_Ok;
}

// ---- Colour ------------------------------------------------------------------

using Chromaticities = ColorProfileTransform::Chromaticities;

constexpr Chromaticities kBt2020Chromaticities{0.3127, 0.3290, 0.708, 0.292, 0.170, 0.797, 0.131, 0.046};

// The primaries an nclx names (libheif spells them out), or none when it
// names none it knows.
bool NclxChromaticities(const heif_color_profile_nclx& nclx, Chromaticities& out)
{
    out = {nclx.color_primary_white_x, nclx.color_primary_white_y, nclx.color_primary_red_x, nclx.color_primary_red_y,
           nclx.color_primary_green_x, nclx.color_primary_green_y, nclx.color_primary_blue_x, nclx.color_primary_blue_y};
    return out.whiteY > 0 && out.redY > 0 && out.greenY > 0 && out.blueY > 0;
}

// The conversion to sRGB of a picture with an ICC profile or an SDR nclx
// description; null when there is nothing to convert.
std::unique_ptr<ColorProfileTransform> SdrTransform(const heif_image_handle* handle, const heif_color_profile_nclx* nclx,
                                                    MemoryBudget* budget)
{
    using Transfer = ColorProfileTransform::Transfer;
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
    if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
        std::vector<unsigned char> icc(heif_image_handle_get_raw_color_profile_size(handle));
        if (icc.empty() || !Ok(heif_image_handle_get_raw_color_profile(handle, icc.data())))
            return nullptr;
        return ColorProfileTransform::ToSrgb(icc.data(), icc.size(), ColorProfileTransform::Input::Rgb, budget);
    }
    Chromaticities primaries = ColorProfileTransform::kSrgbChromaticities;
    if (!nclx)
        return nullptr;
    if (!NclxChromaticities(*nclx, primaries))
        primaries = ColorProfileTransform::kSrgbChromaticities;
    Transfer transfer = Transfer::Srgb;
    double gamma = 1;
    switch (nclx->transfer_characteristics) {
    case heif_transfer_characteristic_ITU_R_BT_709_5:
    case heif_transfer_characteristic_ITU_R_BT_601_6:
    case heif_transfer_characteristic_ITU_R_BT_2020_2_10bit:
    case heif_transfer_characteristic_ITU_R_BT_2020_2_12bit: transfer = Transfer::Bt709; break;
    case heif_transfer_characteristic_linear: transfer = Transfer::Linear; break;
    case heif_transfer_characteristic_ITU_R_BT_470_6_System_M: transfer = Transfer::Gamma, gamma = 2.2; break;
    case heif_transfer_characteristic_ITU_R_BT_470_6_System_B_G: transfer = Transfer::Gamma, gamma = 2.8; break;
    default: break;  // sRGB, and what is unspecified or unknown
    }
    return ColorProfileTransform::FromDescription(primaries, transfer, gamma, ColorProfileTransform::Input::Rgb, budget);
}

using Matrix = std::array<double, 9>;

Matrix Multiply(const Matrix& a, const Matrix& b)
{
    Matrix m{};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            m[r * 3 + c] = a[r * 3] * b[c] + a[r * 3 + 1] * b[3 + c] + a[r * 3 + 2] * b[6 + c];
    return m;
}

Matrix Inverse(const Matrix& m)
{
    const double det = m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6])
                       + m[2] * (m[3] * m[7] - m[4] * m[6]);
    const double d = det == 0 ? 0 : 1 / det;
    return {(m[4] * m[8] - m[5] * m[7]) * d, (m[2] * m[7] - m[1] * m[8]) * d, (m[1] * m[5] - m[2] * m[4]) * d,
            (m[5] * m[6] - m[3] * m[8]) * d, (m[0] * m[8] - m[2] * m[6]) * d, (m[2] * m[3] - m[0] * m[5]) * d,
            (m[3] * m[7] - m[4] * m[6]) * d, (m[1] * m[6] - m[0] * m[7]) * d, (m[0] * m[4] - m[1] * m[3]) * d};
}

// Linear RGB in `c`'s primaries to CIE XYZ (white at Y = 1).
Matrix RgbToXyz(const Chromaticities& c)
{
    const auto column = [](double x, double y) { return std::array<double, 3>{x / y, 1, (1 - x - y) / y}; };
    const auto r = column(c.redX, c.redY), g = column(c.greenX, c.greenY), b = column(c.blueX, c.blueY);
    const Matrix primaries{r[0], g[0], b[0], r[1], g[1], b[1], r[2], g[2], b[2]};
    const auto w = column(c.whiteX, c.whiteY);
    const Matrix inv = Inverse(primaries);
    const double s[3] = {inv[0] * w[0] + inv[1] * w[1] + inv[2] * w[2], inv[3] * w[0] + inv[4] * w[1] + inv[5] * w[2],
                         inv[6] * w[0] + inv[7] * w[1] + inv[8] * w[2]};
    Matrix m = primaries;
    for (int i = 0; i < 9; ++i)
        m[i] *= s[i % 3];
    return m;
}

// HDR to SDR. PQ carries absolute light (nits), HLG relative scene light
// shown through its OOTF on a 1000-nit display; both are scaled so that
// their reference white (203 nits, BT.2408) becomes SDR white's 1.0, then
// the highlights above a knee are rolled off smoothly towards 1.0 (a
// Reinhard curve on the brightest channel, which keeps each colour's hue),
// converted to sRGB primaries and encoded with the sRGB curve. Tones below
// the knee stay as they are: a mid grey stays a mid grey.
class HdrToSdr {
public:
    HdrToSdr(heif_transfer_characteristics transfer, int maxCode, const Chromaticities& primaries)
        : hlg_(transfer == heif_transfer_characteristic_ITU_R_BT_2100_0_HLG),
          toSrgb_(Multiply(Inverse(RgbToXyz(ColorProfileTransform::kSrgbChromaticities)), RgbToXyz(primaries))),
          linear_(std::size_t(maxCode) + 1)
    {
        for (int code = 0; code <= maxCode; ++code) {
            const double e = double(code) / maxCode;
            linear_[std::size_t(code)] = float(hlg_ ? HlgSceneLight(e) : PqNits(e) / kReferenceWhiteNits);
        }
        const auto luma = RgbToXyz(primaries);  // the second row is each primary's luminance
        luma_ = {float(luma[3]), float(luma[4]), float(luma[5])};
        for (std::size_t i = 0; i < encode_.size(); ++i) {
            const double v = double(i) / double(kEncodeSteps - 1);
            const double srgb = v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
            encode_[i] = uchar(std::lround(srgb * 255));
        }
    }

    // Code values (clamped to maxCode) to 8-bit sRGB.
    void Convert(unsigned r, unsigned g, unsigned b, uchar* out) const
    {
        const unsigned top = unsigned(linear_.size() - 1);
        float c[3] = {linear_[std::min(r, top)], linear_[std::min(g, top)], linear_[std::min(b, top)]};
        if (hlg_) {
            // The OOTF for a 1000-nit display (gamma 1.2) on scene light.
            const float y = luma_[0] * c[0] + luma_[1] * c[1] + luma_[2] * c[2];
            const float scale = y > 0 ? float(kHlgPeakNits / kReferenceWhiteNits) * std::pow(y, 0.2f) : 0.f;
            for (float& v : c)
                v *= scale;
        }
        const float peak = std::max({c[0], c[1], c[2]});
        if (peak > kKnee) {
            const float t = (peak - kKnee) / (1 - kKnee);
            const float rolled = kKnee + (1 - kKnee) * t / (1 + t);
            for (float& v : c)
                v *= rolled / peak;
        }
        for (int i = 0; i < 3; ++i) {
            const double v = toSrgb_[i * 3] * c[0] + toSrgb_[i * 3 + 1] * c[1] + toSrgb_[i * 3 + 2] * c[2];
            out[i] = encode_[std::size_t(std::clamp(v, 0.0, 1.0) * (kEncodeSteps - 1) + 0.5)];
        }
    }

private:
    static constexpr double kReferenceWhiteNits = 203;
    static constexpr double kHlgPeakNits = 1000;
    static constexpr float kKnee = 0.8f;
    static constexpr int kEncodeSteps = 16384;

    // SMPTE ST 2084: signal to display light.
    static double PqNits(double e)
    {
        constexpr double m1 = 2610.0 / 16384, m2 = 2523.0 / 4096 * 128, c1 = 3424.0 / 4096, c2 = 2413.0 / 4096 * 32,
                         c3 = 2392.0 / 4096 * 32;
        const double p = std::pow(e, 1 / m2);
        return 10000 * std::pow(std::max(p - c1, 0.0) / (c2 - c3 * p), 1 / m1);
    }

    // ARIB STD-B67 (BT.2100 HLG): signal to relative scene light.
    static double HlgSceneLight(double e)
    {
        constexpr double a = 0.17883277, b = 1 - 4 * a, c = 0.55991073;
        return e <= 0.5 ? e * e / 3 : (std::exp((e - c) / a) + b) / 12;
    }

    const bool hlg_;
    const Matrix toSrgb_;
    std::vector<float> linear_;
    std::array<float, 3> luma_{};
    std::array<uchar, kEncodeSteps> encode_{};
};

// ---- Pixels ------------------------------------------------------------------

// Each of a picture's samples (0..maxCode, stored in 16 bits) reduced to 8
// bits with rounding: (v * 255 + max / 2) / max; anything above max is 255.
std::vector<uchar> RoundingTable(int maxCode)
{
    std::vector<uchar> table(65536, 255);
    for (unsigned v = 0; v <= unsigned(maxCode); ++v)
        table[v] = uchar((v * 255 + unsigned(maxCode) / 2) / unsigned(maxCode));
    return table;
}

void Unpremultiply(QImage& picture)
{
    for (int y = 0; y < picture.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const int a = qAlpha(row[x]);
            if (a == 0 || a == 255)
                continue;
            const auto un = [a](int c) { return std::min(255, (c * 255 + a / 2) / a); };
            row[x] = qRgba(un(qRed(row[x])), un(qGreen(row[x])), un(qBlue(row[x])), a);
        }
    }
}

// Copies libheif's interleaved R G B (A) samples into `picture`: 8 bits as
// they are, deeper ones rounded, or through `hdr`.
void Fill(QImage& picture, const uint8_t* data, int stride, int bits, const HdrToSdr* hdr,
          const std::atomic<bool>* cancel)
{
    const bool alpha = picture.format() == QImage::Format_ARGB32;
    const int channels = alpha ? 4 : 3;
    const int width = picture.width();
    const std::vector<uchar> round = bits > 8 ? RoundingTable((1 << bits) - 1) : std::vector<uchar>();
    for (int y = 0; y < picture.height(); ++y) {
        if ((y & 255) == 0)
            ThrowIfCancelled(cancel);
        const uint8_t* in8 = data + qint64(y) * stride;
        uchar* out = picture.scanLine(y);
        if (bits <= 8 && !hdr) {
            if (!alpha) {
                std::memcpy(out, in8, std::size_t(width) * 3);
                continue;
            }
            auto* o = reinterpret_cast<QRgb*>(out);
            for (int x = 0; x < width; ++x, in8 += 4)
                o[x] = qRgba(in8[0], in8[1], in8[2], in8[3]);
            continue;
        }
        uchar rgb[3];
        for (int x = 0; x < width; ++x) {
            unsigned s[4];
            for (int c = 0; c < channels; ++c) {
                s[c] = bits > 8 ? unsigned(in8[2 * c]) | unsigned(in8[2 * c + 1]) << 8 : in8[c];
            }
            in8 += bits > 8 ? 2 * channels : channels;
            if (hdr) {
                hdr->Convert(s[0], s[1], s[2], rgb);
            } else {
                rgb[0] = round[s[0]], rgb[1] = round[s[1]], rgb[2] = round[s[2]];
            }
            if (alpha) {
                const int a = bits > 8 ? round[s[3]] : int(s[3]);
                reinterpret_cast<QRgb*>(out)[x] = qRgba(rgb[0], rgb[1], rgb[2], a);
            } else {
                out[3 * x] = rgb[0], out[3 * x + 1] = rgb[1], out[3 * x + 2] = rgb[2];
            }
        }
    }
}

QImage Decode(QIODevice& in, PictureKind kind, BudgetShare& share, const std::atomic<bool>* cancel)
{
    ThrowIfCancelled(cancel);
    Source source(in, cancel);
    // What libheif keeps of the file: its boxes and, while a picture is
    // decoded, that picture's data; never more than the file.
    BudgetShare work = ReserveWork(share, source.Size(), kind);
    const std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
    if (!context)
        ThrowInvalidPicture(kind);
    heif_context_set_maximum_image_size_limit(context.get(), kMaxSide);
    // The tiles of a grid (a phone's photo is one) on both cores.
    heif_context_set_max_decoding_threads(context.get(), 2);
    if (!Ok(heif_context_read_from_reader(context.get(), source.Reader(), &source, nullptr)))
        ThrowInvalidPicture(kind);
    ThrowIfCancelled(cancel);

    heif_image_handle* rawHandle = nullptr;
    if (!Ok(heif_context_get_primary_image_handle(context.get(), &rawHandle)))
        ThrowInvalidPicture(kind);
    const std::unique_ptr<heif_image_handle, HandleFree> handle(rawHandle);
    // The size once cropped and turned, as the picture will be.
    const int width = heif_image_handle_get_width(handle.get());
    const int height = heif_image_handle_get_height(handle.get());
    if (!PictureSizeAllowed(width, height))
        ThrowInvalidPicture(kind);
    // The codec's pictures (padded to whole blocks) within the declared one.
    const qint64 codedLimit = (std::max<qint64>(heif_image_handle_get_ispe_width(handle.get()), width) + kBlockSlack)
                              * (std::max<qint64>(heif_image_handle_get_ispe_height(handle.get()), height) + kBlockSlack);
    if (source.CodedPixels() > codedLimit)
        ThrowInvalidPicture(kind);
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const int bits = std::max(heif_image_handle_get_luma_bits_per_pixel(handle.get()),
                              heif_image_handle_get_chroma_bits_per_pixel(handle.get()));
    if (bits > 16)
        ThrowInvalidPicture(kind);

    // An nclx naming primaries libheif does not know is handed over with an
    // error: ours to free, and taken as no description.
    heif_color_profile_nclx* rawNclx = nullptr;
    const bool nclxKnown = Ok(heif_image_handle_get_nclx_color_profile(handle.get(), &rawNclx));
    std::unique_ptr<heif_color_profile_nclx, NclxFree> nclx(rawNclx);
    if (!nclxKnown)
        nclx.reset();
    const bool iccFirst = heif_image_handle_get_color_profile_type(handle.get()) != heif_color_profile_type_nclx
                          && heif_image_handle_get_color_profile_type(handle.get()) != heif_color_profile_type_not_present;
    const bool hdr = nclx && !iccFirst
                     && (nclx->transfer_characteristics == heif_transfer_characteristic_ITU_R_BT_2100_0_PQ
                         || nclx->transfer_characteristics == heif_transfer_characteristic_ITU_R_BT_2100_0_HLG);
    const bool deep = bits > 8;

    QImage picture = NewDecodedPicture(width, height, alpha, share, kind);
    // libheif's pictures while it decodes, at the samples' size: the codec's
    // frame and libheif's copy of it (4:2:0 to 4:4:4), the planar R G B it
    // converts them to (for a grid, the grid whole), the alpha plane, and
    // the interleaved result we read.
    const qint64 pixels = qint64(width) * height;
    const qint64 sample = deep ? 2 : 1;
    if (!work.Grow(pixels * sample * (6 + (alpha ? 4 + 2 : 3))))
        ThrowInvalidPicture(kind);

    std::unique_ptr<ColorProfileTransform> transform;
    std::unique_ptr<HdrToSdr> toSdr;
    if (hdr) {
        Chromaticities primaries = kBt2020Chromaticities;
        if (!NclxChromaticities(*nclx, primaries))
            primaries = kBt2020Chromaticities;
        toSdr = std::make_unique<HdrToSdr>(nclx->transfer_characteristics, deep ? (1 << bits) - 1 : 255, primaries);
    } else {
        transform = SdrTransform(handle.get(), nclx.get(), share.Budget());
    }

    const std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    if (!options)
        ThrowInvalidPicture(kind);
    // Transformations applied (the default), samples kept at their depth.
    options->convert_hdr_to_8bit = 0;
    source.LimitReads(std::min(kMostReads, kFewReads + pixels / kPixelsPerRead), codedLimit);
    const heif_chroma chroma = deep ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
                                    : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
    heif_image* rawImage = nullptr;
    const heif_error decoded = heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, chroma, options.get());
    const std::unique_ptr<heif_image, ImageFree> image(rawImage);
    ThrowIfCancelled(cancel);
    if (!Ok(decoded) || !image || source.CodedPixels() > codedLimit)
        ThrowInvalidPicture(kind);
    // The codec's picture may not be the size the file declared.
    int stride = 0;
    const uint8_t* data = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int depth = heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved);
    if (!data || heif_image_get_width(image.get(), heif_channel_interleaved) != width
        || heif_image_get_height(image.get(), heif_channel_interleaved) != height || depth < 1 || depth > 16
        || (depth > 8) != deep)
        ThrowInvalidPicture(kind);

    Fill(picture, data, stride, depth, toSdr.get(), cancel);
    if (alpha && heif_image_handle_is_premultiplied_alpha(handle.get()))
        Unpremultiply(picture);
    if (transform)
        transform->ConvertImage(picture);
    return picture;
}

} // namespace

QImage DecodeHeif(QIODevice& in, PictureKind kind, BudgetShare& share, const std::atomic<bool>* cancel)
{
    // The picture's bytes are taken before it is decoded; a decoding that
    // fails gives them back.
    const qint64 held = share.Bytes();
    try {
        return Decode(in, kind, share, cancel);
    } catch (...) {
        share.ShrinkTo(held);
        throw;
    }
}

} // namespace yotsumado
