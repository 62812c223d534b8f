#pragma once

#include <QImage>
#include <QSizeF>

class QPainter;
class QRectF;

namespace kestrom {

// The canvas's soft shadow, a little below it. Drawn layer on layer it
// costs several blends of the whole canvas; here its corners are drawn once
// into a small image, its edges made by repeating that image's middle, and
// only the band the canvas does not cover is drawn.
class CanvasShadow {
public:
    // Draws the shadow of a canvas at (0, 0) of the given size, in points.
    void draw(QPainter& painter, const QSizeF& canvas);

    // The shadow drawn layer on layer, as the bands are made from: also the
    // way where the canvas's edges do not fall on whole pixels.
    static void drawLayers(QPainter& painter, const QSizeF& canvas);

private:
    bool makeBands(const QSizeF& canvas, double scale);

    QSizeF m_canvas;
    double m_scale = 0;
    // Above, below, left and right of the canvas, in device pixels.
    QImage m_top;
    QImage m_bottom;
    QImage m_left;
    QImage m_right;
};

} // namespace kestrom
