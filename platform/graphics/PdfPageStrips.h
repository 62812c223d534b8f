#pragma once

#include <QRect>
#include <QRectF>
#include <QTransform>

namespace platform {

class GraphicsContext;
class PageRenderings;
class PdfPage;

// A PDF page drawn from one rendering of it shared by every drawing of it at
// the same resolution (the context's PageRenderings): the page is rendered
// at the device's resolution in strips of whole rows across its full width,
// each strip turned as the device lays it, and copied onto the device's
// pixels.
//
// The strips are rows of the rendering because the PDF library draws a
// glyph cut by a rendering's left edge with its last pixels shifted; a row
// cut is drawn right. Their height follows from the page's pixels alone, so
// the pixels are the same whatever part of the device a drawing covers.
class PdfPageStrips {
public:
    // The rendering's layout: columns and rows of the page's crop box at
    // the resolution, from its top-left corner to the trim box's far edges,
    // and strips of stripRows rows.
    struct Layout {
        int columns = 0;
        int rows = 0;
        int stripRows = 0;
        int stripCount() const { return stripRows > 0 ? (rows + stripRows - 1) / stripRows : 0; }
    };
    // Strips of about this many pixels, and no more strips than this: a
    // strip costs the library a pass over the page's whole content, its
    // rasterizing only the rows it holds.
    static constexpr qint64 pixelsPerStrip = 2'000'000;
    static constexpr int maximumStrips = 8;

    // Nothing for a rendering of no pixels or beyond the system's limits.
    static Layout layout(const QRectF& cropBox, const QRectF& trimBox, double xScale,
                         double yScale);

    // Draws the page so when the context holds a store and lays the page
    // along its axes; false (nothing drawn) otherwise, or when the store
    // cannot hold the rendering. `toDevice` maps the page's own space onto
    // the device, `visible` is the part of the trim box to draw and the
    // scales are device pixels per point along the page's axes.
    static bool draw(const PdfPage& page, GraphicsContext& context, const QTransform& toDevice,
                     const QRectF& visible, double xScale, double yScale);
};

} // namespace platform
