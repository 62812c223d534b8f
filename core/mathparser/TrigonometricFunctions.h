#pragma once

#include "core/mathparser/Function.h"

#include <vector>

namespace kestrom {

// The rounding, trigonometric, hyperbolic and versine built-in functions and
// the angle conversions.
class TrigonometricFunctions {
public:
    // In the order of the built-in list.
    static std::vector<Function> functions();
};

} // namespace kestrom
