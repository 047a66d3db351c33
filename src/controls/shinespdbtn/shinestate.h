#pragma once
// The shine speed button's drawing state as a function of what happened to
// it: the button changes its look only through NextState, so the rules of
// the look stand in one place.

#include "controls/shinespdbtn/shinetypes.h"

namespace yotsumado {

namespace ShineSpdBtn {

// What happened to the button.
enum class TShineEvent {
    Enter,        // the pointer came over the enabled button
    Leave,        // the pointer left it
    Press,        // the left mouse button went down on it
    PressMove,    // the pointer moved while the press lasts
    Release,      // the press ended
    DownChanged,  // Down was written, or another member of the group went down
    HookedClick,  // a click runs with ClickDownHook on
    Disable,      // the button or a container of it went off (or paints while off)
    Enable,       // it came on again
};

// What the button knows when it happens.
using TShineFlags = unsigned;
enum : TShineFlags {
    sfDown = 1u << 0,     // Down, as it is now
    sfInside = 1u << 1,   // the pointer is inside the button
    sfGrouped = 1u << 2,  // GroupIndex is not 0
};

TShineState NextState(TShineState state, TShineEvent event, TShineFlags flags);

} // namespace ShineSpdBtn

} // namespace yotsumado
