#pragma once

#include "imaging/print/PicturePlacement.h"
#include "model/pictures/OriginalImageDrawingOptions.h"
#include "model/units/Dpi.h"
#include "model/units/Size_mm.h"
#include "model/units/Size_px.h"

#include <optional>

namespace kestrom {

// Where a print lays the picture's dots: the canvas in the model's dots, the
// placement the print computes there, and the picture's turn and mirroring.
// The preview shows the first copy, whose dots the picture view spans.
struct PreviewGeometry {
    ambrel::Dpi dpi;
    // The canvas in dots, W x H.
    ambrel::Size_px canvas{0, 0};
    quenta::PicturePlacement placement;
    ambrel::OriginalImageDrawingOptions options;

    // The print's geometry for the options on a canvas of that size; nothing
    // where the print would place no picture (no resolution, no canvas, a
    // picture too small to print).
    static std::optional<PreviewGeometry> make(const ambrel::OriginalImageDrawingOptions& options,
                                               const ambrel::Size_mm& canvas_mm, ambrel::Dpi dpi);

    // The same dots, moved by an even number of dots both ways: a conversion
    // that does not depend on where the dots lie gives the same preview.
    bool sameDotsMovedEvenly(const PreviewGeometry& other) const;

    bool operator==(const PreviewGeometry& other) const;
};

} // namespace kestrom
