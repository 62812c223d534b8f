#pragma once

#include "imaging/print/PicturePlacement.h"

namespace lunvik {

// The print's placement of the picture; the canvas preview places its dots
// with the same code.
using TavrinPicturePlacement = quenta::PicturePlacement;

} // namespace lunvik
