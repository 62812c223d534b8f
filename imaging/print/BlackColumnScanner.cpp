#include "imaging/print/BlackColumnScanner.h"

#include "platform/Log.h"

#include <algorithm>

namespace quenta {

void BlackColumnScanner::scanBlackColumns(qint64 chunkIndex, qint64 chunkSize, qint64 width,
                                          qint64 height, bool headPrintsImageFromRight,
                                          qint64 ignoredRows, const std::uint8_t* pixels,
                                          std::vector<IndexSet>& results) {
    IndexSet set;
    if (chunkSize == 0) {
        results[size_t(chunkIndex)] = std::move(set);
        return;
    }
    if (chunkSize < 0 || ignoredRows > height || chunkIndex < 0) {
        platform::Log::fatal(QStringLiteral("Column scan of chunk %1 (size %2) over %3 rows, %4 "
                                            "ignored, cannot run.")
                                 .arg(chunkIndex)
                                 .arg(chunkSize)
                                 .arg(height)
                                 .arg(ignoredRows));
    }
    const qint64 first = chunkIndex * chunkSize;
    const qint64 end = std::min(width, first + chunkSize);
    if (first < end) {
        // The physical columns of the chunk form one block in either
        // direction; the rows are walked in memory order and stop as soon as
        // every column has shown ink.
        const qint64 physicalFirst = headPrintsImageFromRight ? width - end : first;
        const qint64 count = end - first;
        std::vector<std::uint8_t> dark(size_t(count), 0);
        const qint64 rows = height - ignoredRows;
        qint64 found = 0;
        for (qint64 r = 0; r < rows && found < count; ++r) {
            const std::uint8_t* row = pixels + r * width + physicalFirst;
            std::uint8_t any = 0;
            for (qint64 c = 0; c < count; ++c) {
                const std::uint8_t isDark = row[c] < inkLimit ? 1 : 0;
                any |= isDark & ~dark[size_t(c)];
                dark[size_t(c)] |= isDark;
            }
            if (any) {
                found = std::count(dark.begin(), dark.end(), std::uint8_t(1));
            }
        }
        for (qint64 k = 0; k < count; ++k) {
            const qint64 col = first + k;
            const qint64 pc = headPrintsImageFromRight ? width - 1 - col : col;
            if (dark[size_t(pc - physicalFirst)]) {
                set.insert(col);
            }
        }
    }
    results[size_t(chunkIndex)] = std::move(set);
}

} // namespace quenta
