#pragma once

#include "core/mathparser/Function.h"

#include <vector>

namespace kestrom {

// The named constants (functions without arguments) and the logical
// functions, which hold truth values in doubles: 1 is true, 0 false.
class ConstantAndLogicalFunctions {
public:
    // In the order of the built-in list.
    static std::vector<Function> functions();
};

} // namespace kestrom
