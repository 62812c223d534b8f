#include "core/document/job/ImagePlacement.h"

#include <algorithm>
#include <cmath>

using namespace ambrel;

namespace kestrom {

namespace {

bool usableResolution(Dpi dpi) {
    return std::isfinite(dpi.rawValue()) && dpi.rawValue() > 0;
}

bool usableRatio(double widthPerHeight) {
    return std::isfinite(widthPerHeight) && widthPerHeight > 0;
}

// Halves away from zero; nothing when the result is no 64-bit integer.
std::optional<qint64> rounded(double value) {
    const double r = std::round(value);
    // 2^63 is exact as a double; everything from there on does not fit.
    constexpr double limit = 9223372036854775808.0;
    if (!std::isfinite(r) || r >= limit || r < -limit) {
        return std::nullopt;
    }
    return qint64(r);
}

// One side of the box shared among n copies with margins between them.
double sharedLength(double length, qint64 count, double margin) {
    if (count < 2) {
        return length;
    }
    double available = length - margin * double(count - 1);
    if (!(available > 0)) {
        available = 1.0;
    }
    return available / double(count);
}

} // namespace

Size_px ImagePlacement::displayed(const Size_px& size, ImageRotation orientation) {
    return orientation.isWidthHeightFlipped() ? size.rotated() : size;
}

Size_mm ImagePlacement::displayedSize_mm(const Size_px& displayed, std::optional<Dpi> dpi) {
    if (!dpi) {
        return {};
    }
    return dpi->mm(displayed);
}

std::optional<Size_px> ImagePlacement::storedSize_px(const Size_mm& displayed,
                                                     ImageRotation orientation, Dpi dpi) {
    if (!usableResolution(dpi) || !std::isfinite(displayed.width) ||
        !std::isfinite(displayed.height)) {
        return std::nullopt;
    }
    return ImagePlacement::displayed(dpi.imagePx(displayed), orientation);
}

Rect_mm ImagePlacement::allImageArea(const Size_mm& displayed, const Repeats& repeats,
                                     std::optional<Size_mm> canvasSize, const Point_mm& offset,
                                     const OffsetBase& anchor) {
    const double nx = double(repeats.xCount);
    const double ny = double(repeats.yCount);
    const double w = displayed.width * nx + repeats.xMargin_mm * (nx - 1);
    const double h = displayed.height * ny + repeats.yMargin_mm * (ny - 1);
    if (!canvasSize) {
        return {{0, 0}, {w, h}};
    }
    const double cw = canvasSize->width;
    const double ch = canvasSize->height;
    double x = offset.x;
    switch (anchor.horizontalPosition) {
    case OffsetBase::HorizontalPosition::left:
        x = offset.x;
        break;
    case OffsetBase::HorizontalPosition::middle:
        x = (cw - w) * 0.5 + offset.x;
        break;
    case OffsetBase::HorizontalPosition::right:
        x = cw - w - offset.x;
        break;
    }
    double y = offset.y;
    switch (anchor.verticalPosition) {
    case OffsetBase::VerticalPosition::top:
        y = offset.y;
        break;
    case OffsetBase::VerticalPosition::middle:
        y = (ch - h) * 0.5 - offset.y;
        break;
    case OffsetBase::VerticalPosition::bottom:
        y = ch - h - offset.y;
        break;
    }
    return {{x, y}, {w, h}};
}

EdgeInsets ImagePlacement::overflownAmount(const Rect_mm& area, std::optional<Size_mm> canvasSize) {
    const Rect_mm canvas{{0, 0}, canvasSize.value_or(Size_mm{})};
    const auto visible = [](double amount) { return amount < 0.5 ? 0.0 : amount; };
    return {visible(canvas.minY() - area.minY()), visible(canvas.minX() - area.minX()),
            visible(area.maxY() - canvas.maxY()), visible(area.maxX() - canvas.maxX())};
}

bool ImagePlacement::liesWhollyOutside(const Rect_mm& area, std::optional<Size_mm> canvasSize) {
    if (!canvasSize) {
        return true;
    }
    // Written so that a side that is not a number counts as outside.
    const bool across = area.maxX() > 0 && area.minX() < canvasSize->width;
    const bool down = area.maxY() > 0 && area.minY() < canvasSize->height;
    return !(across && down);
}

std::optional<Size_px> ImagePlacement::sizeForDisplayWidth(double width_mm, double widthPerHeight,
                                                           Dpi dpi, ImageRotation orientation) {
    if (!usableResolution(dpi) || !usableRatio(widthPerHeight) || !std::isfinite(width_mm)) {
        return std::nullopt;
    }
    const qint64 p = dpi.imagePx(width_mm);
    const auto other = orientation.isWidthHeightFlipped() ? rounded(double(p) * widthPerHeight)
                                                          : rounded(double(p) / widthPerHeight);
    if (!other) {
        return std::nullopt;
    }
    return orientation.isWidthHeightFlipped() ? Size_px{*other, p} : Size_px{p, *other};
}

std::optional<Size_px> ImagePlacement::sizeForDisplayHeight(double height_mm, double widthPerHeight,
                                                            Dpi dpi, ImageRotation orientation) {
    if (!usableResolution(dpi) || !usableRatio(widthPerHeight) || !std::isfinite(height_mm)) {
        return std::nullopt;
    }
    const qint64 p = dpi.imagePx(height_mm);
    const auto other = orientation.isWidthHeightFlipped() ? rounded(double(p) / widthPerHeight)
                                                          : rounded(double(p) * widthPerHeight);
    if (!other) {
        return std::nullopt;
    }
    return orientation.isWidthHeightFlipped() ? Size_px{p, *other} : Size_px{*other, p};
}

std::optional<Size_mm> ImagePlacement::fittedDisplaySize(Size_mm box, double widthPerHeight,
                                                         ImageRotation orientation,
                                                         std::optional<Repeats> sharedWith) {
    if (!usableRatio(widthPerHeight) || !std::isfinite(box.width) || !std::isfinite(box.height)) {
        return std::nullopt;
    }
    if (sharedWith) {
        box.width = sharedLength(box.width, sharedWith->xCount, sharedWith->xMargin_mm);
        box.height = sharedLength(box.height, sharedWith->yCount, sharedWith->yMargin_mm);
        if (!std::isfinite(box.width) || !std::isfinite(box.height)) {
            return std::nullopt;
        }
    }
    box.width = std::max(box.width, 5.0);
    box.height = std::max(box.height, 5.0);
    const double a = orientation.isWidthHeightFlipped() ? 1.0 / widthPerHeight : widthPerHeight;
    if (box.width / box.height < a) {
        box.height = box.width / a;
    } else {
        box.width = a * box.height;
    }
    return box;
}

} // namespace kestrom
