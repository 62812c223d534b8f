#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::compute {

class ThreadPool;

// The zero-filled pixel memory of one texture. Small blocks come from the
// heap. Large ones are mapped directly, aligned for huge pages, and a few of
// them are kept after release for the next texture of a like size: a
// conversion makes and drops two page-sized textures per call, and mapping
// fresh memory each time costs more page faults than the work itself. Kept
// blocks are handed back to the system lazily, when it needs the memory.
class TextureMemory {
public:
    enum class Contents {
        zero,
        // For memory its user overwrites whole before reading: reused blocks
        // are handed out as they are, without a pass that clears them.
        undefined,
    };

    enum class Lifetime {
        // Made and dropped by the work at hand: takes a kept block that holds
        // it without wasting more than as much again.
        transient,
        // Held past the work at hand (a picture kept from print to print):
        // takes only a kept block of its own size, so that one kept for a
        // larger page stays there for that page.
        lasting,
    };

    TextureMemory() = default;
    // Empty when there is no memory for it. Reused memory is cleared on the
    // pool's workers unless the contents may be left undefined.
    static TextureMemory allocate(std::size_t bytes, ThreadPool& pool,
                                  Contents contents = Contents::zero,
                                  Lifetime lifetime = Lifetime::transient);
    // Maps a block for bytes and faults it in, from a thread of its own on
    // all compute workers, then keeps it for the next allocation of a like
    // size, so that the first large texture does not pay for fresh memory.
    // An allocation that would take it while it is still being faulted in
    // waits for it. Nothing happens if a block that fits is kept or on its
    // way already.
    static void prepare(std::size_t bytes);
    // Memory that belongs to someone else, who keeps it alive for as long as
    // this is used; it is never freed here.
    static TextureMemory borrow(std::uint8_t* bytes);

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
    bool m_borrowed = false;
    void* m_mapping = nullptr;
    std::size_t m_mappingLength = 0;
};

} // namespace platform::compute
