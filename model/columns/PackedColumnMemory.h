#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace ambrel {

// The memory a job's packed columns are written to, kept from one job for the
// next: a fresh buffer of a page's columns costs a page fault every few
// kilobytes of each print. One buffer is kept, for the process.
class PackedColumnMemory {
public:
    using Bytes = std::unique_ptr<std::uint8_t[]>;

    // At least bytes long, contents undefined; capacity tells how long. The
    // kept buffer is taken if it holds bytes without wasting as much again.
    static Bytes take(std::size_t bytes, std::size_t& capacity);
    // Keeps the buffer for the next take, in place of the one kept before.
    static void give(Bytes bytes, std::size_t capacity);
    // Allocates and faults in a buffer for bytes on a thread of its own and
    // keeps it, so that the first job does not pay for fresh memory. Nothing
    // happens if a buffer that fits is kept or on its way already. A take
    // meanwhile does not wait for it.
    static void prepare(std::size_t bytes);
};

} // namespace ambrel
