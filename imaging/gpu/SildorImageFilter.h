#pragma once

#include "imaging/gpu/SildorImageFunction.h"

namespace sildor {

// A function that reads texture 0 and writes texture 1.
class SildorImageFilter : public SildorImageFunction {};

} // namespace sildor
