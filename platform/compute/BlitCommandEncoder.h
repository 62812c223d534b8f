#pragma once

#include "platform/compute/Command.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace platform::compute {

class CommandBuffer;
class Texture;

// Records texture copies into a command buffer.
class BlitCommandEncoder {
public:
    // Copies a box of pixels from slice 0 of one texture to slice 0 of
    // another, at mipmap level 0 (the only level there is). Pixels beyond
    // either texture are skipped.
    void copyFromTexture(std::shared_ptr<Texture> source, std::size_t sourceSlice,
                         std::size_t sourceLevel, const Origin& sourceOrigin, const Size& size,
                         std::shared_ptr<Texture> destination, std::size_t destinationSlice,
                         std::size_t destinationLevel, const Origin& destinationOrigin);
    void endEncoding();

private:
    friend class CommandBuffer;
    explicit BlitCommandEncoder(std::shared_ptr<CommandBuffer> buffer)
        : m_buffer(std::move(buffer)) {}

    std::shared_ptr<CommandBuffer> m_buffer;
    std::vector<Command> m_recorded;
    bool m_ended = false;
};

} // namespace platform::compute
