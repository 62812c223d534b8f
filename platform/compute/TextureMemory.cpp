#include "platform/compute/TextureMemory.h"

#include "platform/compute/ThreadPool.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

namespace platform::compute {

namespace {

constexpr std::size_t hugePage = std::size_t(2) << 20;
constexpr std::size_t largeBlock = 4 * hugePage;
constexpr std::size_t maxKeptBlocks = 4;
constexpr std::size_t maxKeptBytes = std::size_t(512) << 20;

struct Mapping {
    void* mapping;
    std::size_t length;
};

std::uint8_t* alignedStart(const Mapping& m) {
    const auto address = reinterpret_cast<std::uintptr_t>(m.mapping);
    return reinterpret_cast<std::uint8_t*>((address + hugePage - 1) / hugePage * hugePage);
}

std::size_t usableBytes(const Mapping& m) {
    return m.length - std::size_t(alignedStart(m) - static_cast<std::uint8_t*>(m.mapping));
}

std::mutex& keptMutex() {
    static std::mutex m;
    return m;
}

std::vector<Mapping>& kept() {
    static std::vector<Mapping> blocks;
    return blocks;
}

// A kept block that holds bytes without wasting more than as much again.
bool takeKept(std::size_t bytes, Mapping& out) {
    std::lock_guard lock(keptMutex());
    auto& blocks = kept();
    auto best = blocks.end();
    for (auto it = blocks.begin(); it != blocks.end(); ++it) {
        const std::size_t usable = usableBytes(*it);
        if (usable >= bytes && usable / 2 <= bytes &&
            (best == blocks.end() || usable < usableBytes(*best))) {
            best = it;
        }
    }
    if (best == blocks.end()) {
        return false;
    }
    out = *best;
    blocks.erase(best);
    return true;
}

void clear(std::uint8_t* bytes, std::size_t count, ThreadPool& pool) {
    constexpr std::size_t chunk = std::size_t(1) << 20;
    pool.parallelFor((count + chunk - 1) / chunk, [&](std::size_t i) {
        const std::size_t first = i * chunk;
        std::memset(bytes + first, 0, std::min(chunk, count - first));
    });
}

} // namespace

TextureMemory TextureMemory::allocate(std::size_t bytes, ThreadPool& pool, Contents contents) {
    TextureMemory memory;
    if (bytes < largeBlock) {
        memory.m_bytes = static_cast<std::uint8_t*>(
            contents == Contents::zero ? std::calloc(bytes, 1) : std::malloc(bytes));
        return memory;
    }
    Mapping m{};
    if (takeKept(bytes, m)) {
        if (contents == Contents::zero) {
            clear(alignedStart(m), bytes, pool);
        }
    } else {
        // Over-map by one huge page so the pixels can start on a huge-page boundary.
        m.length = (bytes + hugePage - 1) / hugePage * hugePage + hugePage;
        m.mapping =
            mmap(nullptr, m.length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (m.mapping == MAP_FAILED) {
            return memory;
        }
        madvise(alignedStart(m), usableBytes(m), MADV_HUGEPAGE);
    }
    memory.m_mapping = m.mapping;
    memory.m_mappingLength = m.length;
    memory.m_bytes = alignedStart(m);
    return memory;
}

TextureMemory TextureMemory::borrow(std::uint8_t* bytes) {
    TextureMemory memory;
    memory.m_bytes = bytes;
    memory.m_borrowed = bytes != nullptr;
    return memory;
}

TextureMemory::~TextureMemory() {
    release();
}

TextureMemory::TextureMemory(TextureMemory&& other) noexcept
    : m_bytes(std::exchange(other.m_bytes, nullptr)),
      m_borrowed(std::exchange(other.m_borrowed, false)),
      m_mapping(std::exchange(other.m_mapping, nullptr)),
      m_mappingLength(std::exchange(other.m_mappingLength, 0)) {}

TextureMemory& TextureMemory::operator=(TextureMemory&& other) noexcept {
    if (this != &other) {
        release();
        m_bytes = std::exchange(other.m_bytes, nullptr);
        m_borrowed = std::exchange(other.m_borrowed, false);
        m_mapping = std::exchange(other.m_mapping, nullptr);
        m_mappingLength = std::exchange(other.m_mappingLength, 0);
    }
    return *this;
}

void TextureMemory::release() {
    if (m_borrowed) {
        // Not ours to free.
    } else if (m_mapping != nullptr) {
        const Mapping m{m_mapping, m_mappingLength};
        bool keep = false;
        {
            std::lock_guard lock(keptMutex());
            auto& blocks = kept();
            std::size_t total = m.length;
            for (const Mapping& k : blocks) {
                total += k.length;
            }
            keep = blocks.size() < maxKeptBlocks && total <= maxKeptBytes;
            if (keep) {
                // The system may take the pages back whenever it needs them.
                madvise(alignedStart(m), usableBytes(m), MADV_FREE);
                blocks.push_back(m);
            }
        }
        if (!keep) {
            munmap(m.mapping, m.length);
        }
    } else {
        std::free(m_bytes);
    }
    m_bytes = nullptr;
    m_borrowed = false;
    m_mapping = nullptr;
    m_mappingLength = 0;
}

} // namespace platform::compute
