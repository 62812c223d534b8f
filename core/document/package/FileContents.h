#pragma once

#include <QByteArray>
#include <QString>

namespace kestrom {

// Reads whole files for documents and pictures, refusing what is not a
// regular file or is larger than the caller accepts before reading it.
class FileContents {
public:
    // The largest picture file or picture member of a document that is read.
    static constexpr qint64 maximumPictureFileSize = qint64(1) << 30;

    enum class Links { follow, refuse };

    // Throws DocumentFileError::unreadableFile with the system's error: a
    // missing file (ENOENT), a symbolic link when links are refused (ELOOP),
    // a folder or other non-regular file (EISDIR, EINVAL) or a file larger
    // than the maximum (EFBIG).
    static QByteArray read(const QString& path, qint64 maximumSize, Links links = Links::follow);
};

} // namespace kestrom
