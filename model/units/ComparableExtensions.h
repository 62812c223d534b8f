#pragma once

#include "model/units/ClosedRange.h"

#include <algorithm>

namespace ambrel {

// The value limited to the range: the larger of the value and the lower
// bound, then the smaller of that and the upper bound.
template <typename T> T clamp(const ClosedRange<T>& range, const T& value) {
    return std::min(std::max(value, range.lowerBound), range.upperBound);
}

template <typename T> T clamped(const T& value, const ClosedRange<T>& range) {
    return clamp(range, value);
}

// Replaces the value by its clamped value.
template <typename T> void clampTo(T& value, const ClosedRange<T>& range) {
    value = clamp(range, value);
}

} // namespace ambrel
