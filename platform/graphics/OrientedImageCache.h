#pragma once

#include <QImage>
#include <QTransform>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

class DecodingRows;

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
    // back gray, with the pixels the painter gives drawing them there. A
    // null picture for any other that Qt would turn itself: it is drawn from
    // the parts of that turned copy the drawing reads (TurnedPictureStrips),
    // never made whole.
    QImage oriented(const QImage& image, const QTransform& orientation, bool grayPage = false);

    // The picture under such a transform, made once on the calling thread
    // and not kept, with the pixels QImage::transformed gives: for a picture
    // only one drawing uses (a page rendered for one band). Null as for
    // oriented().
    static QImage orientedOnce(const QImage& image, const QTransform& orientation);

    // Makes the gray of a colour picture under the orientation ready before a
    // print needs it, in the background, as a print on a gray page would
    // make it. The picture is asked for there (it may wait for a decode).
    // Each request supersedes the earlier ones that have not finished; a
    // print that needs the picture meanwhile waits for the preparation under
    // way rather than making it again. Gray pictures need nothing.
    // With `rows`, the picture may still be decoding row by row: its gray is
    // then made as the rows come, and a request for the rows and the turn of
    // the latest request is that request. While the first window is being drawn
    // (FirstFrameGate), it is made on one thread only.
    static void prepare(std::function<QImage()> picture, const QTransform& orientation,
                        std::shared_ptr<DecodingRows> rows = {});
    // Waits until no preparation is queued or under way (tests, measurements).
    static void waitForPreparations();

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
        // A gray picture's turn, held for the others that share it.
        std::shared_ptr<const QImage> sharedTurn;
    };

    // A gray picture turned, shared by every cache that holds it: the
    // canvas's tiles, the inspector's small picture and a print of the same
    // picture turn it once between them. It goes with the last cache.
    static std::shared_ptr<const QImage> sharedGrayTurn(const QImage& image,
                                                        const QTransform& orientation);

    // The gray of the latest colour picture, by its key: Qt never gives a
    // key again in a process, so the picture itself need not be held.
    struct Kept {
        std::mutex mutex;
        qint64 key = 0;
        QTransform orientation;
        QImage result;
        int made = 0;
        // The latest preparation asked for; earlier ones give way to it.
        std::atomic<quint64> requested = 0;
    };
    static Kept& kept();
    static QImage keptGray(const QImage& image, const QTransform& orientation);
    // Makes and keeps the gray, with the kept lock held; a null picture when
    // the picture keeps its colour or the making was given up. A preparation
    // gives way to the first window's frame; a print does not.
    static QImage makeKept(Kept& k, const QImage& image, const QTransform& orientation,
                           const std::function<bool()>& stillWanted, bool isPreparation);
    static void stopPreparationsAtExit();
    static bool isLatestRequest(const std::shared_ptr<DecodingRows>& rows,
                                const QTransform& orientation);
    static void runPreparation(quint64 request, const std::function<QImage()>& picture,
                               const QTransform& orientation, DecodingRows* rows);
    // Makes and keeps the gray of a picture as it is decoded; false when it
    // was not made (the picture is no opaque colour, or turned after its
    // decode, or given up).
    static bool makeKeptWhileDecoding(Kept& k, DecodingRows& rows,
                                      const std::function<QImage()>& picture,
                                      const QTransform& orientation,
                                      const std::function<bool()>& stillWanted);

    std::mutex m_mutex;
    std::vector<Entry> m_entries;
};

} // namespace platform
