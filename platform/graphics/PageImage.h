#pragma once

#include "platform/compute/TextureMemory.h"

#include <QImage>

namespace platform {

namespace compute {
class ThreadPool;
}

// Gray pictures of page size in the compute layer's memory: large pages, and
// the block of the previous picture of a like size taken again rather than
// faulted in afresh. Their bytes are left as they were: the caller writes
// every pixel.
class PageImage {
public:
    // A null image when there is no such memory for it. A lasting picture,
    // kept past the work at hand, takes only memory of its own size.
    static QImage
    gray(int width, int height, qsizetype bytesPerLine, compute::ThreadPool& pool,
         compute::TextureMemory::Lifetime lifetime = compute::TextureMemory::Lifetime::transient);
};

} // namespace platform
