#include "platform/tests/support/ResidentPages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

std::size_t ResidentPages::count(const void* start, std::size_t bytes) {
    const auto page = std::uintptr_t(sysconf(_SC_PAGESIZE));
    const auto first = reinterpret_cast<std::uintptr_t>(start) & ~(page - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(start) + bytes + page - 1) & ~(page - 1);
    std::vector<unsigned char> resident((end - first) / page);
    if (mincore(reinterpret_cast<void*>(first), end - first, resident.data()) != 0) {
        return 0;
    }
    std::size_t count = 0;
    for (const unsigned char r : resident) {
        count += r & 1;
    }
    return count;
}
