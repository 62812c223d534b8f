#pragma once

#include <QImage>
#include <QTransform>

#include <mutex>
#include <vector>

namespace platform {

// Pictures turned and mirrored for drawing, made once and shared: contexts
// that draw the same pictures into parts of one device from several threads
// at once would otherwise each turn every picture whole. Gray pictures are
// turned on the compute workers. Opaque colour pictures are made gray and
// turned there too, as the painter would make them gray on a gray page, and
// the latest is kept from print to print.
class OrientedImageCache {
public:
    // The picture under a transform of quarter turns and mirrors (entries 0
    // and +-1), with the pixels QImage::transformed gives. Safe to call from
    // several threads at once. For a gray page, opaque colour pictures come
    // back gray, with the pixels the painter gives drawing them there.
    QImage oriented(const QImage& image, const QTransform& orientation, bool grayPage = false);

    // How many colour pictures were made gray so far, in this process.
    static int colourPicturesMadeGray();
    // Lets the kept gray picture go (for memory, and for tests).
    static void dropKeptGray();

private:
    struct Entry {
        QImage source; // kept so that its key is never given to another picture
        QTransform orientation;
        bool grayPage;
        QImage result;
    };

    // The gray of the latest colour picture, by its key: Qt never gives a
    // key again in a process, so the picture itself need not be held.
    struct Kept {
        std::mutex mutex;
        qint64 key = 0;
        QTransform orientation;
        QImage result;
        int made = 0;
    };
    static Kept& kept();
    static QImage keptGray(const QImage& image, const QTransform& orientation);

    std::mutex m_mutex;
    std::vector<Entry> m_entries;
};

} // namespace platform
