#include "platform/graphics/PdfPageStrips.h"

#include "platform/Log.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/ImageLimits.h"
#include "platform/graphics/OrientedImageCache.h"
#include "platform/graphics/PageRenderings.h"
#include "platform/graphics/PdfPage.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

// Page lengths times the scale that land this close to a whole pixel are on
// it: the placement makes the page a whole number of pixels, up to rounding.
constexpr double onAPixel = 1e-6;

int wholePixelsUpTo(double pixels) {
    return int(std::ceil(pixels - onAPixel));
}

// A device coordinate as a whole pixel; the page's pixels land on whole
// device pixels but for rounding, or for a crop box that does not start on
// one, where they are moved by less than half a pixel.
int nearestPixel(double v) {
    return int(std::lround(v));
}

} // namespace

PdfPageStrips::Layout PdfPageStrips::layout(const QRectF& cropBox, const QRectF& trimBox,
                                            double xScale, double yScale) {
    // The page's y points up: the crop box's top row lies along bottom().
    const double right = std::min(trimBox.right(), cropBox.right());
    const double lower = std::max(trimBox.top(), cropBox.top());
    const double columns = (right - cropBox.left()) * xScale;
    const double rows = (cropBox.bottom() - lower) * yScale;
    if (!(columns >= 1 - onAPixel) || !(rows >= 1 - onAPixel) ||
        !ImageLimits::admits(qint64(std::min(columns, 1e12)), qint64(std::min(rows, 1e12)))) {
        return {};
    }
    Layout layout;
    layout.columns = wholePixelsUpTo(columns);
    layout.rows = wholePixelsUpTo(rows);
    const qint64 pixels = qint64(layout.columns) * layout.rows;
    const int strips =
        int(std::clamp<qint64>((pixels + pixelsPerStrip - 1) / pixelsPerStrip, 1, maximumStrips));
    layout.stripRows = (layout.rows + strips - 1) / strips;
    return layout;
}

bool PdfPageStrips::draw(const PdfPage& page, GraphicsContext& context, const QTransform& toDevice,
                         const QRectF& visible, double xScale, double yScale) {
    PageRenderings* const renderings = context.pageRenderings().get();
    const QRectF crop = page.cropBox();
    const Layout grid = layout(crop, page.trimBox(), xScale, yScale);
    if (!renderings || grid.stripCount() < 1) {
        return false;
    }
    // The rendering's pixels as a picture drawn into the page's space: its
    // first row along the crop box's top edge.
    const QRectF gridRect(crop.left(), crop.bottom() - grid.rows / yScale, grid.columns / xScale,
                          grid.rows / yScale);
    context.saveGState();
    context.concatenate(page.pageToPicture());
    const auto orientation = context.imageOrientation(gridRect, QSize(grid.columns, grid.rows));
    context.restoreGState();
    if (!orientation) {
        return false;
    }
    // Pixel (c, r) of the rendering, as a point of the picture drawn so.
    const QTransform pixelToDevice =
        QTransform(1 / xScale, 0, 0, -1 / yScale, crop.left(), crop.bottom()) * toDevice;
    const QRectF gridOnDevice = pixelToDevice.mapRect(QRectF(0, 0, grid.columns, grid.rows));
    const QPoint origin(nearestPixel(gridOnDevice.left()), nearestPixel(gridOnDevice.top()));
    const auto onDevice = [&](const QRectF& deviceRect) {
        return QRect(
            QPoint(origin.x() + nearestPixel(deviceRect.left() - gridOnDevice.left()),
                   origin.y() + nearestPixel(deviceRect.top() - gridOnDevice.top())),
            QPoint(origin.x() + nearestPixel(deviceRect.right() - gridOnDevice.left()) - 1,
                   origin.y() + nearestPixel(deviceRect.bottom() - gridOnDevice.top()) - 1));
    };
    const QRect trimOnDevice = onDevice(toDevice.mapRect(page.trimBox().intersected(crop)));

    const int firstRow =
        std::clamp(int(std::floor((crop.bottom() - visible.bottom()) * yScale)), 0, grid.rows);
    const int endRow =
        std::clamp(int(std::ceil((crop.bottom() - visible.top()) * yScale)), 0, grid.rows);
    if (endRow <= firstRow) {
        return true;
    }
    const int firstStrip = firstRow / grid.stripRows;
    const int endStrip = (endRow + grid.stripRows - 1) / grid.stripRows;

    const bool gray = context.isGray();
    const bool smoothed = !context.rendersPagesUnsmoothed();
    const double xResolution = 72.0 * xScale;
    const double yResolution = 72.0 * yScale;
    const PageRenderings::Key key{&page, xResolution, yResolution, gray, smoothed, *orientation};
    const auto rowsOf = [&](int strip) {
        const int first = strip * grid.stripRows;
        return std::pair(first, std::min(grid.rows, first + grid.stripRows));
    };
    const auto make = [&](int strip) {
        const auto [first, end] = rowsOf(strip);
        // A quarter pixel inside the strip's edges, which the rendering
        // rounds out to them.
        const QRectF rect(
            QPointF(crop.left() + 0.25 / xScale, crop.bottom() - (end - 0.25) / yScale),
            QPointF(crop.left() + (grid.columns - 0.25) / xScale,
                    crop.bottom() - (first + 0.25) / yScale));
        const QImage rendered = page.render(rect, xResolution, yResolution, gray, smoothed);
        if (rendered.width() != grid.columns || rendered.height() != end - first) {
            Log::line(QStringLiteral("PdfPage: couldn't render rows %1 to %2 at %3 x %4 dpi")
                          .arg(first)
                          .arg(end)
                          .arg(xResolution)
                          .arg(yResolution));
            return QImage();
        }
        return OrientedImageCache::orientedOnce(rendered, *orientation);
    };
    const qint64 bytesPerStrip = qint64(grid.columns) * grid.stripRows * (gray ? 1 : 4);
    const auto strips =
        renderings->strips(key, grid.stripCount(), bytesPerStrip, firstStrip, endStrip, make);
    if (!strips) {
        return false;
    }
    for (int strip = firstStrip; strip < endStrip; ++strip) {
        const QImage& image = (*strips)[std::size_t(strip - firstStrip)];
        const auto [first, end] = rowsOf(strip);
        const QRect at =
            onDevice(pixelToDevice.mapRect(QRectF(0, first, grid.columns, end - first)));
        context.drawDeviceImage(at.topLeft(), image, trimOnDevice);
    }
    return true;
}

} // namespace platform
