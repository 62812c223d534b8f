#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace platform {

// Reads whole files that the program finds on disk (its own records, the
// user's settings, the members of documents). Only a regular file within the
// size the caller accepts is read: a folder, a device, a named pipe or a
// socket in its place is refused before a byte is read, so that no such file
// can make a read endless, take all memory or wait for a writer.
class RegularFile {
public:
    enum class Links { follow, refuse };

    // The file's bytes; nothing, with the system's error number in `error`,
    // when it is missing (ENOENT), a symbolic link while links are refused
    // (ELOOP), a folder (EISDIR) or another file that is not a regular one
    // (EINVAL), larger than maximumSize (EFBIG), or cannot be read.
    static std::optional<QByteArray> read(const QString& path, qint64 maximumSize,
                                          Links links = Links::follow, int* error = nullptr);
};

} // namespace platform
