#include "platform/compute/TextureMemory.h"

#include "platform/compute/Device.h"
#include "platform/compute/ThreadPool.h"

#include <sys/mman.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
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

// Never destroyed: a block may still be faulted in on its own thread while
// the process exits.
std::mutex& keptMutex() {
    static auto* m = new std::mutex;
    return *m;
}

std::condition_variable& keptChanged() {
    static auto* c = new std::condition_variable;
    return *c;
}

std::vector<Mapping>& kept() {
    static auto* blocks = new std::vector<Mapping>;
    return *blocks;
}

// The usable sizes of the blocks being faulted in ahead of their use.
std::vector<std::size_t>& preparing() {
    static auto* sizes = new std::vector<std::size_t>;
    return *sizes;
}

bool fits(std::size_t usable, std::size_t bytes) {
    return usable >= bytes && usable / 2 <= bytes;
}

std::size_t roundedToHugePages(std::size_t bytes) {
    return (bytes + hugePage - 1) / hugePage * hugePage;
}

// As a block mapped for bytes is: their huge pages and at most one more.
bool fitsExactly(std::size_t usable, std::size_t bytes) {
    return usable >= bytes && usable <= roundedToHugePages(bytes) + hugePage;
}

// A kept block that holds bytes without wasting more than as much again, or
// of their own size only. One that fits and is still being faulted in is
// waited for: it is further along than fresh memory would be.
bool takeKept(std::size_t bytes, bool exactly, Mapping& out) {
    auto fitting = [&](std::size_t usable) {
        return exactly ? fitsExactly(usable, bytes) : fits(usable, bytes);
    };
    std::unique_lock lock(keptMutex());
    auto& blocks = kept();
    for (;;) {
        auto best = blocks.end();
        for (auto it = blocks.begin(); it != blocks.end(); ++it) {
            const std::size_t usable = usableBytes(*it);
            if (fitting(usable) && (best == blocks.end() || usable < usableBytes(*best))) {
                best = it;
            }
        }
        if (best != blocks.end()) {
            out = *best;
            blocks.erase(best);
            return true;
        }
        const auto& pending = preparing();
        if (std::none_of(pending.begin(), pending.end(), fitting)) {
            return false;
        }
        keptChanged().wait(lock);
    }
}

bool mapBlock(std::size_t bytes, Mapping& m) {
    // Over-map by one huge page so the pixels can start on a huge-page boundary.
    m.length = roundedToHugePages(bytes) + hugePage;
    m.mapping = mmap(nullptr, m.length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m.mapping == MAP_FAILED) {
        return false;
    }
    madvise(alignedStart(m), usableBytes(m), MADV_HUGEPAGE);
    return true;
}

// Keeps the block for the next texture if there is room; the caller holds
// the lock. The system may take its pages back when it needs them, so kept
// memory costs nothing when memory is short.
bool keep(const Mapping& m) {
    auto& blocks = kept();
    std::size_t total = m.length;
    for (const Mapping& k : blocks) {
        total += k.length;
    }
    if (blocks.size() >= maxKeptBlocks || total > maxKeptBytes) {
        return false;
    }
    madvise(alignedStart(m), usableBytes(m), MADV_FREE);
    blocks.push_back(m);
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

TextureMemory TextureMemory::allocate(std::size_t bytes, ThreadPool& pool, Contents contents,
                                      Lifetime lifetime) {
    TextureMemory memory;
    if (bytes < largeBlock) {
        memory.m_bytes = static_cast<std::uint8_t*>(
            contents == Contents::zero ? std::calloc(bytes, 1) : std::malloc(bytes));
        return memory;
    }
    Mapping m{};
    if (takeKept(bytes, lifetime == Lifetime::lasting, m)) {
        if (contents == Contents::zero) {
            clear(alignedStart(m), bytes, pool);
        }
    } else if (!mapBlock(bytes, m)) {
        return memory;
    }
    memory.m_mapping = m.mapping;
    memory.m_mappingLength = m.length;
    memory.m_bytes = alignedStart(m);
    return memory;
}

void TextureMemory::prepare(std::size_t bytes) {
    // A block too large to keep is not faulted in for nothing.
    if (bytes < largeBlock || roundedToHugePages(bytes) + hugePage > maxKeptBytes) {
        return;
    }
    const std::size_t usable = roundedToHugePages(bytes);
    {
        std::lock_guard lock(keptMutex());
        const auto& blocks = kept();
        auto& pending = preparing();
        if (std::any_of(blocks.begin(), blocks.end(),
                        [&](const Mapping& m) { return fits(usableBytes(m), bytes); }) ||
            std::any_of(pending.begin(), pending.end(),
                        [&](std::size_t u) { return fits(u, bytes); })) {
            return;
        }
        pending.push_back(usable);
    }
    // Faulted in on all compute workers: a print that follows at once waits
    // for the block, and one thread alone takes many times as long (the
    // system zeroes, and may first have to gather, every huge page).
    std::thread([bytes, usable, device = Device::systemDefault()] {
        Mapping m{};
        const bool mapped = mapBlock(bytes, m);
        if (mapped) {
            // One write a page faults it in; a huge page is faulted whole.
            constexpr std::size_t page = 4096;
            volatile std::uint8_t* start = alignedStart(m);
            const std::size_t length = usableBytes(m);
            auto fault = [&](std::size_t part) {
                const std::size_t end = std::min(length, (part + 1) * hugePage);
                for (std::size_t i = part * hugePage; i < end; i += page) {
                    start[i] = 0;
                }
            };
            const std::size_t parts = (length + hugePage - 1) / hugePage;
            if (device) {
                device->threadPool().parallelFor(parts, fault);
            } else {
                for (std::size_t part = 0; part < parts; ++part) {
                    fault(part);
                }
            }
        }
        bool held = false;
        {
            std::lock_guard lock(keptMutex());
            auto& pending = preparing();
            pending.erase(std::find(pending.begin(), pending.end(), usable));
            held = mapped && keep(m);
        }
        keptChanged().notify_all();
        if (mapped && !held) {
            munmap(m.mapping, m.length);
        }
    }).detach();
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
        bool held = false;
        {
            std::lock_guard lock(keptMutex());
            held = keep(m);
        }
        if (held) {
            keptChanged().notify_all();
        } else {
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
