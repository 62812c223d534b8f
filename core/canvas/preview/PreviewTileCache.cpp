#include "core/canvas/preview/PreviewTileCache.h"

namespace kestrom {

bool PreviewTileCache::Key::operator==(const Key& other) const {
    return image == other.image && geometry == other.geometry &&
           request.frame == other.request.frame && request.viewSize == other.request.viewSize &&
           request.scale == other.request.scale && unsmoothed == other.unsmoothed;
}

std::optional<PreviewTileRenderer::Dots> PreviewTileCache::find(const Key& key) {
    std::lock_guard guard(m_lock);
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->key == key) {
            m_entries.splice(m_entries.begin(), m_entries, it);
            return m_entries.front().dots;
        }
    }
    return std::nullopt;
}

void PreviewTileCache::insert(const Key& key, const PreviewTileRenderer::Dots& dots) {
    if (dots.isNull() || dots.bytes() > m_byteLimit) {
        return;
    }
    std::lock_guard guard(m_lock);
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->key == key) {
            m_bytes -= it->dots.bytes();
            m_entries.erase(it);
            break;
        }
    }
    m_entries.push_front({key, dots});
    m_bytes += dots.bytes();
    while (m_bytes > m_byteLimit && !m_entries.empty()) {
        m_bytes -= m_entries.back().dots.bytes();
        m_entries.pop_back();
    }
}

void PreviewTileCache::keepOnly(const ambrel::OriginalImage::Pointer& image,
                                const PreviewGeometry& geometry) {
    std::lock_guard guard(m_lock);
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it->key.image != image || !(it->key.geometry == geometry)) {
            m_bytes -= it->dots.bytes();
            it = m_entries.erase(it);
        } else {
            ++it;
        }
    }
}

void PreviewTileCache::clear() {
    std::lock_guard guard(m_lock);
    m_entries.clear();
    m_bytes = 0;
}

qint64 PreviewTileCache::bytes() const {
    std::lock_guard guard(m_lock);
    return m_bytes;
}

} // namespace kestrom
