#pragma once

#include "platform/compute/Region.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace platform::compute {

class Texture;

// What one dispatch hands its kernel: the bound textures and parameter bytes
// by index, and the grid of threads.
struct KernelArguments {
    static constexpr std::size_t maxTextures = 8;
    static constexpr std::size_t maxBuffers = 8;

    std::array<std::shared_ptr<Texture>, maxTextures> textures;
    std::array<std::optional<std::vector<std::uint8_t>>, maxBuffers> buffers;
    Size threadgroups;
    Size threadsPerThreadgroup;

    Texture* texture(std::size_t index) const {
        return index < maxTextures ? textures[index].get() : nullptr;
    }

    // The value at the start of a parameter buffer; none when the buffer is
    // missing or too short for T.
    template <class T> std::optional<T> value(std::size_t index) const {
        if (index >= maxBuffers || !buffers[index] || buffers[index]->size() < sizeof(T)) {
            return std::nullopt;
        }
        T v;
        std::memcpy(&v, buffers[index]->data(), sizeof(T));
        return v;
    }

    // Threads in the whole grid along x and y.
    std::size_t gridWidth() const { return threadgroups.width * threadsPerThreadgroup.width; }
    std::size_t gridHeight() const { return threadgroups.height * threadsPerThreadgroup.height; }
};

// A rectangle of threads, [x0, x1) x [y0, y1). Kernels run it whole, skipping
// the threads that fall outside their textures.
struct ThreadRect {
    std::size_t x0 = 0;
    std::size_t y0 = 0;
    std::size_t x1 = 0;
    std::size_t y1 = 0;
};

// The work of one dispatch, called once per tile, from several threads at once.
using TileWork = std::function<void(const ThreadRect&)>;

// A byte-to-byte table: out = map[in].
using ByteMap = std::array<std::uint8_t, 256>;

// Writes the pixels x0 to x1 - 1 of the kernel's output row y into out (x1 -
// x0 bytes), from the source as it lies; called from several threads at once.
using RowSpanWork =
    std::function<void(std::size_t y, std::size_t x0, std::size_t x1, std::uint8_t* out)>;

// A compute kernel: C++ code that processes a whole tile per call, so the inner
// loops run over rows and the compiler can vectorize them.
struct Kernel {
    // Reads the arguments once per dispatch (parameters, tables) and returns
    // the per-tile work. Empty when the kernel is a pure byte map.
    std::function<TileWork(const KernelArguments&)> prepare;

    // For kernels that turn each pixel of texture 0 into the pixel at the
    // same place in texture 1 by its value alone: the table for these
    // arguments. A chain of such dispatches runs as one pass.
    std::function<ByteMap(const KernelArguments&)> byteMap;

    // For kernels that read each source pixel at its own place only: the work
    // when every source byte is first passed through the given table. Lets a
    // chain of byte maps run inside this kernel's pass. Such kernels, and byte
    // maps, also run with one texture as both source and destination.
    std::function<TileWork(const KernelArguments&, const ByteMap&)> prepareWithSourceMap;

    // For kernels whose pixel also reads pixels of the rows around its own:
    // the work for the given bands of whole rows, each run as one tile, with
    // every source byte first passed through the table (the identity when no
    // byte maps come before). Called once per dispatch before any band runs,
    // so that a kernel that writes where it reads can keep the rows next to
    // each band as they were.
    std::function<TileWork(const KernelArguments&, const ByteMap&, const std::vector<ThreadRect>&)>
        prepareInBands;

    // For kernels whose output can be made a piece of a row at a time into
    // the caller's memory, leaving texture 1 untouched: the work, with every
    // source byte first passed through the table. Lets a pass that consumes
    // the output (packing it, say) take it without the whole picture being
    // written first.
    std::function<RowSpanWork(const KernelArguments&, const ByteMap&)> prepareRowSpans;

    bool isValid() const { return bool(prepare) || bool(byteMap) || bool(prepareInBands); }
};

} // namespace platform::compute
