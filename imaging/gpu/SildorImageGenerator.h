#pragma once

#include "imaging/gpu/SildorImageFunction.h"

namespace sildor {

// A function that writes texture 0 and reads nothing.
class SildorImageGenerator : public SildorImageFunction {};

} // namespace sildor
