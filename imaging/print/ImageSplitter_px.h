#pragma once

#include "imaging/print/XYBitmapInfo_px.h"
#include "model/connections/PrintTask.h"
#include "model/descriptions/DeviceDescriptor.h"

#include <QList>

#include <memory>

namespace platform {
class Progress;
}

namespace quenta {

// Turns one print job into the black-and-white bitmaps a device prints, each
// placed in device pixels and tagged with the rows it was cut from: the
// placed picture and its repeats are drawn into passes of the head's height,
// converted on the compute device, cut at white gaps and padded with blank
// margins as the model asks.
class ImageSplitter_px {
public:
    // Runs on the calling thread and fans out on the compute layer's pool.
    // The model's head, resolution and capabilities come from `device`, not
    // from the task. Throws ConnectionError noImageInDocument (no placed
    // picture, or a pass that cannot be made), documentImageIsTooSmall,
    // documentImageIsNotInCanvas (nothing to print), incorrectDeviceModel (a
    // head too short to print tall pictures in overlapping passes) and
    // userCancelled (a cancelled progress); the compute context's and the
    // conversion's errors as they are. In debug mode the bitmaps are written
    // to the debug folder on the main thread and userCancelled is thrown.
    static QList<XYBitmapInfo_px>
    generateBitmaps_px(const ambrel::DeviceDescriptor& device, const ambrel::PrintTask& task,
                       const std::shared_ptr<platform::Progress>& progress, bool isDebugMode);
};

} // namespace quenta
