#pragma once
// The state glyph: a copy of a button's glyph changed by the effect that the
// drawing state calls for (a hover effect in the shine colour, or a disabled
// look). All effects work on Format_RGB32 images, whose pixels read as one
// integer hold 0x..RRGGBB; pixels are compared by their low 24 bits only.
//
// The background of a glyph without an alpha channel is its key colour: the
// colour of its bottom-left pixel. Per-pixel effects leave key pixels alone.
// A glyph with an alpha channel needs no key: its transparent pixels are its
// background, the effects change the colours of the others and keep their
// alpha, and it is blended onto the face.

#include "controls/shinespdbtn/shinetypes.h"

#include <QImage>

#include <cstdint>
#include <optional>

namespace yotsumado {

namespace ShineSpdBtn {

// The colour of the bottom-left pixel (low 24 bits); 0 for an empty image.
std::uint32_t KeyColorOf(const QImage& glyph);

// Applies a hover effect to out, which starts as a copy of source (same size,
// Format_RGB32). The outline effects read source only.
void ApplyActiveImage(QImage& out, const QImage& source, TActiveImageType effect, std::uint32_t key,
                      std::uint32_t shine);
// Applies a disabled effect other than diDefault (see EdgePicture) to out.
void ApplyDisabledImage(QImage& out, TDisabledImageType effect, std::uint32_t key, std::uint32_t face);

// The embossing edge picture of source: a one-bit image (Format_Mono, index
// 1 = white = set) with a pixel set where the 2 x 2 block it starts has a
// colour edge on either diagonal. Its last row and column stay clear.
QImage EdgePicture(const QImage& source);

struct TStateGlyph {
    // Format_RGB32; Format_ARGB32 when HasAlpha; Format_Mono for the edge picture.
    QImage Image;
    std::uint32_t TransparentColor = 0;  // 0x00RRGGBB; not drawn when HasAlpha
    bool IsEdgePicture = false;
    bool HasAlpha = false;               // draw by blending with the alpha channel
};

// The state glyph for a drawing state, or none when glyph is empty. A glyph
// with an alpha channel gives an alpha state glyph (see above). shine and
// face are the shine colour and the face colour as 0x00RRGGBB.
std::optional<TStateGlyph> CreateStateGlyph(const QImage& glyph, TShineState state,
                                            TActiveImageType activeImage,
                                            TDisabledImageType disabledImage, std::uint32_t shine,
                                            std::uint32_t face);

} // namespace ShineSpdBtn

} // namespace yotsumado
