#include "model/columns/PackedColumnMemory.h"

#include <mutex>
#include <thread>
#include <utility>

namespace ambrel {

namespace {

struct Kept {
    std::mutex mutex;
    PackedColumnMemory::Bytes bytes;
    std::size_t size = 0;
    std::size_t preparing = 0;
};

// Never destroyed: a buffer may still be faulted in on its own thread while
// the process exits.
Kept& kept() {
    static auto* k = new Kept;
    return *k;
}

bool fits(std::size_t size, std::size_t bytes) {
    return size >= bytes && size / 2 <= bytes;
}

} // namespace

PackedColumnMemory::Bytes PackedColumnMemory::take(std::size_t bytes, std::size_t& capacity) {
    {
        Kept& k = kept();
        std::lock_guard lock(k.mutex);
        if (k.bytes && fits(k.size, bytes)) {
            capacity = std::exchange(k.size, 0);
            return std::move(k.bytes);
        }
    }
    capacity = bytes;
    return Bytes(new std::uint8_t[bytes]);
}

void PackedColumnMemory::give(Bytes bytes, std::size_t capacity) {
    Kept& k = kept();
    std::lock_guard lock(k.mutex);
    k.bytes = std::move(bytes);
    k.size = k.bytes ? capacity : 0;
}

void PackedColumnMemory::prepare(std::size_t bytes) {
    // Beyond any real head and page: not worth holding for a print.
    constexpr std::size_t largest = std::size_t(256) << 20;
    if (bytes == 0 || bytes > largest) {
        return;
    }
    {
        Kept& k = kept();
        std::lock_guard lock(k.mutex);
        if ((k.bytes && fits(k.size, bytes)) || (k.preparing && fits(k.preparing, bytes))) {
            return;
        }
        k.preparing = bytes;
    }
    std::thread([bytes] {
        Bytes fresh(new (std::nothrow) std::uint8_t[bytes]);
        if (fresh) {
            // One write a page faults it in.
            constexpr std::size_t page = 4096;
            volatile std::uint8_t* start = fresh.get();
            for (std::size_t i = 0; i < bytes; i += page) {
                start[i] = 0;
            }
        }
        Kept& k = kept();
        std::lock_guard lock(k.mutex);
        if (k.preparing == bytes) {
            k.preparing = 0;
        }
        // A job that ended meanwhile may have left a buffer that fits.
        if (fresh && !(k.bytes && fits(k.size, bytes))) {
            k.bytes = std::move(fresh);
            k.size = bytes;
        }
    }).detach();
}

} // namespace ambrel
