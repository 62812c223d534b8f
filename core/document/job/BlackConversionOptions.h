#pragma once

#include "model/pictures/BlackConversionHalftoneOption.h"
#include "model/pictures/BlackConversionThresholdOption.h"

namespace kestrom {

// The options of both conversion types as one plain value: equal when all
// seven numbers are equal, the halftone angle included.
struct BlackConversionOptions {
    ambrel::BlackConversionThresholdOption threshold;
    ambrel::BlackConversionHalftoneOption halftone;

    bool operator==(const BlackConversionOptions&) const = default;
};

} // namespace kestrom
