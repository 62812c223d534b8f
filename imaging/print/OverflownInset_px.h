#pragma once

#include <QtGlobal>

namespace quenta {

// The pixels of a placed picture beyond the canvas where the head's travel
// starts (left) and where it ends (right). A negative left is blank space
// added before the picture instead.
struct OverflownInset_px {
    qint64 left = 0;
    qint64 right = 0;
};

} // namespace quenta
