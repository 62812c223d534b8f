#pragma once

#include <QImage>

#include <cstddef>
#include <optional>

namespace platform {

class SharedMemory;

// A mapping of shared memory into this process; unmapped when it goes.
class SharedMapping {
public:
    SharedMapping() = default;
    ~SharedMapping();
    SharedMapping(SharedMapping&& other) noexcept;
    SharedMapping& operator=(SharedMapping&& other) noexcept;
    SharedMapping(const SharedMapping&) = delete;
    SharedMapping& operator=(const SharedMapping&) = delete;

    // The whole region, for reading only or for reading and writing;
    // nothing when it cannot be mapped. An empty region maps to nothing
    // but still succeeds.
    static std::optional<SharedMapping> map(const SharedMemory& memory, bool writable);

    unsigned char* data() const { return m_data; }
    std::size_t size() const { return m_size; }

    // An image over the mapped bytes, which it unmaps when its last copy
    // goes; null (and the mapping gone) when the layout does not fit the
    // region or the image cannot be made.
    static QImage intoImage(SharedMapping mapping, int width, int height, qsizetype bytesPerLine,
                            QImage::Format format);

private:
    unsigned char* m_data = nullptr;
    std::size_t m_size = 0;
};

} // namespace platform
