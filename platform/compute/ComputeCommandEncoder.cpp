#include "platform/compute/ComputeCommandEncoder.h"

#include "platform/Log.h"
#include "platform/compute/CommandBuffer.h"

namespace platform::compute {

void ComputeCommandEncoder::setComputePipelineState(std::shared_ptr<ComputePipelineState> state) {
    m_pipeline = std::move(state);
}

void ComputeCommandEncoder::setBytes(const void* bytes, std::size_t length, std::size_t index) {
    if (index >= KernelArguments::maxBuffers || (bytes == nullptr && length > 0)) {
        Log::fatal(QStringLiteral("compute encoder: parameter %1 cannot be bound").arg(index));
    }
    const auto* first = static_cast<const std::uint8_t*>(bytes);
    m_arguments.buffers[index] = std::vector<std::uint8_t>(first, first + length);
}

void ComputeCommandEncoder::setTexture(std::shared_ptr<Texture> texture, std::size_t index) {
    if (index >= KernelArguments::maxTextures) {
        Log::fatal(QStringLiteral("compute encoder: texture %1 cannot be bound").arg(index));
    }
    m_arguments.textures[index] = std::move(texture);
}

void ComputeCommandEncoder::dispatchThreadgroups(const Size& threadgroups,
                                                 const Size& threadsPerThreadgroup) {
    if (m_ended || !m_pipeline) {
        Log::fatal(QStringLiteral("compute encoder: dispatch without a pipeline or after the end"));
    }
    KernelArguments arguments = m_arguments;
    arguments.threadgroups = threadgroups;
    arguments.threadsPerThreadgroup = threadsPerThreadgroup;
    m_recorded.push_back(DispatchCommand{m_pipeline, std::move(arguments)});
}

void ComputeCommandEncoder::endEncoding() {
    if (m_ended) {
        return;
    }
    m_ended = true;
    m_buffer->append(std::move(m_recorded));
    m_recorded.clear();
    m_buffer->encoderEnded();
}

} // namespace platform::compute
