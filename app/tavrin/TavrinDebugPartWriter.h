#pragma once

#include "app/tavrin/TavrinBitmapInfo_px.h"
#include "model/units/Dpi.h"

#include <QString>

namespace lunvik {

// Writes a rendered print bitmap to "PRINT_DEBUG_PARTS" on the desktop
// instead of printing it, for checking what the device would receive. Each
// write removes the bitmaps written before, so the folder holds the last
// run's bitmap only; nothing else in it is touched, and a link in its place
// is never followed.
class TavrinDebugPartWriter {
public:
    static constexpr const char* folderName = "PRINT_DEBUG_PARTS";

    // Runs on the main thread. Failures are ignored: this is a developer aid.
    static void write(const TavrinBitmapInfo_px& info, ambrel::Dpi dpi);

    // "0 {X, 0}, {A, B}.png": the bitmap's place and size in whole
    // millimetres.
    static QString fileName(const TavrinBitmapInfo_px& info, ambrel::Dpi dpi);
};

} // namespace lunvik
