#pragma once

#include "core/canvas/preview/PreviewGeometry.h"
#include "imaging/print/DeviceBlackConversionInfo.h"
#include "model/pictures/BlackConversion.h"
#include "model/pictures/OriginalImage.h"

#include <QImage>
#include <QRectF>
#include <QSizeF>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace platform {
class OrientedImageCache;
namespace compute {
class ThreadPool;
}
} // namespace platform

namespace kestrom {

// A tile of the preview made from the print's own dots: the piece of the
// canvas bitmap under the tile is drawn as the print draws it, converted as
// the print converts it (threshold with its widening, or the halftone screen
// with the model's gamma, at the model's resolution, turned and mirrored as
// printed), and reduced to the tile's pixels by area average. A line that
// prints is never lost: narrower than a pixel it shows gray.
//
// Plain values in, an image out; safe to run on several threads at once.
class PreviewTileRenderer {
public:
    // One tile of a picture view: its frame in the view's points, the view's
    // size (spanning the first copy's dots) and tile pixels per point.
    struct Request {
        QRectF frame;
        QSizeF viewSize;
        double scale = 1;
        // Pixels along each side of the tile.
        int side() const;
    };

    // Gray dots of a piece of the canvas bitmap, before conversion, as the
    // print draws them there; rows run along the canvas's height, as in the
    // print's bitmap. Kept so that a new conversion need not draw again.
    struct Dots {
        QImage gray;     // packed rows, one byte a dot
        qint64 row0 = 0; // the bitmap row and column of its first dot
        qint64 column0 = 0;
        bool isNull() const { return gray.isNull(); }
        qint64 bytes() const { return gray.isNull() ? 0 : gray.sizeInBytes(); }
    };

    // The canvas dots [u0, u1) x [v0, v1) the tile shows (x across, y down);
    // empty when it shows none of the picture.
    struct DotRect {
        qint64 u0 = 0, u1 = 0, v0 = 0, v1 = 0;
        bool isEmpty() const { return u1 <= u0 || v1 <= v0; }
        bool operator==(const DotRect&) const = default;
    };
    static DotRect dotsShown(const PreviewGeometry& geometry, const Request& request);

    // The largest piece drawn for one tile: a view far coarser than the
    // dots gets no tile rather than exhausting memory.
    static constexpr qint64 maximumDotsPerTile = 96'000'000;

    // Draws the dots a tile needs, with room for the widening of black
    // around them. Null when the tile shows no picture or when there is no
    // memory for it.
    // The picture is turned once into the cache given, shared by the tiles.
    static Dots draw(const ambrel::OriginalImage& image, const PreviewGeometry& geometry,
                     const Request& request,
                     std::shared_ptr<platform::OrientedImageCache> images = {});

    // The dots of several tiles of one view, each as draw gives it. A vector
    // page's dots are drawn once for all of them, in bands side by side on
    // the pool's workers, from the page's rendering, which the picture keeps
    // (OriginalImage::pageRenderings) and the first bands make when it is
    // not there: a move of the picture draws its dots again without
    // rendering the page. Other pictures, and pieces too large to hold at
    // once, are drawn tile by tile on the workers.
    static std::vector<Dots> drawAll(const ambrel::OriginalImage& image,
                                     const PreviewGeometry& geometry,
                                     const std::vector<Request>& requests,
                                     std::shared_ptr<platform::OrientedImageCache> images,
                                     platform::compute::ThreadPool* pool);

    // The tile from drawn dots: white beyond the picture. Null when the
    // conversion cannot run or there is no memory for the tile.
    static QImage reduce(const Dots& dots, const ambrel::BlackConversion& conversion,
                         const std::optional<quenta::DeviceBlackConversionInfo>& info,
                         const PreviewGeometry& geometry, const Request& request);

    // Both steps.
    static QImage render(const ambrel::OriginalImage& image,
                         const ambrel::BlackConversion& conversion,
                         const std::optional<quenta::DeviceBlackConversionInfo>& info,
                         const PreviewGeometry& geometry, const Request& request);

    // The whole first copy as dots reduced into an image of the size (the
    // view's shape), tile by tile; null when there is no memory for it, or
    // when `wanted` says between tiles that it is no longer wanted.
    static QImage renderWhole(const ambrel::OriginalImage& image,
                              const ambrel::BlackConversion& conversion,
                              const std::optional<quenta::DeviceBlackConversionInfo>& info,
                              const PreviewGeometry& geometry, const QSize& size,
                              const std::function<bool()>& wanted = {});

    // Whether the conversion gives the same dots wherever the picture lies
    // (on even dots): a threshold does, a halftone screen does not.
    static bool dependsOnPosition(const ambrel::BlackConversion& conversion);
};

} // namespace kestrom
