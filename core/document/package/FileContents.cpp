#include "core/document/package/FileContents.h"

#include "core/document/package/DocumentFileError.h"
#include "platform/RegularFile.h"

namespace kestrom {

QByteArray FileContents::read(const QString& path, qint64 maximumSize, Links links) {
    int error = 0;
    auto data =
        platform::RegularFile::read(path, maximumSize,
                                    links == Links::refuse ? platform::RegularFile::Links::refuse
                                                           : platform::RegularFile::Links::follow,
                                    &error);
    if (!data) {
        throw DocumentFileError::unreadableFile(path, error);
    }
    return std::move(*data);
}

} // namespace kestrom
