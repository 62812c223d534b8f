#include "platform/graphics/OrientedImageCache.h"

namespace platform {

QImage OrientedImageCache::oriented(const QImage& image, const QTransform& orientation) {
    // The lock is held while turning: the others need the same picture and
    // would only turn it again.
    std::lock_guard lock(m_mutex);
    for (const Entry& e : m_entries) {
        if (e.source.cacheKey() == image.cacheKey() && e.orientation == orientation) {
            return e.result;
        }
    }
    QImage result = image.transformed(orientation, Qt::FastTransformation);
    m_entries.push_back(Entry{image, orientation, result});
    return result;
}

} // namespace platform
