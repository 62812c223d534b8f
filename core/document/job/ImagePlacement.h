#pragma once

#include "core/document/job/EdgeInsets.h"
#include "model/pictures/ImageRotation.h"
#include "model/pictures/OffsetBase.h"
#include "model/units/Dpi.h"
#include "model/units/Point_mm.h"
#include "model/units/Rect_mm.h"
#include "model/units/Size_mm.h"
#include "model/units/Size_px.h"

#include <optional>

namespace kestrom {

// The arithmetic of placing a picture on a canvas: sizes as shown after a
// turn, the area the picture covers with its repeats, how far it runs over
// the canvas, and sizes asked for in millimetres. Plain functions, so the
// document and its tests share one copy of every rule.
//
// Nothing here divides by zero: a resolution or picture ratio that is zero,
// negative or not finite, and a length that is not finite, make no result.
class ImagePlacement {
public:
    // The repeats of the picture across (x) and down (y).
    struct Repeats {
        qint64 xCount = 1;
        qint64 yCount = 1;
        double xMargin_mm = 0;
        double yMargin_mm = 0;
    };

    // Width and height exchanged for a quarter or three-quarter turn; the
    // same rule maps a shown size back to the stored one.
    static ambrel::Size_px displayed(const ambrel::Size_px& size,
                                     ambrel::ImageRotation orientation);

    // The shown pixel size in millimetres; (0, 0) without a resolution.
    static ambrel::Size_mm displayedSize_mm(const ambrel::Size_px& displayed,
                                            std::optional<ambrel::Dpi> dpi);
    // The stored pixel size for a shown size in millimetres; nothing for a
    // side that is not finite or a resolution that is not usable.
    static std::optional<ambrel::Size_px> storedSize_px(const ambrel::Size_mm& displayed,
                                                        ambrel::ImageRotation orientation,
                                                        ambrel::Dpi dpi);

    // The rectangle the picture and its repeats cover, y running down from
    // the canvas's top edge, placed by the anchor and the offset; at the
    // origin when there is no canvas.
    static ambrel::Rect_mm allImageArea(const ambrel::Size_mm& displayed, const Repeats& repeats,
                                        std::optional<ambrel::Size_mm> canvasSize,
                                        const ambrel::Point_mm& offset,
                                        const ambrel::OffsetBase& anchor);

    // How far the area runs over each edge of the canvas (an empty
    // rectangle at the origin without one); less than half a millimetre
    // counts as nothing.
    static EdgeInsets overflownAmount(const ambrel::Rect_mm& area,
                                      std::optional<ambrel::Size_mm> canvasSize);
    // Whether the area has nothing in common with the canvas (touching an
    // edge is nothing); with no canvas nothing lies on it.
    static bool liesWhollyOutside(const ambrel::Rect_mm& area,
                                  std::optional<ambrel::Size_mm> canvasSize);

    // The stored pixel size for a shown width (or height) in millimetres,
    // keeping the picture's width per height.
    static std::optional<ambrel::Size_px> sizeForDisplayWidth(double width_mm,
                                                              double widthPerHeight,
                                                              ambrel::Dpi dpi,
                                                              ambrel::ImageRotation orientation);
    static std::optional<ambrel::Size_px> sizeForDisplayHeight(double height_mm,
                                                               double widthPerHeight,
                                                               ambrel::Dpi dpi,
                                                               ambrel::ImageRotation orientation);

    // The largest shown size of the picture's ratio that fits the box, each
    // side at least 5 mm; with repeats the box is first shared among the
    // copies of each axis that repeats.
    static std::optional<ambrel::Size_mm> fittedDisplaySize(ambrel::Size_mm box,
                                                            double widthPerHeight,
                                                            ambrel::ImageRotation orientation,
                                                            std::optional<Repeats> sharedWith);
};

} // namespace kestrom
