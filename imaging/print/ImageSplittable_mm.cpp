#include "imaging/print/ImageSplittable_mm.h"

#include "imaging/print/ImageSplitter_mm.h"
#include "imaging/print/SplittingConnection.h"

namespace quenta {

ImageSplittable_mm::~ImageSplittable_mm() = default;

std::vector<SplitPart_mm> ImageSplittable_mm::generateBitmaps(const ambrel::PrintTask& task,
                                                              bool isDebugMode) const {
    return ImageSplitter_mm::generateBitmaps(SplittingConnection::deviceDescriptor(this), task,
                                             isDebugMode);
}

} // namespace quenta
