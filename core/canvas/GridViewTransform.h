#pragma once

#include "model/pictures/OffsetBase.h"
#include "model/units/Size_mm.h"

#include <QSizeF>
#include <QTransform>

#include <optional>

namespace kestrom {

// The conversion between the canvas model in millimetres and the canvas view
// in points (y grows downward). One scale for both axes, the view's width
// over the printable width. With translation an offset is measured from the
// anchor: rightward from the left edge or the centre, leftward from the right
// edge; downward from the top edge, upward from the centre or from the bottom
// edge.
class GridViewTransform {
public:
    // Nothing when the printable width or the view width is zero, negative
    // or not finite: the canvas then shows no picture instead of computing
    // with infinities.
    static std::optional<QTransform> makeMmToPt(const QSizeF& bounds,
                                                const ambrel::Size_mm& printableSize,
                                                ambrel::OffsetBase anchor,
                                                bool includesTranslation);
};

} // namespace kestrom
