#pragma once

#include <QUrl>

#include <optional>

namespace platform {

// File URLs that name a file of this machine: those whose host is empty
// ("file:///home/a.png") or "localhost" in any letter case, as some
// programs write them. A file URL of another host names no file here.
class LocalFileUrl {
public:
    // The URL of the file's path, without a host; nothing for a URL that is
    // no file URL or names another host's file.
    static std::optional<QUrl> of(const QUrl& url);
};

} // namespace platform
