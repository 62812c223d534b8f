#pragma once

#include <QImage>
#include <QRect>
#include <QRectF>

namespace platform {

// The first page of a PDF document as the PDF library loaded it. Used by one
// thread at a time; the bytes it was loaded from must outlive it.
class PdfPageRenderer {
public:
    virtual ~PdfPageRenderer() = default;

    // The page's boxes in its own space (points, y up), normalized; the trim
    // box is the crop box when the page names none.
    virtual QRectF cropBox() const = 0;
    virtual QRectF trimBox() const = 0;
    // The page's own clockwise rotation in degrees: 0, 90, 180 or 270.
    virtual int rotation() const = 0;

    // The pixels `pixels` of the crop box rendered at the resolutions (dots
    // per inch), turned back by `quarterTurnsBack` clockwise quarter turns;
    // one gray byte per pixel or premultiplied 32-bit colour. Null when
    // rendering fails.
    virtual QImage render(double xResolution, double yResolution, const QRect& pixels, bool gray,
                          bool smoothed, int quarterTurnsBack) const = 0;
};

} // namespace platform
