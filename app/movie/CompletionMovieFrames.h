#pragma once

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QVector>

namespace lunvik {

// The frames of the short movie the completion alert plays: the exposed
// screen is taken out of the device, its unexposed areas are washed out and
// it is left to dry. Drawn, not filmed, so that the movie can be made again
// from the sources; the same index always gives the same picture.
class CompletionMovieFrames {
public:
    static constexpr int width = 640;
    static constexpr int height = 360;
    static constexpr int framesPerSecond = 25;
    static constexpr int frameCount = 170;

    CompletionMovieFrames();

    // Frame 0 to frameCount - 1, in RGB without alpha.
    QImage frame(int index) const;

private:
    // The screen in its frame: the unexposed areas are open mesh above
    // washedTo (a fraction of the mesh's height, from the top), and the
    // washed part carries water drops while wetness is above their drying.
    void paintScreen(class QPainter& painter, const QRectF& frame, double washedTo,
                     double wetness) const;

    // Water drops on the screen's mesh, as fractions of the mesh's size,
    // with the wetness below which each one has dried.
    struct Drop {
        QPointF position;
        double size;
        double driesAt;
    };
    QVector<Drop> m_drops;
};

} // namespace lunvik
