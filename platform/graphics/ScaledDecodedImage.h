#pragma once

#include "platform/graphics/DecodedImage.h"

#include <QSize>

namespace platform {

// A raster picture decoded straight to a smaller size, with the size its
// file stores; nothing has been turned yet.
struct ScaledDecodedImage {
    DecodedImage decoded;
    QSize fullSize;
};

} // namespace platform
