#pragma once

#include "imaging/print/IndexSet.h"
#include "imaging/print/PixelSplitJob.h"

#include <QList>

#include <vector>

namespace quenta {

// Prints picture rows taller than the head in several passes: the inked rows
// are found once, packed into passes of the head's height, and a range taller
// than a pass is cut into passes that overlap by 0.3 mm, each later one
// blanking the rows its predecessor printed below a wave-shaped seam. The
// passes render at the same time; their bitmaps come back in the order of
// their first rows.
class TallPassSplitter_px {
public:
    struct PassRequest {
        // Inked canvas rows the pass prints, ascending.
        std::vector<IndexSet::Range> ranges;
        qint64 passStart = 0;
        // The picture row's first canvas row.
        qint64 rowY = 0;
    };

    // Throws what a pass throws: a pass that cannot be made or converted
    // fails the whole split.
    static QList<XYBitmapInfo_px> split(const PixelSplitJob& job);

    // The picture's inked rows (128 or darker), counted from its first row.
    static IndexSet scanInkedRows(const PixelSplitJob& job);
    // The pass requests of one picture row whose inked canvas rows are S_j.
    static std::vector<PassRequest> packPasses(const IndexSet& rows, qint64 rowY, qint64 H,
                                               qint64 overlap);
    static QList<XYBitmapInfo_px> renderTallPass(const PixelSplitJob& job,
                                                 const PassRequest& request);
};

} // namespace quenta
