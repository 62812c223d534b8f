#pragma once

#include "platform/compute/ComputePipelineState.h"
#include "platform/compute/Library.h"
#include "platform/compute/Texture.h"
#include "platform/compute/TextureDescriptor.h"
#include "platform/compute/ThreadPool.h"

#include <memory>

namespace platform {
class Bundle;
}

namespace platform::compute {

class CommandQueue;

// The machine's compute device: the processor cores, reached through the
// compute layer's own thread pool.
class Device : public std::enable_shared_from_this<Device> {
public:
    // The one device of the process, or none when there is none to use.
    static std::shared_ptr<Device> systemDefault();

    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    // None when no queue can be made.
    std::shared_ptr<CommandQueue> newCommandQueue();
    // None when the descriptor asks for what cannot be made (an empty or
    // mipmapped texture) or there is no memory for it.
    std::shared_ptr<Texture>
    newTexture(const TextureDescriptor& descriptor,
               TextureMemory::Contents contents = TextureMemory::Contents::zero);
    // A texture whose pixels are the caller's packed rows, used where they
    // are without a copy; the caller keeps them alive while the texture
    // lives. None for what newTexture refuses or no bytes.
    std::shared_ptr<Texture> newTexture(const TextureDescriptor& descriptor, std::uint8_t* bytes);
    // The kernels registered for the bundle; a ComputeError when it has none.
    std::shared_ptr<Library> newDefaultLibrary(const Bundle* bundle);
    // A new pipeline for the function; a ComputeError when its kernel can do nothing.
    std::shared_ptr<ComputePipelineState> newComputePipelineState(const KernelFunction& function);

    ThreadPool& threadPool() { return m_pool; }

private:
    Device() = default;

    ThreadPool m_pool;
};

} // namespace platform::compute
