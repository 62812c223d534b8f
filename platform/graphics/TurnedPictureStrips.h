#pragma once

#include <QImage>
#include <QRectF>
#include <QTransform>

class QPainter;

namespace platform {

// Draws a picture turned or mirrored by QPainter from the copy Qt would turn
// it into (QImage::transformed), without that copy: the painter reads the
// copy's pixels where they lie, and only those it reads are made, a strip of
// the device's rows at a time, then given back. The copy of a 1-bit or
// 8-bit picture may hold four or eight bytes a pixel (a 20000 x 20000 line
// drawing of 50 MB turns into 1.6 GB), Qt turns a 1-bit picture a quarter
// pixel by pixel (seconds for such a drawing), and each drawing of a part
// of a page (a band of a print, a tile of the canvas) would otherwise make
// it whole. The pixels drawn are those the whole copy gives, to the bit.
class TurnedPictureStrips {
public:
    // Whether a picture can be drawn so under the orientation (a quarter
    // turn or mirror as a matrix of 0 and +-1): one that is turned, and whose
    // turned copy has 1 bit or whole bytes a pixel.
    static bool appliesTo(const QImage& image, const QTransform& orientation);

    // Draws the picture turned into deviceRect (device pixels) with the
    // painter, whose world transform must be the identity, as
    // painter.drawImage(deviceRect, image.transformed(orientation)) draws
    // it, within the painter's clip. False, with nothing drawn, when the
    // address space for the turned copy's layout cannot be had.
    static bool draw(QPainter& painter, const QRectF& deviceRect, const QImage& image,
                     const QTransform& orientation);

    // The bytes of turned pixels made at most at once for one strip.
    static constexpr qsizetype stripBytes = 1024 * 1024;
};

} // namespace platform
