#include "controls/shinespdbtn/shinestate.h"

namespace yotsumado::ShineSpdBtn {

TShineState NextState(TShineState state, TShineEvent event, TShineFlags flags)
{
    const TShineState resting = (flags & sfDown) ? shDown : shUp;
    switch (event) {
    case TShineEvent::Enter:
        return state == shUp ? shUpActive : state == shDown ? shDownActive : state;
    case TShineEvent::Leave:
        return state == shUpActive ? shUp : state == shDownActive ? shDown : state;
    case TShineEvent::Press:
    case TShineEvent::HookedClick:
        return shDownActive;
    case TShineEvent::PressMove:
        return (flags & sfInside) ? shDownActive : resting;
    case TShineEvent::Release:
        // Outside a group a button never stays down. A group member released
        // over itself looks as the Down change it makes says; released
        // elsewhere it looks hot until the pointer is looked for.
        if (!(flags & sfGrouped)) return shUp;
        if (flags & sfInside) return state;
        return (flags & sfDown) ? shDownActive : shUpActive;
    case TShineEvent::DownChanged:
    case TShineEvent::Enable:
        return resting;
    case TShineEvent::Disable:
        return shDisabled;
    }
    return state;
}

} // namespace yotsumado::ShineSpdBtn
