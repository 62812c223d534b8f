#pragma once

#include "platform/compute/Command.h"

#include <memory>
#include <vector>

namespace platform::compute {

class BlitCommandEncoder;
class ComputeCommandEncoder;
class Device;

// Work encoded for the device, run as a whole when committed. The commands
// run in the order encoded; each one finishes before the next starts.
class CommandBuffer : public std::enable_shared_from_this<CommandBuffer> {
public:
    enum class Status {
        notEnqueued,
        committed,
        completed,
    };

    // None when no encoder can be made, or while another encoder of this
    // buffer is still open.
    std::shared_ptr<ComputeCommandEncoder> computeCommandEncoder();
    std::shared_ptr<BlitCommandEncoder> blitCommandEncoder();

    // Runs the encoded work. The calling thread takes part and comes back when
    // it is done, so waiting afterwards never blocks.
    void commit();
    void waitUntilCompleted();
    Status status() const { return m_status; }

    const std::vector<Command>& commands() const { return m_commands; }

private:
    friend class CommandQueue;
    friend class ComputeCommandEncoder;
    friend class BlitCommandEncoder;
    explicit CommandBuffer(std::shared_ptr<Device> device) : m_device(std::move(device)) {}

    void append(std::vector<Command> commands);
    void encoderEnded() { m_encoderOpen = false; }

    std::shared_ptr<Device> m_device;
    std::vector<Command> m_commands;
    bool m_encoderOpen = false;
    Status m_status = Status::notEnqueued;
};

} // namespace platform::compute
