#pragma once

#include <cstddef>

namespace platform {

// How the C library's allocator keeps the memory of large blocks. By default
// glibc raises the size above which a block is mapped on its own each time
// such a block is freed, up to 32 MB: from then on pictures, tiles and
// bitmaps of a few megabytes come from the heaps of the threads that make
// them, and what is freed there mostly stays with the process. With many
// workers, each with a heap of its own, a busy program's memory grows with
// the number of pictures that passed through it rather than those it holds.
class AllocatorTuning {
public:
    // Blocks from this size on are mapped on their own and given back when
    // freed.
    static constexpr std::size_t largeBlockBytes = 1024 * 1024;

    // Fixes the size at largeBlockBytes. Called first thing in the program;
    // false where the allocator has no such setting.
    static bool giveLargeBlocksBack();

    // Makes the pages of [start, start + bytes) at once, ahead of a single
    // write that fills them (a file read into a new block). The kernel then
    // makes them in one pass instead of one fault at a time; while a
    // starting program maps its libraries on other threads, a 5 MB read
    // took two to three times as long the other way. Contents stay as they
    // are; false where the kernel has no such request (before Linux 5.14)
    // or could not make them all, and the write then makes the rest.
    static bool makePagesAhead(void* start, std::size_t bytes);

    // Asks for the whole large pages (2 MB) inside [start, start + bytes)
    // to be made as such when they are first written: a block of megabytes
    // written at once (a file read, a decoded picture) then takes a fault
    // for each 2 MB rather than for each 4 KB, which on some machines costs
    // a good part of the write. Contents stay as they are; false where the
    // kernel makes no large pages, or there is no whole one in the block.
    static bool adviseLargePages(void* start, std::size_t bytes);
};

} // namespace platform
