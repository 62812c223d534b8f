#pragma once

#include "core/canvas/preview/PreviewGeometry.h"
#include "core/canvas/preview/PreviewTileRenderer.h"
#include "model/pictures/OriginalImage.h"

#include <QRectF>
#include <QSizeF>

#include <list>
#include <mutex>
#include <optional>

namespace kestrom {

// The drawn dots of a view's recent tiles, before conversion: a new
// conversion converts them again without drawing the picture. Held up to a
// number of bytes, the least recently used going first; safe to use from
// several threads at once.
class PreviewTileCache {
public:
    explicit PreviewTileCache(qint64 byteLimit = 512ll * 1024 * 1024) : m_byteLimit(byteLimit) {}

    struct Key {
        ambrel::OriginalImage::Pointer image;
        PreviewGeometry geometry;
        PreviewTileRenderer::Request request;
        // Drawn unsmoothed (a vector page under a threshold at the middle
        // gray): the dots of the same tile differ along edges.
        bool unsmoothed = false;
        bool operator==(const Key& other) const;
    };

    std::optional<PreviewTileRenderer::Dots> find(const Key& key);
    void insert(const Key& key, const PreviewTileRenderer::Dots& dots);
    // Drops what another picture or placement made.
    void keepOnly(const ambrel::OriginalImage::Pointer& image, const PreviewGeometry& geometry);
    void clear();
    qint64 bytes() const;

private:
    struct Entry {
        Key key;
        PreviewTileRenderer::Dots dots;
    };
    mutable std::mutex m_lock;
    std::list<Entry> m_entries; // most recent first
    qint64 m_bytes = 0;
    qint64 m_byteLimit;
};

} // namespace kestrom
