#include "platform/RegularFile.h"

#include "platform/AllocatorTuning.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

std::optional<QByteArray> failed(int* error, int number) {
    if (error) {
        *error = number;
    }
    return std::nullopt;
}

} // namespace

std::optional<QByteArray> RegularFile::read(const QString& path, qint64 maximumSize, Links links,
                                            int* error) {
    // The system reads a path only up to a NUL (as a URL's "%00" gives it):
    // the file it would open is not the one named.
    if (path.isEmpty() || path.contains(QChar(0))) {
        return failed(error, ENOENT);
    }
    const QByteArray native = QFile::encodeName(path);
    int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    if (links == Links::refuse) {
        flags |= O_NOFOLLOW;
    }
    // Non-blocking, so that a named pipe in place of a file cannot hang the open.
    const Descriptor file{::open(native.constData(), flags)};
    if (file.fd < 0) {
        return failed(error, errno);
    }
    struct stat st {};
    if (::fstat(file.fd, &st) != 0) {
        return failed(error, errno);
    }
    if (!S_ISREG(st.st_mode)) {
        return failed(error, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    }
    if (st.st_size > maximumSize) {
        return failed(error, EFBIG);
    }
    QByteArray data;
    data.resize(qsizetype(st.st_size));
    if (std::size_t(data.size()) >= AllocatorTuning::largeBlockBytes) {
        // A photo's megabytes, written at once: 2 MB pages where they fit,
        // made in one pass.
        AllocatorTuning::adviseLargePages(data.data(), std::size_t(data.size()));
        AllocatorTuning::makePagesAhead(data.data(), std::size_t(data.size()));
    }
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::read(file.fd, data.data() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return failed(error, errno);
        }
        if (n == 0) {
            // The file shrank while it was read.
            data.truncate(done);
            break;
        }
        done += n;
    }
    return data;
}

} // namespace platform
