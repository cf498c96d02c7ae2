#pragma once

#include <utility>

// Stores `value` in `field` and reports whether it differed, so that a store
// emits its NOTIFY signal only on a real change.
template <class T, class U>
bool assignIfChanged(T& field, U&& value)
{
    if (field == value)
        return false;
    field = std::forward<U>(value);
    return true;
}
