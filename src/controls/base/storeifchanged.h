#pragma once
// The first half of every property setter: compare, and store only a new
// value. True when the value changed, so that the caller repaints or
// notifies exactly then.


namespace yotsumado {

template <typename T>
bool StoreIfChanged(T& slot, const T& value)
{
    if (slot == value)
        return false;
    slot = value;
    return true;
}

} // namespace yotsumado
