#include "platform/compute/TextureMemory.h"

#include <sys/mman.h>

#include <cstdlib>
#include <utility>

namespace platform::compute {

namespace {
constexpr std::size_t hugePage = std::size_t(2) << 20;
}

TextureMemory TextureMemory::allocate(std::size_t bytes) {
    TextureMemory memory;
    if (bytes < 4 * hugePage) {
        memory.m_bytes = static_cast<std::uint8_t*>(std::calloc(bytes, 1));
        return memory;
    }
    // Over-map by one huge page so the pixels can start on a huge-page boundary.
    const std::size_t length = (bytes + hugePage - 1) / hugePage * hugePage + hugePage;
    void* mapping =
        mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) {
        return memory;
    }
    const auto address = reinterpret_cast<std::uintptr_t>(mapping);
    const std::uintptr_t aligned = (address + hugePage - 1) / hugePage * hugePage;
    madvise(reinterpret_cast<void*>(aligned), length - (aligned - address), MADV_HUGEPAGE);
    memory.m_mapping = mapping;
    memory.m_mappingLength = length;
    memory.m_bytes = reinterpret_cast<std::uint8_t*>(aligned);
    return memory;
}

TextureMemory::~TextureMemory() {
    release();
}

TextureMemory::TextureMemory(TextureMemory&& other) noexcept
    : m_bytes(std::exchange(other.m_bytes, nullptr)),
      m_mapping(std::exchange(other.m_mapping, nullptr)),
      m_mappingLength(std::exchange(other.m_mappingLength, 0)) {}

TextureMemory& TextureMemory::operator=(TextureMemory&& other) noexcept {
    if (this != &other) {
        release();
        m_bytes = std::exchange(other.m_bytes, nullptr);
        m_mapping = std::exchange(other.m_mapping, nullptr);
        m_mappingLength = std::exchange(other.m_mappingLength, 0);
    }
    return *this;
}

void TextureMemory::release() {
    if (m_mapping != nullptr) {
        munmap(m_mapping, m_mappingLength);
    } else {
        std::free(m_bytes);
    }
    m_bytes = nullptr;
    m_mapping = nullptr;
    m_mappingLength = 0;
}

} // namespace platform::compute
