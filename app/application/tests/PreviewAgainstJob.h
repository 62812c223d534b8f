#pragma once

#include "core/canvas/preview/PreviewGeometry.h"

#include <QImage>
#include <QSizeF>

#include <string>

// The canvas's preview against the print itself: for every dot the job
// prints black, the preview pixel over it is not white, and every 8 x 8
// block of preview pixels wholly on the picture and the canvas is as light
// as the dots the job has under it, within 3 %.
class PreviewAgainstJob {
public:
    // The job as the canvas sees it: dot (u, v) of the canvas, black or white.
    struct Job {
        QImage bitmap;
        qint64 W = 0;
        qint64 H = 0;
        bool black(qint64 u, qint64 v) const {
            return bitmap.constScanLine(int(W - 1 - u))[H - 1 - v] < 128;
        }
    };

    // The preview of a picture view of the size (its gray pixels at the
    // scale) against the job; a description of the first faults, empty when
    // it agrees.
    static std::string compare(const QImage& view, const Job& job,
                               const kestrom::PreviewGeometry& geometry, const QSizeF& viewSize,
                               double scale);
};
