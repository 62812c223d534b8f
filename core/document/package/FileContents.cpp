#include "core/document/package/FileContents.h"

#include "core/document/package/DocumentFileError.h"
#include "platform/AllocatorTuning.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrom {

namespace {

struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

} // namespace

QByteArray FileContents::read(const QString& path, qint64 maximumSize, Links links) {
    // The system reads a path only up to a NUL (as a URL's "%00" gives it):
    // the file it would open is not the one named.
    if (path.contains(QChar(0))) {
        throw DocumentFileError::unreadableFile(path, ENOENT);
    }
    const QByteArray native = QFile::encodeName(path);
    int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;
    if (links == Links::refuse) {
        flags |= O_NOFOLLOW;
    }
    // Non-blocking, so that a named pipe in place of a file cannot hang the open.
    const Descriptor file{::open(native.constData(), flags)};
    if (file.fd < 0) {
        throw DocumentFileError::unreadableFile(path, errno);
    }
    struct stat st {};
    if (::fstat(file.fd, &st) != 0) {
        throw DocumentFileError::unreadableFile(path, errno);
    }
    if (!S_ISREG(st.st_mode)) {
        throw DocumentFileError::unreadableFile(path, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    }
    if (st.st_size > maximumSize) {
        throw DocumentFileError::unreadableFile(path, EFBIG);
    }
    QByteArray data;
    data.resize(qsizetype(st.st_size));
    if (std::size_t(data.size()) >= platform::AllocatorTuning::largeBlockBytes) {
        // A photo's megabytes, written at once: 2 MB pages where they fit,
        // made in one pass.
        platform::AllocatorTuning::adviseLargePages(data.data(), std::size_t(data.size()));
        platform::AllocatorTuning::makePagesAhead(data.data(), std::size_t(data.size()));
    }
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::read(file.fd, data.data() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw DocumentFileError::unreadableFile(path, errno);
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

} // namespace kestrom
