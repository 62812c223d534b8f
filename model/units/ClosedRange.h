#pragma once

#include <algorithm>

namespace ambrel {

// A closed range lowerBound ... upperBound.
template <typename T> struct ClosedRange {
    T lowerBound;
    T upperBound;

    bool contains(const T& value) const { return lowerBound <= value && value <= upperBound; }
    // The value moved into the range; NaN stays NaN.
    T clamped(const T& value) const {
        if (value < lowerBound) {
            return lowerBound;
        }
        if (value > upperBound) {
            return upperBound;
        }
        return value;
    }

    bool operator==(const ClosedRange&) const = default;
};

} // namespace ambrel
