#pragma once

#include "imaging/print/BlackConversionPass.h"
#include "imaging/print/DeviceBlackConversionInfo.h"
#include "imaging/print/PicturePlacement.h"
#include "model/pictures/OriginalImage.h"
#include "model/pictures/OriginalImageDrawingOptions.h"
#include "model/units/Dpi.h"
#include "platform/graphics/GraphicsContext.h"

#include <QImage>

#include <functional>
#include <memory>
#include <optional>

namespace platform {
class OrientedImageCache;
class Progress;
namespace compute {
class ThreadPool;
}
} // namespace platform

namespace quenta {

// How a print lays its picture into the gray bitmap of the canvas, turned a
// quarter so that a bitmap column runs across the head, and converts it. The
// print draws the whole canvas this way; the canvas preview draws pieces of
// it with the same calls, so what it shows is what is printed.
class PrintPictureDrawing {
public:
    // Fills the bitmap white and draws into it, in bands of rows drawn at
    // once on the pool's workers (bands 0: as many as suit the pool); any
    // band count gives the same pixels. The bitmap's rows must be packed.
    // Pictures are turned once into the cache given (a new one without),
    // which drawings of other pieces of the same bitmap may share; unless
    // each drawing makes pictures of its own, which are then not kept.
    static void fillAndDraw(QImage& buffer, platform::compute::ThreadPool* pool, int bands,
                            bool recordable,
                            const std::function<void(platform::GraphicsContext&)>& draw,
                            std::shared_ptr<platform::OrientedImageCache> images = {},
                            bool sharesPictures = true);

    // Draws the copies across x down of the placed picture into a context
    // over the bitmap of a canvas canvasHeight dots high. A cancelled
    // progress stops between copies. A vector page under a threshold at the
    // middle gray is rendered unsmoothed; its pixels come from the page's
    // own rendering for the bitmap (OriginalImage::pageRenderings), which
    // the bands of one drawing, its copies and later drawings of the same
    // placement share.
    static void drawCopies(platform::GraphicsContext& context, const PicturePlacement& placement,
                           const ambrel::OriginalImage& image,
                           const ambrel::OriginalImageDrawingOptions& options, qint64 canvasHeight,
                           PicturePlacement::CopyRange across, PicturePlacement::CopyRange down,
                           const std::shared_ptr<platform::Progress>& progress = {});

    // Whether drawCopies renders the picture unsmoothed under the conversion:
    // a vector page under a threshold at the middle gray.
    static bool rendersUnsmoothed(const ambrel::OriginalImage& image,
                                  const ambrel::BlackConversion& conversion);

    // Whether a drawing of the picture may be recorded and written by our
    // own scaling (a vector page is copied from its rendering instead).
    static bool isRecordable(const ambrel::OriginalImage& image) { return !image.isVector(); }

    // Whether drawings of pieces of the bitmap may share the pictures they
    // turn (a vector page's rendering comes turned).
    static bool sharesPictures(const ambrel::OriginalImage& image) { return !image.isVector(); }

    // The conversion the print runs over its bitmap at the model's
    // resolution, with the model's information.
    static BlackConversionPass::OutputConfiguration
    outputConfiguration(ambrel::Dpi dpi, const std::optional<DeviceBlackConversionInfo>& info);
};

} // namespace quenta
