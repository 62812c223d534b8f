#include "platform/compute/Texture.h"

#include "platform/compute/Device.h"

#include <algorithm>
#include <cstring>

namespace platform::compute {

Texture::Texture(std::shared_ptr<Device> device, const TextureDescriptor& descriptor,
                 TextureMemory memory)
    : m_device(std::move(device)), m_width(descriptor.width), m_height(descriptor.height),
      m_format(descriptor.pixelFormat), m_usage(descriptor.usage), m_memory(std::move(memory)),
      m_bytes(m_memory.bytes()) {}

namespace {

// The part of a region that lies inside a width x height texture, or none.
bool clip(const Region& region, std::size_t width, std::size_t height, Region& inside) {
    if (region.origin.z != 0 || region.size.depth == 0 || region.origin.x >= width ||
        region.origin.y >= height) {
        return false;
    }
    inside = region;
    inside.size.width = std::min(region.size.width, width - region.origin.x);
    inside.size.height = std::min(region.size.height, height - region.origin.y);
    inside.size.depth = 1;
    return inside.size.width > 0 && inside.size.height > 0;
}

} // namespace

void Texture::copyRows(const std::uint8_t* from, std::size_t fromStride, std::uint8_t* to,
                       std::size_t toStride, std::size_t rowBytes, std::size_t rows) const {
    // Large pictures are copied by all workers: the copy itself and the first
    // touch of fresh pages are both worth spreading.
    constexpr std::size_t bytesPerTask = std::size_t(1) << 20;
    const std::size_t total = rowBytes * rows;
    if (total < 4 * bytesPerTask) {
        for (std::size_t y = 0; y < rows; ++y) {
            std::memcpy(to + y * toStride, from + y * fromStride, rowBytes);
        }
        return;
    }
    const std::size_t rowsPerTask = std::max<std::size_t>(1, bytesPerTask / rowBytes);
    const std::size_t tasks = (rows + rowsPerTask - 1) / rowsPerTask;
    m_device->threadPool().parallelFor(tasks, [&](std::size_t t) {
        const std::size_t first = t * rowsPerTask;
        const std::size_t last = std::min(rows, first + rowsPerTask);
        if (fromStride == rowBytes && toStride == rowBytes) {
            std::memcpy(to + first * rowBytes, from + first * rowBytes, (last - first) * rowBytes);
            return;
        }
        for (std::size_t y = first; y < last; ++y) {
            std::memcpy(to + y * toStride, from + y * fromStride, rowBytes);
        }
    });
}

bool Texture::replaceRegion(const Region& region, std::size_t mipmapLevel, const void* bytes,
                            std::size_t bytesPerRow) {
    Region inside;
    if (mipmapLevel != 0 || bytes == nullptr || bytesPerRow < region.size.width ||
        !clip(region, m_width, m_height, inside)) {
        return false;
    }
    copyRows(static_cast<const std::uint8_t*>(bytes), bytesPerRow,
             row(inside.origin.y) + inside.origin.x, m_width, inside.size.width,
             inside.size.height);
    return true;
}

bool Texture::getBytes(void* bytes, std::size_t bytesPerRow, const Region& region,
                       std::size_t mipmapLevel) const {
    Region inside;
    if (mipmapLevel != 0 || bytes == nullptr || bytesPerRow < region.size.width ||
        !clip(region, m_width, m_height, inside)) {
        return false;
    }
    copyRows(row(inside.origin.y) + inside.origin.x, m_width, static_cast<std::uint8_t*>(bytes),
             bytesPerRow, inside.size.width, inside.size.height);
    return true;
}

} // namespace platform::compute
