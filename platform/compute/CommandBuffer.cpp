#include "platform/compute/CommandBuffer.h"

#include "platform/Log.h"
#include "platform/compute/BlitCommandEncoder.h"
#include "platform/compute/CommandExecutor.h"
#include "platform/compute/ComputeCommandEncoder.h"
#include "platform/compute/ComputeTestHooks.h"

namespace platform::compute {

std::shared_ptr<ComputeCommandEncoder> CommandBuffer::computeCommandEncoder() {
    if (m_encoderOpen || m_status != Status::notEnqueued ||
        ComputeTestHooks::hasFault(ComputeTestHooks::Fault::noComputeEncoder)) {
        return nullptr;
    }
    m_encoderOpen = true;
    return std::shared_ptr<ComputeCommandEncoder>(new ComputeCommandEncoder(shared_from_this()));
}

std::shared_ptr<BlitCommandEncoder> CommandBuffer::blitCommandEncoder() {
    if (m_encoderOpen || m_status != Status::notEnqueued ||
        ComputeTestHooks::hasFault(ComputeTestHooks::Fault::noBlitEncoder)) {
        return nullptr;
    }
    m_encoderOpen = true;
    return std::shared_ptr<BlitCommandEncoder>(new BlitCommandEncoder(shared_from_this()));
}

void CommandBuffer::append(std::vector<Command> commands) {
    for (auto& command : commands) {
        m_commands.push_back(std::move(command));
    }
}

void CommandBuffer::commit() {
    if (m_encoderOpen || m_status != Status::notEnqueued) {
        Log::fatal(QStringLiteral("command buffer committed twice or with an open encoder"));
    }
    m_status = Status::committed;
    CommandExecutor(*m_device).run(m_commands);
    m_status = Status::completed;
}

void CommandBuffer::waitUntilCompleted() {
    if (m_status == Status::notEnqueued) {
        Log::fatal(QStringLiteral("waiting for a command buffer that was never committed"));
    }
}

} // namespace platform::compute
