#pragma once

#include <QImage>
#include <QTransform>

#include <mutex>
#include <vector>

namespace platform {

// Pictures turned and mirrored for drawing, made once and shared: contexts
// that draw the same pictures into parts of one device from several threads
// at once would otherwise each turn every picture whole. Gray pictures are
// turned on the compute workers.
class OrientedImageCache {
public:
    // The picture under a transform of quarter turns and mirrors (entries 0
    // and +-1), with the pixels QImage::transformed gives. Safe to call from
    // several threads at once.
    QImage oriented(const QImage& image, const QTransform& orientation);

private:
    struct Entry {
        QImage source; // kept so that its key is never given to another picture
        QTransform orientation;
        QImage result;
    };

    std::mutex m_mutex;
    std::vector<Entry> m_entries;
};

} // namespace platform
