#include "imaging/print/PrintPictureDrawing.h"

#include "model/pictures/GraphicsExtensions.h"
#include "platform/Log.h"
#include "platform/Progress.h"
#include "platform/compute/ThreadPool.h"
#include "platform/graphics/GrayPageWriter.h"
#include "platform/graphics/OrientedImageCache.h"
#include "platform/graphics/PlacementRecorder.h"

#include <algorithm>
#include <cstring>

namespace quenta {

namespace {

using platform::GraphicsContext;

// Made from several threads at once: the bitmap's bytes are taken once,
// beforehand, since taking them from the image is not safe to share.
std::unique_ptr<GraphicsContext> contextOver(uchar* bits, const QSize& size) {
    auto context = ambrel::GraphicsExtensions::grayOpaqueContext(
        bits, ambrel::Size_px{size.width(), size.height()});
    if (!context) {
        platform::Log::fatal(QStringLiteral("Could not make the gray context of a print bitmap."));
    }
    return context;
}

} // namespace

// A drawing that only lays gray pictures (or colour ones made gray) over
// whole pixels with their axes on the bitmap's is recorded first and written
// by our own scaling, each band in one pass. Anything else is painted: each
// band is cleared and drawn while it is in the cache, and every band's
// context clips to its rows, so a band gets exactly the pixels a drawing of
// the whole bitmap gives there. Drawings that are not safe to run side by
// side go in one band. A vector page is not recorded: the bands copy it from
// its rendering, whose strips the first bands make side by side.
void PrintPictureDrawing::fillAndDraw(QImage& buffer, platform::compute::ThreadPool* pool,
                                      int bands, bool recordable,
                                      const std::function<void(GraphicsContext&)>& draw,
                                      std::shared_ptr<platform::OrientedImageCache> images,
                                      bool sharesPictures) {
    const int rows = buffer.height();
    const qsizetype rowBytes = buffer.bytesPerLine();
    if (bands <= 0) {
        bands = pool ? int(pool->concurrency()) * 2 : 1;
    }
    bands = std::clamp(bands, 1, rows);
    if (!pool) {
        bands = 1;
    }
    uchar* const bits = buffer.bits();
    const auto sharedImages =
        images ? std::move(images) : std::make_shared<platform::OrientedImageCache>();
    if (recordable) {
        // The recording also turns the pictures, on all workers, before the
        // bands need them.
        platform::PlacementRecorder recorder;
        auto context = contextOver(bits, buffer.size());
        context->shareOrientedImages(sharedImages);
        context->recordPlacements(&recorder);
        draw(*context);
        context.reset();
        if (recorder.isComplete()) {
            platform::GrayPageWriter(recorder.takePlacements(), buffer.width(), buffer.height())
                .write(bits, rowBytes, pool, bands);
            return;
        }
    } else if (bands > 1 && sharesPictures) {
        // A drawing clipped to nothing turns the pictures, on all workers,
        // before the bands need them.
        auto context = contextOver(bits, buffer.size());
        context->clipTo(QRectF());
        context->shareOrientedImages(sharedImages);
        draw(*context);
    }
    auto band = [&](std::size_t b) {
        const int first = int(qint64(rows) * qint64(b) / bands);
        const int end = int(qint64(rows) * qint64(b + 1) / bands);
        std::memset(bits + qsizetype(first) * rowBytes, 255,
                    size_t(end - first) * size_t(rowBytes));
        auto context = contextOver(bits, buffer.size());
        if (bands > 1) {
            // User space has y up: rows [first, end) are y in [rows - end, rows - first).
            context->clipTo(QRectF(0, rows - end, buffer.width(), end - first));
            if (sharesPictures) {
                context->shareOrientedImages(sharedImages);
            }
        }
        draw(*context);
    };
    if (bands == 1) {
        band(0);
    } else {
        pool->parallelFor(size_t(bands), band);
    }
}

void PrintPictureDrawing::drawCopies(GraphicsContext& context, const PicturePlacement& placement,
                                     const ambrel::OriginalImage& image,
                                     const ambrel::OriginalImageDrawingOptions& options,
                                     qint64 canvasHeight, PicturePlacement::CopyRange across,
                                     PicturePlacement::CopyRange down,
                                     const std::shared_ptr<platform::Progress>& progress) {
    context.saveGState();
    const std::shared_ptr<platform::PageRenderings> pages = context.pageRenderings();
    context.sharePageRenderings(image.pageRenderings());
    ambrel::GraphicsExtensions::turnCanvasToColumns(context, double(canvasHeight));
    context.setAllowsAntialiasing(false);
    // A threshold at the middle gray makes an edge pixel black where the
    // page covers more than half of it: a page rendered unsmoothed, each
    // pixel of the colour at its centre, keeps the edges within a pixel of
    // that and is about twice as quick. (Rendering at one bit would be
    // quicker still, but poppler dithers grays and colours there, which a
    // threshold does not.)
    context.setRendersPagesUnsmoothed(rendersUnsmoothed(image, options.imageBitmapConversion));
    ambrel::GraphicsExtensions::performSavingGState(context, [&] {
        if (image.isVector()) {
            context.setShouldAntialias(false);
        } else {
            context.setInterpolationQuality(GraphicsContext::InterpolationQuality::high);
        }
        for (qint64 i = across.first; i < across.end; ++i) {
            if (progress && progress->isCancelled()) {
                break;
            }
            for (qint64 j = down.first; j < down.end; ++j) {
                image.draw(placement.copyRect(i, j), options.imageOrientation,
                           options.flipsImageHorizontal, context, true);
            }
        }
    });
    context.restoreGState();
    context.sharePageRenderings(pages);
}

bool PrintPictureDrawing::rendersUnsmoothed(const ambrel::OriginalImage& image,
                                            const ambrel::BlackConversion& conversion) {
    const auto threshold = conversion.thresholdOption();
    return image.isVector() && threshold && threshold->threshold == 0.5;
}

BlackConversionPass::OutputConfiguration
PrintPictureDrawing::outputConfiguration(ambrel::Dpi dpi,
                                         const std::optional<DeviceBlackConversionInfo>& info) {
    BlackConversionPass::OutputConfiguration configuration;
    configuration.purpose = BlackConversionPass::OutputConfiguration::Purpose::output;
    configuration.dpi = dpi;
    configuration.deviceAdditionalInfo = info;
    // The bitmap lies turned a quarter against the canvas: so does its screen.
    configuration.filterRotationCount = 1;
    configuration.filterOffset = QPointF(0, 0);
    return configuration;
}

} // namespace quenta
