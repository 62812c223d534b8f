#pragma once

#include <QtGlobal>

namespace quenta {

// The copies of a picture repeated along one axis: copy k starts at
// origin + k x step and is size long. Huge repeat counts cost only the
// copies that show.
class CopyGrid {
public:
    struct Indices {
        qint64 first = 0;
        qint64 end = 0;
    };

    // The copies that reach into [low, high): indices first up to, not
    // including, end.
    static Indices visible(qint64 origin, qint64 step, qint64 size, qint64 count, qint64 low,
                           qint64 high);

    // size x count + margin x (count - 1), kept within the 64-bit range.
    static qint64 total(qint64 size, qint64 margin, qint64 count);
};

} // namespace quenta
