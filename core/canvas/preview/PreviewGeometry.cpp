#include "core/canvas/preview/PreviewGeometry.h"

#include "platform/Error.h"

#include <cmath>

namespace kestrom {

std::optional<PreviewGeometry>
PreviewGeometry::make(const ambrel::OriginalImageDrawingOptions& options,
                      const ambrel::Size_mm& canvas_mm, ambrel::Dpi dpi) {
    if (!std::isfinite(dpi.rawValue()) || !(dpi.rawValue() > 0)) {
        return std::nullopt;
    }
    PreviewGeometry geometry;
    geometry.dpi = dpi;
    geometry.canvas = {dpi.imagePx(canvas_mm.width), dpi.imagePx(canvas_mm.height)};
    if (geometry.canvas.width < 1 || geometry.canvas.height < 1) {
        return std::nullopt;
    }
    geometry.options = options;
    try {
        geometry.placement = quenta::PicturePlacement::compute(
            quenta::PicturePlacement::inputFor(options, geometry.canvas, dpi));
    } catch (const platform::Error&) {
        return std::nullopt; // too small to print
    }
    return geometry;
}

bool PreviewGeometry::sameDotsMovedEvenly(const PreviewGeometry& other) const {
    const auto& a = placement;
    const auto& b = other.placement;
    const bool even = (a.x - b.x) % 2 == 0 && (a.y - b.y) % 2 == 0;
    return even && dpi == other.dpi && canvas == other.canvas && a.width == b.width &&
           a.height == b.height && a.marginX == b.marginX && a.marginY == b.marginY &&
           a.repeatXCount == b.repeatXCount && a.repeatYCount == b.repeatYCount &&
           options.imageOrientation == other.options.imageOrientation &&
           options.flipsImageHorizontal == other.options.flipsImageHorizontal &&
           options.imageSize_px == other.options.imageSize_px;
}

bool PreviewGeometry::operator==(const PreviewGeometry& other) const {
    return dpi == other.dpi && canvas == other.canvas && placement == other.placement &&
           options.imageOrientation == other.options.imageOrientation &&
           options.flipsImageHorizontal == other.options.flipsImageHorizontal &&
           options.imageSize_px == other.options.imageSize_px;
}

} // namespace kestrom
