#pragma once

#include <QImage>
#include <QSize>

namespace platform {

namespace compute {
class ThreadPool;
}

// A raster picture reduced to a smaller gray picture by area average: each
// pixel is the mean of the picture over its extent, as the picture lies on
// a white gray page. A painter's smooth scaling reads only the few pixels
// around each sample, so a line much thinner than the sample spacing is
// missed or drawn whole, a pixel wide; the average gives it its share.
// The picture is read in bands of rows made gray as they are needed, never
// copied whole.
class GrayPictureReduction {
public:
    // The picture at the size, upright; a null picture for none, for a size
    // below one pixel, or when there is no memory for it. With a pool, bands
    // of rows are made at once on its workers.
    static QImage reduced(const QImage& picture, const QSize& size,
                          compute::ThreadPool* pool = nullptr);
};

} // namespace platform
