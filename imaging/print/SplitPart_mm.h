#pragma once

#include <QImage>
#include <QPointF>

namespace quenta {

// One bitmap of a job cut in millimetres: x from the edge where the head's
// travel starts, y the vertical position of its pass.
struct SplitPart_mm {
    QPointF location_mm;
    QImage bitmap;
};

} // namespace quenta
