#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::compute {

enum class PixelFormat {
    // One 8-bit unsigned normalised channel: byte 0 is 0.0 and byte 255 is 1.0 in a kernel.
    r8Unorm,
};

enum class TextureUsage : std::uint32_t {
    unknown = 0,
    shaderRead = 1,
    shaderWrite = 2,
};

constexpr TextureUsage operator|(TextureUsage a, TextureUsage b) {
    return TextureUsage(std::uint32_t(a) | std::uint32_t(b));
}

// What a new texture is to be: always two-dimensional here.
struct TextureDescriptor {
    PixelFormat pixelFormat = PixelFormat::r8Unorm;
    std::size_t width = 0;
    std::size_t height = 0;
    bool mipmapped = false;
    TextureUsage usage = TextureUsage::shaderRead;

    static TextureDescriptor texture2D(PixelFormat format, std::size_t width, std::size_t height,
                                       bool mipmapped) {
        return TextureDescriptor{format, width, height, mipmapped, TextureUsage::shaderRead};
    }
};

} // namespace platform::compute
