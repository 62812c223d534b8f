#pragma once

#include "platform/compute/Region.h"
#include "platform/compute/TextureDescriptor.h"
#include "platform/compute/TextureMemory.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform::compute {

class Device;

// A two-dimensional picture of one byte per pixel in the compute layer's
// memory. Rows are packed: row y starts at data() + y * bytesPerRow().
class Texture {
public:
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    std::size_t width() const { return m_width; }
    std::size_t height() const { return m_height; }
    Size size() const { return Size{m_width, m_height, 1}; }
    PixelFormat pixelFormat() const { return m_format; }
    TextureUsage usage() const { return m_usage; }
    std::size_t bytesPerRow() const { return m_width; }

    // Kernels read and write rows directly.
    std::uint8_t* data() { return m_bytes; }
    const std::uint8_t* data() const { return m_bytes; }
    std::uint8_t* row(std::size_t y) { return m_bytes + y * m_width; }
    const std::uint8_t* row(std::size_t y) const { return m_bytes + y * m_width; }

    // Writes a region from rows of bytesPerRow bytes each. The part of the
    // region outside the texture is skipped; a stride shorter than the
    // region's width, a mipmap level other than 0 or no bytes write nothing.
    // Returns whether anything was written.
    bool replaceRegion(const Region& region, std::size_t mipmapLevel, const void* bytes,
                       std::size_t bytesPerRow);
    // Reads a region into rows of bytesPerRow bytes each, with the same limits.
    bool getBytes(void* bytes, std::size_t bytesPerRow, const Region& region,
                  std::size_t mipmapLevel) const;

private:
    friend class Device;
    Texture(std::shared_ptr<Device> device, const TextureDescriptor& descriptor,
            TextureMemory memory);

    // Copies rows, in parallel when there are many.
    void copyRows(const std::uint8_t* from, std::size_t fromStride, std::uint8_t* to,
                  std::size_t toStride, std::size_t rowBytes, std::size_t rows) const;

    std::shared_ptr<Device> m_device;
    std::size_t m_width;
    std::size_t m_height;
    PixelFormat m_format;
    TextureUsage m_usage;
    TextureMemory m_memory;
    std::uint8_t* m_bytes;
};

} // namespace platform::compute
