#include "controls/shinespdbtn/glypheffects.h"

#include <algorithm>
#include <vector>

namespace yotsumado {

namespace ShineSpdBtn {

namespace {

constexpr std::uint32_t kRgbMask = 0xFFFFFFu;
// Format_RGB32 requires the top byte to be 0xFF; every test here ignores it.
constexpr std::uint32_t kOpaque = 0xFF000000u;

std::uint32_t R(std::uint32_t p) { return (p >> 16) & 0xFFu; }
std::uint32_t G(std::uint32_t p) { return (p >> 8) & 0xFFu; }
std::uint32_t B(std::uint32_t p) { return p & 0xFFu; }
std::uint32_t Pack(std::uint32_t r, std::uint32_t g, std::uint32_t b) { return kOpaque | (r << 16) | (g << 8) | b; }

std::uint32_t* Row(QImage& image, int y) { return reinterpret_cast<std::uint32_t*>(image.scanLine(y)); }
const std::uint32_t* Row(const QImage& image, int y)
{
    return reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
}

// Replaces every non-key pixel of out by f(pixel), one pass over the rows.
template <typename F>
void MapNonKey(QImage& out, std::uint32_t key, F f)
{
    for (int y = 0; y < out.height(); ++y) {
        std::uint32_t* row = Row(out, y);
        for (int x = 0; x < out.width(); ++x) {
            if ((row[x] & kRgbMask) != key)
                row[x] = f(row[x] & kRgbMask);
        }
    }
}

// Every other non-key pixel, counted over the whole glyph row by row; an even
// height adds one more count at each row's end.
template <typename F>
void Alternate(QImage& out, std::uint32_t key, F replace)
{
    const bool evenHeight = out.height() % 2 == 0;
    unsigned c = 0;
    for (int y = 0; y < out.height(); ++y) {
        std::uint32_t* row = Row(out, y);
        for (int x = 0; x < out.width(); ++x) {
            if ((row[x] & kRgbMask) != key && c % 2 == 1)
                row[x] = replace();
            ++c;
        }
        if (evenHeight) ++c;
    }
}

// Marks the key pixels of source that touch a non-key pixel (4-neighbourhood).
std::vector<bool> OutlineOf(const QImage& source, std::uint32_t key)
{
    const int w = source.width(), h = source.height();
    std::vector<bool> mark(static_cast<size_t>(w) * static_cast<size_t>(h), false);
    for (int y = 0; y < h; ++y) {
        const std::uint32_t* above = y > 0 ? Row(source, y - 1) : nullptr;
        const std::uint32_t* row = Row(source, y);
        const std::uint32_t* below = y + 1 < h ? Row(source, y + 1) : nullptr;
        auto solid = [&](std::uint32_t p) { return (p & kRgbMask) != key; };
        for (int x = 0; x < w; ++x) {
            if (solid(row[x])) continue;
            const bool touches = (x > 0 && solid(row[x - 1])) || (x + 1 < w && solid(row[x + 1]))
                || (above && solid(above[x])) || (below && solid(below[x]));
            if (touches) mark[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] = true;
        }
    }
    return mark;
}

void FrameLight(QImage& out, const QImage& source, std::uint32_t key, std::uint32_t shine, bool thick)
{
    const int w = source.width(), h = source.height();
    const std::vector<bool> outline = OutlineOf(source, key);
    auto at = [&](int x, int y) { return outline[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)]; };
    const std::uint32_t paint = kOpaque | shine;
    for (int y = 0; y < h; ++y) {
        const std::uint32_t* src = Row(source, y);
        std::uint32_t* row = Row(out, y);
        for (int x = 0; x < w; ++x) {
            bool on = at(x, y);
            if (!on && thick && (src[x] & kRgbMask) == key) {
                on = (x > 0 && at(x - 1, y)) || (x + 1 < w && at(x + 1, y)) || (y > 0 && at(x, y - 1))
                    || (y + 1 < h && at(x, y + 1));
            }
            if (on) row[x] = paint;
        }
    }
}

} // namespace

std::uint32_t KeyColorOf(const QImage& glyph)
{
    if (glyph.isNull() || glyph.width() == 0 || glyph.height() == 0) return 0;
    return glyph.pixel(0, glyph.height() - 1) & kRgbMask;
}

void ApplyActiveImage(QImage& out, const QImage& source, TActiveImageType effect, std::uint32_t key,
                      std::uint32_t shine)
{
    const std::uint32_t rs = R(shine), gs = G(shine), bs = B(shine);
    switch (effect) {
    case aiNormal:
        break;
    case aiXorLight:
        MapNonKey(out, key, [&](std::uint32_t p) { return Pack(R(p) ^ rs, G(p) ^ gs, B(p) ^ bs); });
        break;
    case aiHalfLight:
        MapNonKey(out, key, [&](std::uint32_t p) { return Pack((rs + R(p)) / 2, (gs + G(p)) / 2, (bs + B(p)) / 2); });
        break;
    case aiQuaterLight:
        MapNonKey(out, key, [&](std::uint32_t p) {
            return Pack((3 * rs + R(p)) / 4, (3 * gs + G(p)) / 4, (3 * bs + B(p)) / 4);
        });
        break;
    case aiAddLight:
        MapNonKey(out, key, [&](std::uint32_t p) {
            return Pack(std::min(R(p) + rs, 255u), std::min(G(p) + gs, 255u), std::min(B(p) + bs, 255u));
        });
        break;
    case aiFrameLight:
        FrameLight(out, source, key, shine, false);
        break;
    case aiFrameLight2:
        FrameLight(out, source, key, shine, true);
        break;
    case aiMaskLight:
        Alternate(out, key, [&] { return kOpaque | shine; });
        break;
    }
}

void ApplyDisabledImage(QImage& out, TDisabledImageType effect, std::uint32_t key, std::uint32_t face)
{
    const std::uint32_t rb = R(face), gb = G(face), bb = B(face);
    switch (effect) {
    case diDefault:
        break;  // the edge picture replaces the glyph; see EdgePicture
    case diGrayscale:
        MapNonKey(out, key, [](std::uint32_t p) {
            const std::uint32_t g = (R(p) + G(p) + B(p)) / 3;
            return Pack(g, g, g);
        });
        break;
    case diAlphaHalfTrans:
        MapNonKey(out, key, [&](std::uint32_t p) { return Pack((rb + R(p)) / 2, (gb + G(p)) / 2, (bb + B(p)) / 2); });
        break;
    case diAlphaQuaterTrans:
        MapNonKey(out, key, [&](std::uint32_t p) {
            return Pack((3 * rb + R(p)) / 4, (3 * gb + G(p)) / 4, (3 * bb + B(p)) / 4);
        });
        break;
    case diMaskTrans:
        Alternate(out, key, [&] { return kOpaque | key; });
        break;
    }
}

QImage EdgePicture(const QImage& source)
{
    const int w = source.width(), h = source.height();
    QImage out(w, h, QImage::Format_Mono);
    out.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    out.fill(0);
    for (int y = 0; y + 1 < h; ++y) {
        const std::uint32_t* row = Row(source, y);
        const std::uint32_t* next = Row(source, y + 1);
        uchar* bits = out.scanLine(y);
        for (int x = 0; x + 1 < w; ++x) {
            const bool edge = (row[x] & kRgbMask) != (next[x + 1] & kRgbMask)
                || (row[x + 1] & kRgbMask) != (next[x] & kRgbMask);
            if (edge) bits[x >> 3] = static_cast<uchar>(bits[x >> 3] | (0x80u >> (x & 7)));
        }
    }
    return out;
}

namespace {

// Applies the effect of state to result.Image, a copy of source, whose
// background is the key colour.
void ApplyStateEffect(TStateGlyph& result, const QImage& source, std::uint32_t key, TShineState state,
                      TActiveImageType activeImage, TDisabledImageType disabledImage, std::uint32_t shine,
                      std::uint32_t face)
{
    switch (state) {
    case shDown:
    case shUp:
        break;
    case shDownActive:
    case shUpActive:
        ApplyActiveImage(result.Image, source, activeImage, key, shine & kRgbMask);
        break;
    case shDisabled:
        if (disabledImage == diDefault) {
            result.Image = EdgePicture(source);
            result.IsEdgePicture = true;
        } else {
            ApplyDisabledImage(result.Image, disabledImage, key, face & kRgbMask);
        }
        break;
    }
}

// A colour that no visible pixel of an ARGB32 picture has, to stand for its
// fully transparent pixels while the effects run. Magenta, the customary
// key, is tried first.
std::uint32_t UnusedColor(const QImage& argb)
{
    std::vector<std::uint32_t> used;
    used.reserve(static_cast<size_t>(argb.width()) * static_cast<size_t>(argb.height()));
    for (int y = 0; y < argb.height(); ++y) {
        const std::uint32_t* row = Row(argb, y);
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(row[x]) != 0) used.push_back(row[x] & kRgbMask);
    }
    std::sort(used.begin(), used.end());
    // At most one candidate per visible pixel can be taken.
    for (std::uint32_t i = 0; i <= kRgbMask; ++i) {
        const std::uint32_t c = (0xFF00FFu + i) & kRgbMask;
        if (!std::binary_search(used.begin(), used.end(), c)) return c;
    }
    return 0xFF00FFu;  // every colour in use: a picture of at least 16M pixels
}

std::optional<TStateGlyph> AlphaStateGlyph(const QImage& glyph, TShineState state, TActiveImageType activeImage,
                                           TDisabledImageType disabledImage, std::uint32_t shine,
                                           std::uint32_t face)
{
    const QImage argb = glyph.convertToFormat(QImage::Format_ARGB32);
    const std::uint32_t key = UnusedColor(argb);
    // The effects see the picture as a keyed one: transparent pixels carry
    // the key, every other pixel its colour.
    QImage source(argb.size(), QImage::Format_RGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const std::uint32_t* in = Row(argb, y);
        std::uint32_t* out = Row(source, y);
        for (int x = 0; x < argb.width(); ++x)
            out[x] = kOpaque | (qAlpha(in[x]) == 0 ? key : (in[x] & kRgbMask));
    }
    TStateGlyph result;
    result.Image = source.copy();
    ApplyStateEffect(result, source, key, state, activeImage, disabledImage, shine, face);
    if (result.IsEdgePicture)
        return result;
    // Back to alpha: key pixels are transparent, pixels an effect painted
    // where the picture was transparent (an outline) are opaque, and the
    // others keep their own alpha.
    QImage blended(argb.size(), QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const std::uint32_t* in = Row(argb, y);
        const std::uint32_t* effect = Row(result.Image, y);
        std::uint32_t* out = Row(blended, y);
        for (int x = 0; x < argb.width(); ++x) {
            const std::uint32_t rgb = effect[x] & kRgbMask;
            const std::uint32_t alpha = rgb == key ? 0u : (qAlpha(in[x]) == 0 ? 255u : static_cast<std::uint32_t>(qAlpha(in[x])));
            out[x] = alpha == 0 ? 0u : (alpha << 24) | rgb;
        }
    }
    result.Image = blended;
    result.HasAlpha = true;
    result.TransparentColor = key;
    return result;
}

} // namespace

std::optional<TStateGlyph> CreateStateGlyph(const QImage& glyph, TShineState state,
                                            TActiveImageType activeImage,
                                            TDisabledImageType disabledImage, std::uint32_t shine,
                                            std::uint32_t face)
{
    if (glyph.isNull() || glyph.width() == 0 || glyph.height() == 0)
        return std::nullopt;
    if (glyph.hasAlphaChannel())
        return AlphaStateGlyph(glyph, state, activeImage, disabledImage, shine, face);
    const QImage source = glyph.format() == QImage::Format_RGB32 ? glyph : glyph.convertToFormat(QImage::Format_RGB32);
    const std::uint32_t key = KeyColorOf(source);
    TStateGlyph result;
    result.Image = source.copy();
    ApplyStateEffect(result, source, key, state, activeImage, disabledImage, shine, face);
    // The transparent colour is read after the effect, so an outline that
    // reaches the bottom-left corner makes the shine colour transparent.
    result.TransparentColor = result.IsEdgePicture ? 0u : KeyColorOf(result.Image);
    return result;
}

} // namespace ShineSpdBtn

} // namespace yotsumado
