#pragma once

#include "imaging/print/BlackConversionPass.h"
#include "model/pictures/BlackConversion.h"

#include <QImage>

#include <optional>

namespace lunvik {

// The rendered print: an 8-bit gray, opaque bitmap whose width is the
// canvas's height and whose height is the canvas's width (each bitmap column
// is one line across the head), placed at a column of the device.
struct TavrinBitmapInfo_px {
    // Columns from the start of the canvas; 0 for a bitmap of the whole canvas.
    qint64 location_px = 0;
    QImage bitmap;

    // A black conversion not yet made: the bitmap is still gray, and the
    // conversion is made while its columns are packed.
    struct PendingConversion {
        ambrel::BlackConversion conversion;
        quenta::BlackConversionPass::OutputConfiguration configuration;
    };
    std::optional<PendingConversion> pendingConversion;
};

} // namespace lunvik
