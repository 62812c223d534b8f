#pragma once

#include "imaging/print/SplitPart_mm.h"
#include "model/connections/PrintTask.h"

#include <vector>

namespace quenta {

// Adopted by a device connection (a DeviceConnection that is also
// BlackWhiteSendable) that prints a job as bitmaps placed in millimetres.
class ImageSplittable_mm {
public:
    virtual ~ImageSplittable_mm();

    // The job's bitmaps for the connection's own model (see
    // ImageSplitter_mm). A class that adopts this without being such a
    // connection is a programming error that ends the process.
    std::vector<SplitPart_mm> generateBitmaps(const ambrel::PrintTask& task,
                                              bool isDebugMode) const;
};

} // namespace quenta
