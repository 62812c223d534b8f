#include "platform/LocalFileUrl.h"

namespace platform {

std::optional<QUrl> LocalFileUrl::of(const QUrl& url) {
    if (!url.isLocalFile()) {
        return std::nullopt;
    }
    const QString host = url.host();
    if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0) {
        return std::nullopt;
    }
    QUrl local = url;
    local.setHost(QString());
    // Spelt as the program spells the URLs of its own paths, so that the
    // same file gives the same URL.
    return QUrl::fromLocalFile(local.toLocalFile());
}

} // namespace platform
