#include "platform/AllocatorTuning.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace platform {

bool AllocatorTuning::giveLargeBlocksBack() {
#ifdef __GLIBC__
    // Setting the size also stops glibc from moving it, and from moving the
    // size of free memory at a heap's end that it keeps (128 KB stays).
    return mallopt(M_MMAP_THRESHOLD, int(largeBlockBytes)) == 1;
#else
    return false;
#endif
}

} // namespace platform
