#pragma once

#include "core/mathparser/Function.h"

#include <vector>

namespace kestrom {

// The arithmetic, bitwise and aggregate built-in functions, and those the
// arithmetic operators evaluate to.
class ArithmeticFunctions {
public:
    // In the order of the built-in list.
    static std::vector<Function> functions();
};

} // namespace kestrom
