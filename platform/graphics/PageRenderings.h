#pragma once

#include <QImage>
#include <QTransform>

#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace platform {

// Vector pages rendered once for all the drawings of them at one resolution
// (the bands of a print, the copies of a picture, the tiles of a preview,
// the next print), in strips of rows, each strip made by the first drawing
// that needs it and kept for the others. Drawings that each rendered the
// part they show would pay for the whole page's content every time, and a
// page rendered in pieces is not the page rendered once: the PDF library
// places text and lines cut by a piece's edge a pixel apart from where it
// places them otherwise.
//
// Safe to use from several threads at once: a drawing that needs a strip
// another is making waits for it, and makes the strips nobody has taken
// meanwhile, so that drawings that start together render the strips side
// by side.
class PageRenderings {
public:
    // The most bytes of strips kept: a page whose rendering would take more,
    // far larger than any canvas, is left to its drawings.
    static constexpr qint64 defaultByteBudget = 96ll * 1024 * 1024;

    // One rendering: a page (by address: a store is kept with its page) at
    // resolutions, in colour or gray, smoothed or not, and turned and
    // mirrored as the device lays it.
    struct Key {
        const void* page = nullptr;
        double xResolution = 0;
        double yResolution = 0;
        bool gray = true;
        bool smoothed = true;
        QTransform orientation;
        bool operator==(const Key&) const = default;
    };

    // What is kept of earlier renderings when a new one is made: as many as
    // the budget holds, or none (a store kept for later drawings of one
    // picture, whose earlier placements are not drawn again).
    enum class Keeping { asManyAsFit, latestOnly };

    explicit PageRenderings(qint64 byteBudget = defaultByteBudget,
                            Keeping keeping = Keeping::asManyAsFit);

    // Strips [first, end) of the rendering the key names, which has `count`
    // strips of `bytesPerStrip` bytes at most each: make(i) gives strip i
    // (null when it cannot be made), called once per strip on whichever
    // thread first needs it, and kept. Nothing when the whole rendering
    // would take more than the budget; earlier renderings give way to a new
    // one as it needs their room. What make throws is thrown here and to
    // the drawings that waited for that strip; a strip that failed (thrown
    // or null) is made again when next asked for.
    std::optional<std::vector<QImage>> strips(const Key& key, int count, qint64 bytesPerStrip,
                                              int first, int end,
                                              const std::function<QImage(int)>& make);

    // Bytes of the strips kept now.
    qint64 keptBytes() const;

private:
    struct Strip {
        // A failed strip is made again by the next drawing that asks for
        // it; those that waited for the failed making are given its failure.
        enum class State { missing, making, made, failed };
        State state = State::missing;
        QImage image;
        std::exception_ptr failure;
        bool isTaken() const { return state == State::making || state == State::made; }
    };
    struct Rendering {
        Key key;
        qint64 bytesPerStrip = 0;
        std::vector<Strip> strips;
        quint64 lastUse = 0;
    };

    std::shared_ptr<Rendering> renderingFor(const Key& key, int count, qint64 bytesPerStrip);
    // Bytes of the strips made or being made, with the lock held.
    qint64 bytesInUse() const;
    static qint64 bytesInUse(const Rendering& rendering);

    const qint64 m_byteBudget;
    const Keeping m_keeping;
    mutable std::mutex m_mutex;
    std::condition_variable m_made;
    std::vector<std::shared_ptr<Rendering>> m_renderings;
    quint64 m_uses = 0;
};

} // namespace platform
