#include "platform/worker/SharedMemory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <utility>

namespace platform {

SharedMemory::~SharedMemory() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

SharedMemory::SharedMemory(SharedMemory&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_size(std::exchange(other.m_size, 0)) {}

SharedMemory& SharedMemory::operator=(SharedMemory&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = std::exchange(other.m_fd, -1);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

std::optional<SharedMemory> SharedMemory::create(const char* name, std::size_t bytes) {
    const int fd = memfd_create(name, MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0) {
        return std::nullopt;
    }
    SharedMemory memory(fd, bytes);
    if (ftruncate(fd, off_t(bytes)) != 0 ||
        fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW) != 0) {
        return std::nullopt;
    }
    return memory;
}

std::optional<SharedMemory> SharedMemory::sealedCopy(const char* name, QByteArrayView bytes) {
    auto memory = create(name, std::size_t(bytes.size()));
    if (!memory) {
        return std::nullopt;
    }
    // Written through a mapping of its own, which goes before the file is
    // sealed against writes (a writable mapping would keep that seal off).
    if (!bytes.isEmpty()) {
        void* data =
            mmap(nullptr, memory->size(), PROT_READ | PROT_WRITE, MAP_SHARED, memory->fd(), 0);
        if (data == MAP_FAILED) {
            return std::nullopt;
        }
        std::memcpy(data, bytes.data(), memory->size());
        munmap(data, memory->size());
    }
    if (fcntl(memory->fd(), F_ADD_SEALS, F_SEAL_WRITE | F_SEAL_SEAL) != 0) {
        return std::nullopt;
    }
    return memory;
}

std::optional<SharedMemory> SharedMemory::adopt(int fd, std::size_t bytes) {
    SharedMemory memory(fd, bytes);
    struct stat status {};
    if (fd < 0 || fstat(fd, &status) != 0 || status.st_size < 0 ||
        std::size_t(status.st_size) < bytes) {
        return std::nullopt;
    }
    return memory;
}

} // namespace platform
