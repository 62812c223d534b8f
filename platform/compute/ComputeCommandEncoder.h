#pragma once

#include "platform/compute/Command.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace platform::compute {

class CommandBuffer;
class ComputePipelineState;
class Texture;

// Records kernel dispatches into a command buffer. Bindings stay set from one
// dispatch to the next until replaced.
class ComputeCommandEncoder {
public:
    void setComputePipelineState(std::shared_ptr<ComputePipelineState> state);
    // Copies length bytes as the parameter at index.
    void setBytes(const void* bytes, std::size_t length, std::size_t index);
    void setTexture(std::shared_ptr<Texture> texture, std::size_t index);
    // Runs the current pipeline over threadgroups x threadsPerThreadgroup threads.
    void dispatchThreadgroups(const Size& threadgroups, const Size& threadsPerThreadgroup);
    // Hands the recorded dispatches to the command buffer.
    void endEncoding();

    const std::shared_ptr<ComputePipelineState>& computePipelineState() const { return m_pipeline; }
    const KernelArguments& currentArguments() const { return m_arguments; }

private:
    friend class CommandBuffer;
    explicit ComputeCommandEncoder(std::shared_ptr<CommandBuffer> buffer)
        : m_buffer(std::move(buffer)) {}

    std::shared_ptr<CommandBuffer> m_buffer;
    std::shared_ptr<ComputePipelineState> m_pipeline;
    KernelArguments m_arguments;
    std::vector<Command> m_recorded;
    bool m_ended = false;
};

} // namespace platform::compute
