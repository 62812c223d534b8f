#include "platform/AllocatorTuning.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
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

bool AllocatorTuning::makePagesAhead(void* start, std::size_t bytes) {
    if (!start || bytes == 0) {
        return true;
    }
    // Whole pages: the first may hold the allocator's own bookkeeping, which
    // the request leaves as it is.
    static const std::uintptr_t page = std::uintptr_t(sysconf(_SC_PAGESIZE));
    const auto first = reinterpret_cast<std::uintptr_t>(start) & ~(page - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(start) + bytes + page - 1) & ~(page - 1);
    return madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE) == 0;
}

bool AllocatorTuning::adviseLargePages(void* start, std::size_t bytes) {
    constexpr std::uintptr_t large = std::uintptr_t(2) << 20;
    const auto at = reinterpret_cast<std::uintptr_t>(start);
    const std::uintptr_t begin = (at + large - 1) & ~(large - 1);
    const std::uintptr_t end = (at + bytes) & ~(large - 1);
    return start && end > begin &&
           madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE) == 0;
}

} // namespace platform
