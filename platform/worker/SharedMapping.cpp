#include "platform/worker/SharedMapping.h"

#include "platform/worker/SharedMemory.h"

#include <sys/mman.h>

#include <utility>

namespace platform {

namespace {

struct Unmapped {
    void* data;
    std::size_t size;
};

} // namespace

SharedMapping::~SharedMapping() {
    if (m_data) {
        munmap(m_data, m_size);
    }
}

SharedMapping::SharedMapping(SharedMapping&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)) {}

SharedMapping& SharedMapping::operator=(SharedMapping&& other) noexcept {
    if (this != &other) {
        if (m_data) {
            munmap(m_data, m_size);
        }
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

std::optional<SharedMapping> SharedMapping::map(const SharedMemory& memory, bool writable) {
    SharedMapping mapping;
    if (memory.size() == 0) {
        return mapping;
    }
    void* data = mmap(nullptr, memory.size(), writable ? PROT_READ | PROT_WRITE : PROT_READ,
                      MAP_SHARED, memory.fd(), 0);
    if (data == MAP_FAILED) {
        return std::nullopt;
    }
    mapping.m_data = static_cast<unsigned char*>(data);
    mapping.m_size = memory.size();
    return mapping;
}

QImage SharedMapping::intoImage(SharedMapping mapping, int width, int height,
                                qsizetype bytesPerLine, QImage::Format format) {
    const qint64 depth = QImage::toPixelFormat(format).bitsPerPixel() / 8;
    if (width < 1 || height < 1 || depth < 1 || bytesPerLine < qint64(width) * depth ||
        qint64(bytesPerLine) > qint64(mapping.m_size) / height) {
        return {};
    }
    auto* kept =
        new Unmapped{std::exchange(mapping.m_data, nullptr), std::exchange(mapping.m_size, 0)};
    QImage image(
        static_cast<const uchar*>(kept->data), width, height, bytesPerLine, format,
        [](void* p) {
            auto* unmapped = static_cast<Unmapped*>(p);
            munmap(unmapped->data, unmapped->size);
            delete unmapped;
        },
        kept);
    if (image.isNull()) {
        munmap(kept->data, kept->size);
        delete kept;
    }
    return image;
}

} // namespace platform
