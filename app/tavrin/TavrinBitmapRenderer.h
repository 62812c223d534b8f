#pragma once

#include "app/tavrin/TavrinBitmapInfo_px.h"
#include "model/descriptions/DeviceAdditionalInfoDictionary.h"
#include "model/pictures/ImageSource.h"
#include "model/units/Dpi.h"
#include "model/units/Size_mm.h"

#include <memory>

namespace platform {
class Progress;
}

namespace lunvik {

// Renders a print's picture into one gray bitmap of the whole canvas at the
// device's resolution, turned a quarter so that a bitmap column runs across
// the head, and converts it to black and white in place. The bitmap is made
// once, in one piece, and handed out without a copy.
class TavrinBitmapRenderer {
public:
    // How the bitmap is converted: in place, left to the packing, or a
    // vector page converted band by band and anything else left.
    enum class Conversion {
        inPlace,
        pending,
        vectorInBands,
    };

    struct Device {
        ambrel::Dpi dpi;
        ambrel::DeviceAdditionalInfoDictionary additionalInfos;
    };

    // Throws ConnectionError documentImageIsTooSmall for a picture below 10
    // pixels on both sides, documentImageIsNotInCanvas when no copy of it
    // reaches a dot of the canvas (both before any memory is taken), and the
    // black conversion's error when it cannot run. A cancelled progress stops the drawing; what was
    // drawn is still converted and returned. The bitmap is drawn in bands at once, bands of them
    // (0: as many as suit the compute workers); any count gives the same pixels.
    static TavrinBitmapInfo_px render(const Device& device, const ambrel::Size_mm& canvasSize,
                                      const ambrel::ImageSource& source,
                                      const std::shared_ptr<platform::Progress>& progress,
                                      int bands = 0);
    // The same, but a placed picture's black conversion is left to the
    // packing of the columns (pendingConversion): the bitmap stays gray.
    static TavrinBitmapInfo_px renderGray(const Device& device, const ambrel::Size_mm& canvasSize,
                                          const ambrel::ImageSource& source,
                                          const std::shared_ptr<platform::Progress>& progress,
                                          int bands = 0);
    // The bitmap a print sends: a picture drawn once for the whole bitmap
    // comes gray, its conversion left to the packing as renderGray leaves
    // it; a vector page, whose bands are copied from the page's rendering,
    // comes converted, each band converted on its worker as soon as it is
    // drawn, as render converts it. A threshold alone, which the packing makes by
    // comparing the gray bytes, is left to it either way.
    static TavrinBitmapInfo_px renderForPrint(const Device& device,
                                              const ambrel::Size_mm& canvasSize,
                                              const ambrel::ImageSource& source,
                                              const std::shared_ptr<platform::Progress>& progress,
                                              int bands = 0);

    // Throws what render throws for the picture's placement (too small, or
    // no dot on the canvas) without drawing anything, so that a print can be
    // refused before the device is opened.
    static void checkPlacement(const Device& device, const ambrel::Size_mm& canvasSize,
                               const ambrel::ImageSource& source);

private:
    static TavrinBitmapInfo_px renderBitmap(const Device& device, const ambrel::Size_mm& canvasSize,
                                            const ambrel::ImageSource& source,
                                            const std::shared_ptr<platform::Progress>& progress,
                                            int bands, Conversion conversion);
};

} // namespace lunvik
