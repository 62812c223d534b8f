#include "platform/graphics/PageImage.h"

#include "platform/compute/TextureMemory.h"

namespace platform {

QImage PageImage::gray(int width, int height, qsizetype bytesPerLine, compute::ThreadPool& pool,
                       compute::TextureMemory::Lifetime lifetime) {
    using compute::TextureMemory;
    if (width < 1 || height < 1 || bytesPerLine < width) {
        return {};
    }
    TextureMemory memory =
        TextureMemory::allocate(std::size_t(bytesPerLine) * std::size_t(height), pool,
                                TextureMemory::Contents::undefined, lifetime);
    if (!memory) {
        return {};
    }
    auto* owner = new TextureMemory(std::move(memory));
    return QImage(
        owner->bytes(), width, height, bytesPerLine, QImage::Format_Grayscale8,
        [](void* p) { delete static_cast<TextureMemory*>(p); }, owner);
}

} // namespace platform
