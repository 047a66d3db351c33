#pragma once
// The shine speed button's enumerations and the pixel helper that its
// painting and glyph effects share.

#include "core/tcolor.h"

#include <QObject>
#include <cstdint>

namespace yotsumado {

namespace ShineSpdBtn {
Q_NAMESPACE

// Which look is painted.
enum TShineState { shDownActive, shDown, shUpActive, shUp, shDisabled };
Q_ENUM_NS(TShineState)

enum TFrameType { ftFlatFrame, ftNormalFrame, ftEnclosedFrame };
Q_ENUM_NS(TFrameType)

enum TActiveImageType {
    aiNormal, aiXorLight, aiHalfLight, aiQuaterLight, aiAddLight, aiFrameLight, aiFrameLight2, aiMaskLight
};
Q_ENUM_NS(TActiveImageType)

enum TDisabledImageType { diDefault, diGrayscale, diAlphaHalfTrans, diAlphaQuaterTrans, diMaskTrans };
Q_ENUM_NS(TDisabledImageType)

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
Q_ENUM_NS(TButtonLayout)

constexpr bool IsDownState(TShineState s) { return s == shDownActive || s == shDown; }
constexpr bool IsActiveState(TShineState s) { return s == shDownActive || s == shUpActive; }

// A colour as a 32-bit pixel read as one integer: 0x00RRGGBB, system colours
// resolved through the current application palette.
inline std::uint32_t ColorToPixel(TColor color) { return ColorToRgb(color) & 0xFFFFFFu; }

} // namespace ShineSpdBtn

using ShineSpdBtn::TShineState;
using ShineSpdBtn::TFrameType;
using ShineSpdBtn::TActiveImageType;
using ShineSpdBtn::TDisabledImageType;
using ShineSpdBtn::TButtonLayout;
using enum ShineSpdBtn::TShineState;
using enum ShineSpdBtn::TFrameType;
using enum ShineSpdBtn::TActiveImageType;
using enum ShineSpdBtn::TDisabledImageType;
using enum ShineSpdBtn::TButtonLayout;

} // namespace yotsumado
