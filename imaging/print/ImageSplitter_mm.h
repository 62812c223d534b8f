#pragma once

#include "imaging/print/SplitPart_mm.h"
#include "model/connections/PrintTask.h"
#include "model/descriptions/DeviceDescriptor.h"

#include <vector>

namespace quenta {

// Turns one print job into the black-and-white bitmaps a device prints, each
// placed on the canvas in millimetres: the placed picture and its repeats are
// drawn into passes of the head's height (one pass for a fixed head, several
// repeats per pass, or several passes per repeat), each pass is converted on
// the compute device and cut at white gaps a millimetre at a time.
class ImageSplitter_mm {
public:
    // Runs on the calling thread. The model's head, resolution and
    // capabilities come from `device`, not from the task. Parts come pass by
    // pass, within a pass by x. Throws ConnectionError noImageInDocument,
    // documentImageIsTooSmall, documentImageIsNotInCanvas (nothing to print,
    // or a canvas under a millimetre high for tall pictures) and
    // incorrectDeviceModel (a head of 2 mm or less that claims to move
    // vertically); the compute context's and the conversion's errors as they
    // are. In debug mode the parts are written to the debug folder on the
    // main thread and userCancelled is thrown.
    static std::vector<SplitPart_mm> generateBitmaps(const ambrel::DeviceDescriptor& device,
                                                     const ambrel::PrintTask& task,
                                                     bool isDebugMode);
};

} // namespace quenta
