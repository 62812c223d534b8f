#include "imaging/print/CopyGrid.h"

#include <algorithm>
#include <limits>

namespace quenta {

namespace {

using Wide = __int128;

Wide floorDivision(Wide a, Wide b) {
    const Wide q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

Wide ceilDivision(Wide a, Wide b) {
    const Wide q = a / b;
    return (a % b != 0 && (a < 0) == (b < 0)) ? q + 1 : q;
}

} // namespace

CopyGrid::Indices CopyGrid::visible(qint64 origin, qint64 step, qint64 size, qint64 count,
                                    qint64 low, qint64 high) {
    if (count < 1 || size < 1 || high <= low) {
        return {};
    }
    // Copy k shows when low - size < origin + k x step < high.
    const Wide from = Wide(low) - size + 1 - origin;
    const Wide to = Wide(high) - 1 - origin;
    Wide first = 0;
    Wide end = count;
    if (step > 0) {
        first = ceilDivision(from, step);
        end = floorDivision(to, step) + 1;
    } else if (step < 0) {
        first = ceilDivision(to, step);
        end = floorDivision(from, step) + 1;
    } else if (from > 0 || to < 0) {
        return {};
    } else {
        // Every copy lies on the first: drawing one is drawing all.
        end = 1;
    }
    first = std::max<Wide>(first, 0);
    end = std::min<Wide>(end, count);
    if (first >= end) {
        return {};
    }
    return {qint64(first), qint64(end)};
}

qint64 CopyGrid::total(qint64 size, qint64 margin, qint64 count) {
    if (count < 1) {
        return 0;
    }
    const Wide value = Wide(size) * count + Wide(margin) * (count - 1);
    return qint64(std::clamp<Wide>(value, std::numeric_limits<qint64>::min(),
                                   std::numeric_limits<qint64>::max()));
}

} // namespace quenta
