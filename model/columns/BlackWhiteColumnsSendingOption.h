#pragma once

#include <QFlags>

namespace ambrel {

// How a black-and-white picture is laid out on the wire, as a set.
enum class BlackWhiteColumnsSendingOption {
    // The column is mirrored along the head: dot d becomes headDotCount - 1 - d.
    reverseRows = 0x1,
    // Within each byte the first dot is the most significant bit.
    reverseRowBits = 0x2,
    // Columns go from the picture's right edge to its left.
    reverseColumns = 0x4,
};

using BlackWhiteColumnsSendingOptions = QFlags<BlackWhiteColumnsSendingOption>;
Q_DECLARE_OPERATORS_FOR_FLAGS(BlackWhiteColumnsSendingOptions)

} // namespace ambrel
