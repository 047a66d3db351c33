#pragma once
// The 2 x 2 grid, defined once: the client area, where the panels lie for a
// given position of the dividers, how far the dividers may move and where
// they start, and the marker modes. The stored layout, the window's layout
// routine, the compose tool and the tests all read it from here.

#include "core/stretch.h"
#include "core/tcolor.h"

#include <QRect>
#include <QString>

#include <array>

namespace yotsumado {

namespace grid {

// The client area the layout, the capture and the composite are made for.
inline constexpr int kClientWidth = 480;
inline constexpr int kClientHeight = 360;

// A divider is a bar 4 pixels thick; the split line lies in its middle.
inline constexpr int kBar = 4;

// The dividers' limits as they store them (MinLeft/MaxRight of the vertical
// one, MinTop/MaxBottom of the horizontal one) ...
inline constexpr int kDividerVMinLeft = 60;
inline constexpr int kDividerVMaxRight = 420;
inline constexpr int kDividerHMinTop = 60;
inline constexpr int kDividerHMaxBottom = 300;
// ... and the range of V (the vertical divider's left edge) and H (the
// horizontal divider's top edge) that follows from them.
inline constexpr int kSplitVMin = kDividerVMinLeft;
inline constexpr int kSplitVMax = kDividerVMaxRight - kBar;
inline constexpr int kSplitHMin = kDividerHMinTop;
inline constexpr int kSplitHMax = kDividerHMaxBottom - kBar;

// Where the dividers start: the split lines in the middle of the window.
inline constexpr int kStartSplitV = kClientWidth / 2 - kBar / 2;
inline constexpr int kStartSplitH = kClientHeight / 2 - kBar / 2;

// The dividers' own rectangles for V,H.
inline QRect VerticalDivider(int splitV) { return QRect(splitV, 0, kBar, kClientHeight); }
inline QRect HorizontalDivider(int splitH) { return QRect(0, splitH, kClientWidth, kBar); }

// Panels 1 to 4 (upper left, upper right, lower left, lower right) for V,H:
// the columns V + 2 and the rest of the width, the rows H + 2 and the rest of
// the height.
inline std::array<QRect, 4> PanelRects(int splitV, int splitH)
{
    const int left = splitV + kBar / 2, top = splitH + kBar / 2;
    const int right = kClientWidth - left, bottom = kClientHeight - top;
    return {QRect(0, 0, left, top), QRect(left, 0, right, top), QRect(0, top, left, bottom),
            QRect(left, top, right, bottom)};
}

// The panels of a composite `scale` times the client area's size: every
// rectangle, and so every divider's gap, scaled by it.
inline std::array<QRect, 4> PanelRects(int splitV, int splitH, int scale)
{
    std::array<QRect, 4> panels = PanelRects(splitV, splitH);
    for (QRect& r : panels)
        r = QRect(r.topLeft() * scale, r.size() * scale);
    return panels;
}

// The composite's sizes in menu order, as multiples of the client area (the
// window's own size first), and the ways a picture takes its panel in menu
// order (TFitMode's order), by the compose tool's words.
inline constexpr std::array<int, 4> kOutputScales{1, 2, 3, 4};
inline constexpr std::array<const char*, 3> kFitModes{"stretch", "fit", "fill"};

// A panel's marker sits this far in from the panel's upper-left corner.
inline constexpr int kMarkerInset = 4;

// The marker modes in menu order, the window's start mode first. `name` is
// the compose tool's word for the mode.
struct MarkerMode {
    const char* name;
    std::array<const char*, 4> captions;  // UTF-8; all empty: no markers
    TColor color;
    bool visible;
};
inline constexpr std::array<MarkerMode, 5> kMarkerModes{{
    {"white-numbers", {"①", "②", "③", "④"}, clWhite, true},
    {"black-numbers", {"①", "②", "③", "④"}, clBlack, true},
    {"white-letters", {"Ａ", "Ｂ", "Ｃ", "Ｄ"}, clWhite, true},
    {"black-letters", {"Ａ", "Ｂ", "Ｃ", "Ｄ"}, clBlack, true},
    {"none", {"", "", "", ""}, clBlack, false},
}};

} // namespace grid

} // namespace yotsumado
