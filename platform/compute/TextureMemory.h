#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::compute {

// The zero-filled pixel memory of one texture. Large blocks are mapped
// directly, aligned for huge pages, so the first touch of a big picture costs
// few page faults; small ones come from the heap.
class TextureMemory {
public:
    TextureMemory() = default;
    // Empty when there is no memory for it.
    static TextureMemory allocate(std::size_t bytes);

    ~TextureMemory();
    TextureMemory(TextureMemory&& other) noexcept;
    TextureMemory& operator=(TextureMemory&& other) noexcept;
    TextureMemory(const TextureMemory&) = delete;
    TextureMemory& operator=(const TextureMemory&) = delete;

    std::uint8_t* bytes() const { return m_bytes; }
    explicit operator bool() const { return m_bytes != nullptr; }

private:
    void release();

    std::uint8_t* m_bytes = nullptr;
    void* m_mapping = nullptr;
    std::size_t m_mappingLength = 0;
};

} // namespace platform::compute
