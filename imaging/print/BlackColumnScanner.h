#pragma once

#include "imaging/print/IndexSet.h"

#include <cstdint>
#include <vector>

namespace quenta {

// Finds the columns of an 8-bit gray buffer that hold ink, one chunk of
// columns per call, so that chunks can be scanned at the same time.
class BlackColumnScanner {
public:
    // Below this a byte is ink: light gray counts too.
    static constexpr std::uint8_t inkLimit = 200;

    // Scans logical columns chunkIndex x chunkSize ... + chunkSize - 1 of a
    // buffer of height rows of width bytes (0 black, 255 white), leaving out
    // its last ignoredRows rows, and stores the columns that hold a byte below
    // inkLimit in results[chunkIndex]. Logical columns count from the side
    // where the head's travel starts: from the buffer's last column when the
    // head prints from the right. Each call writes only its own slot.
    static void scanBlackColumns(qint64 chunkIndex, qint64 chunkSize, qint64 width, qint64 height,
                                 bool headPrintsImageFromRight, qint64 ignoredRows,
                                 const std::uint8_t* pixels, std::vector<IndexSet>& results);
};

} // namespace quenta
