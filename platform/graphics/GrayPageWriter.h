#pragma once

#include "platform/graphics/AreaAverageTaps.h"
#include "platform/graphics/PlacedPicture.h"

#include <QRect>

#include <memory>
#include <vector>

namespace platform {

namespace compute {
class ThreadPool;
}

// Writes a gray page from pictures laid over whole-pixel rectangles: white
// where no picture lies, each picture scaled to its rectangle by area average
// (a picture at its own size is copied as it is), later pictures over earlier
// ones. The page is written in bands of rows on the compute workers, every
// byte of a row once where the pictures do not overlap, so that no pass
// clears the page first.
class GrayPageWriter {
public:
    GrayPageWriter(const std::vector<PlacedPicture>& placements, int pageWidth, int pageHeight);

    // Rows [first, end) of a page whose rows start bytesPerRow apart.
    void writeRows(uchar* page, qsizetype bytesPerRow, int first, int end) const;
    // The whole page, in that many bands at once on the pool (0: twice the
    // pool's threads), or in one band on this thread without a pool.
    void write(uchar* page, qsizetype bytesPerRow, compute::ThreadPool* pool, int bands = 0) const;

private:
    struct Placed {
        QImage picture;
        QRect visible; // on the page
        qint64 x = 0;  // the whole rectangle's corner
        qint64 y = 0;
        std::shared_ptr<const AreaAverageTaps> across; // for the visible columns
        std::shared_ptr<const AreaAverageTaps> down;   // for the visible rows
    };
    struct Span {
        int first;
        int end;
        int index; // in drawing order
    };
    struct Scratch;

    void writeSpan(const Span& span, int row, uchar* out, Scratch& scratch) const;

    int m_pageWidth;
    int m_pageHeight;
    std::vector<Placed> m_placed; // those that show, in drawing order
};

} // namespace platform
