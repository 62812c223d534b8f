#pragma once

#include <memory>

namespace platform::compute {

class CommandBuffer;
class Device;

// Hands out command buffers of one device.
class CommandQueue {
public:
    const std::shared_ptr<Device>& device() const { return m_device; }
    // None when no command buffer can be made.
    std::shared_ptr<CommandBuffer> commandBuffer();

private:
    friend class Device;
    explicit CommandQueue(std::shared_ptr<Device> device) : m_device(std::move(device)) {}

    std::shared_ptr<Device> m_device;
};

} // namespace platform::compute
