#include "platform/compute/Device.h"

#include "platform/Bundle.h"
#include "platform/compute/CommandQueue.h"
#include "platform/compute/ComputeError.h"
#include "platform/compute/ComputeTestHooks.h"
#include "platform/compute/KernelRegistry.h"

#include <limits>

namespace platform::compute {

std::shared_ptr<Device> Device::systemDefault() {
    if (ComputeTestHooks::hasFault(ComputeTestHooks::Fault::noDevice)) {
        return nullptr;
    }
    // Made once and kept for the life of the process, so its workers are
    // started only once.
    static const std::shared_ptr<Device> device(new Device);
    return device;
}

std::shared_ptr<CommandQueue> Device::newCommandQueue() {
    if (ComputeTestHooks::hasFault(ComputeTestHooks::Fault::noCommandQueue)) {
        return nullptr;
    }
    return std::shared_ptr<CommandQueue>(new CommandQueue(shared_from_this()));
}

namespace {

bool canMake(const TextureDescriptor& descriptor) {
    return !ComputeTestHooks::hasFault(ComputeTestHooks::Fault::noTexture) &&
           descriptor.width != 0 && descriptor.height != 0 && !descriptor.mipmapped &&
           descriptor.pixelFormat == PixelFormat::r8Unorm &&
           descriptor.height <= std::numeric_limits<std::size_t>::max() / 2 / descriptor.width;
}

} // namespace

std::shared_ptr<Texture> Device::newTexture(const TextureDescriptor& descriptor,
                                            TextureMemory::Contents contents) {
    if (!canMake(descriptor)) {
        return nullptr;
    }
    TextureMemory memory =
        TextureMemory::allocate(descriptor.width * descriptor.height, m_pool, contents);
    if (!memory) {
        return nullptr;
    }
    return std::shared_ptr<Texture>(new Texture(shared_from_this(), descriptor, std::move(memory)));
}

std::shared_ptr<Texture> Device::newTexture(const TextureDescriptor& descriptor,
                                            std::uint8_t* bytes) {
    if (bytes == nullptr || !canMake(descriptor)) {
        return nullptr;
    }
    return std::shared_ptr<Texture>(
        new Texture(shared_from_this(), descriptor, TextureMemory::borrow(bytes)));
}

std::shared_ptr<Library> Device::newDefaultLibrary(const Bundle* bundle) {
    auto kernels = KernelRegistry::kernels(bundle);
    if (!kernels) {
        throw ComputeError(ComputeError::Code::noDefaultLibrary,
                           QStringLiteral("No compute kernels are available in \u201c%1\u201d.")
                               .arg(bundle != nullptr ? bundle->name() : QString()));
    }
    return std::make_shared<Library>(std::move(*kernels));
}

std::shared_ptr<ComputePipelineState>
Device::newComputePipelineState(const KernelFunction& function) {
    if (!function.kernel().isValid()) {
        throw ComputeError(
            ComputeError::Code::invalidKernel,
            QStringLiteral("The compute kernel \u201c%1\u201d cannot run.").arg(function.name()));
    }
    return std::make_shared<ComputePipelineState>(function.name(), function.kernel());
}

} // namespace platform::compute
