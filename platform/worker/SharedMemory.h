#pragma once

#include <QByteArrayView>

#include <cstddef>
#include <optional>

namespace platform {

// Memory shared with a picture worker: an anonymous memory file that each
// side maps, so that a document's bytes and the pixels drawn from it cross
// between the processes without being copied through their socket. Owns
// its file descriptor.
class SharedMemory {
public:
    SharedMemory() = default;
    ~SharedMemory();
    SharedMemory(SharedMemory&& other) noexcept;
    SharedMemory& operator=(SharedMemory&& other) noexcept;
    SharedMemory(const SharedMemory&) = delete;
    SharedMemory& operator=(const SharedMemory&) = delete;

    // A zero-filled region of the size whose size is sealed: the other side
    // may write into it but can neither shrink it under this side's mapping
    // nor grow it. Nothing when the system gives no such memory.
    static std::optional<SharedMemory> create(const char* name, std::size_t bytes);
    // A region holding a copy of the bytes, sealed against any change.
    static std::optional<SharedMemory> sealedCopy(const char* name, QByteArrayView bytes);
    // A region received from the other side; nothing when the file is not
    // at least `bytes` long.
    static std::optional<SharedMemory> adopt(int fd, std::size_t bytes);

    int fd() const { return m_fd; }
    std::size_t size() const { return m_size; }

private:
    SharedMemory(int fd, std::size_t size) : m_fd(fd), m_size(size) {}

    int m_fd = -1;
    std::size_t m_size = 0;
};

} // namespace platform
