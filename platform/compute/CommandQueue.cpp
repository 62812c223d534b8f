#include "platform/compute/CommandQueue.h"

#include "platform/compute/CommandBuffer.h"
#include "platform/compute/ComputeTestHooks.h"

namespace platform::compute {

std::shared_ptr<CommandBuffer> CommandQueue::commandBuffer() {
    if (ComputeTestHooks::hasFault(ComputeTestHooks::Fault::noCommandBuffer)) {
        return nullptr;
    }
    return std::shared_ptr<CommandBuffer>(new CommandBuffer(m_device));
}

} // namespace platform::compute
