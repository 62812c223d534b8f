#include "app/tavrin/TavrinBitmapRenderer.h"

#include "app/tavrin/TavrinPicturePlacement.h"
#include "imaging/print/BlackConversionPass.h"
#include "model/errors/ConnectionError.h"
#include "model/pictures/GraphicsExtensions.h"
#include "platform/Log.h"
#include "platform/Progress.h"
#include "platform/compute/Device.h"
#include "platform/graphics/GrayPageWriter.h"
#include "platform/graphics/OrientedImageCache.h"
#include "platform/graphics/PageImage.h"
#include "platform/graphics/PlacementRecorder.h"
#include "platform/usb/UsbResult.h"
#include "transport/model/PipeError.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <numbers>

namespace lunvik {

namespace {

using platform::GraphicsContext;

// W x H bytes for the canvas, owned by the image made over them, so the
// bitmap leaves the rendering without a copy. Page-sized memory comes from
// the compute layer: large pages, and the block of the previous print is
// taken again rather than faulted in afresh. It is not cleared here: the
// drawing bands fill it.
QImage printBitmap(qint64 canvasWidth, qint64 canvasHeight, platform::compute::ThreadPool* pool) {
    // A canvas or resolution of nothing (a defective model description)
    // fails the print instead of ending the program.
    if (canvasWidth < 1 || canvasHeight < 1) {
        throw ambrel::ConnectionError(ambrel::ConnectionError::Case::documentImageIsNotInCanvas);
    }
    if (canvasWidth > INT_MAX || canvasHeight > INT_MAX) {
        platform::Log::fatal(QStringLiteral("Canvas of %1 x %2 pixels cannot be rendered.")
                                 .arg(canvasWidth)
                                 .arg(canvasHeight));
    }
    // Rows of exactly H bytes: one row is one line along the canvas's height.
    if (pool) {
        QImage image = platform::PageImage::gray(int(canvasHeight), int(canvasWidth),
                                                 qsizetype(canvasHeight), *pool);
        if (!image.isNull()) {
            return image;
        }
    }
    const size_t bytes = size_t(canvasWidth) * size_t(canvasHeight);
    auto* data = static_cast<uchar*>(std::malloc(bytes));
    if (!data) {
        // The print fails as a send without memory fails; the program and
        // its documents go on.
        platform::Log::line(QStringLiteral("No memory for a print bitmap of %1 bytes.").arg(bytes));
        fennick::MakeNSErrorWithIOReturn(platform::UsbResult::noMemory)->raise();
    }
    return QImage(
        data, int(canvasHeight), int(canvasWidth), qsizetype(canvasHeight),
        QImage::Format_Grayscale8, [](void* p) { std::free(p); }, data);
}

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

// Fills the bitmap white and draws into it, in bands of rows drawn at once
// on the compute workers. A drawing that only lays gray pictures (or colour
// ones made gray) over whole pixels with their axes on the bitmap's is
// recorded first and written by our own scaling, each band in one pass.
// Anything else is painted: each band is cleared and drawn while it is in the
// cache, and every band's context clips to its rows, so a band gets exactly
// the pixels a drawing of the whole bitmap gives there. Drawings that are not
// safe to run side by side go in one band; those costly to make twice (a
// vector page, rendered by each drawing) are not recorded. Bands share the
// pictures they turn unless each draws pictures of its own (a vector page
// renders only the rows of its band).
void fillAndDraw(QImage& buffer, platform::compute::ThreadPool* pool, int bands, bool recordable,
                 const std::function<void(GraphicsContext&)>& draw, bool sharesPictures = true) {
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
    auto sharedImages = std::make_shared<platform::OrientedImageCache>();
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

void renderOriginalImage(const TavrinBitmapRenderer::Device& device, qint64 W, qint64 H,
                         const ambrel::OriginalImage& image,
                         const ambrel::OriginalImageDrawingOptions& options,
                         TavrinBitmapInfo_px& info,
                         const std::shared_ptr<platform::Progress>& progress, int bands,
                         bool convertsInPlace) {
    QImage& buffer = info.bitmap;
    const ambrel::Dpi dpi = device.dpi;
    // Refuses a picture that is too small before any memory is taken.
    const TavrinPicturePlacement placement =
        TavrinPicturePlacement::compute(TavrinPicturePlacement::inputFor(options, {W, H}, dpi));

    const auto compute = platform::compute::Device::systemDefault();
    platform::compute::ThreadPool* pool = compute ? &compute->threadPool() : nullptr;
    buffer = printBitmap(W, H, pool);
    // A vector page is rendered band by band on the workers, each band only
    // the part of the page its rows show. A threshold at the middle gray
    // makes an edge pixel black where the page covers more than half of it:
    // the page is rendered unsmoothed, each pixel of the colour at its
    // centre, which keeps the edges within a pixel of that and is about
    // twice as quick. (Rendering at one bit would be quicker still, but
    // poppler dithers grays and colours there, which a threshold does not.)
    const bool recordable = !image.isVector();
    const auto threshold = options.imageBitmapConversion.thresholdOption();
    const bool unsmoothed = image.isVector() && threshold && threshold->threshold == 0.5;
    fillAndDraw(
        buffer, pool, bands, recordable,
        [&](GraphicsContext& context) {
            context.saveGState();
            ambrel::GraphicsExtensions::turnCanvasToColumns(context, double(H));
            context.setAllowsAntialiasing(false);
            context.setRendersPagesUnsmoothed(unsmoothed);
            ambrel::GraphicsExtensions::performSavingGState(context, [&] {
                if (image.isVector()) {
                    context.setShouldAntialias(false);
                } else {
                    context.setInterpolationQuality(GraphicsContext::InterpolationQuality::high);
                }
                const auto across = placement.copiesAcrossWithin(W);
                const auto down = placement.copiesDownWithin(H);
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
        },
        !image.isVector());

    quenta::BlackConversionPass::OutputConfiguration configuration;
    configuration.purpose = quenta::BlackConversionPass::OutputConfiguration::Purpose::output;
    configuration.dpi = dpi;
    configuration.deviceAdditionalInfo =
        device.additionalInfos.valueOrDefault<quenta::DeviceBlackConversionInfo>();
    configuration.filterRotationCount = 1;
    configuration.filterOffset = QPointF(0, 0);
    if (!convertsInPlace) {
        info.pendingConversion = {options.imageBitmapConversion, configuration};
        return;
    }
    quenta::BlackConversionPass::apply(options.imageBitmapConversion, buffer.bits(),
                                       ambrel::Size_px{H, W}, configuration);
}

void renderCanvasSizedImage(qint64 W, qint64 H, const QImage& picture, QImage& buffer, int bands) {
    const auto device = platform::compute::Device::systemDefault();
    platform::compute::ThreadPool* pool = device ? &device->threadPool() : nullptr;
    buffer = printBitmap(W, H, pool);
    fillAndDraw(buffer, pool, bands, true, [&](GraphicsContext& context) {
        context.saveGState();
        // A canvas point (u, v) lands on (v, u).
        context.translateBy(0, double(W));
        context.rotateBy(-std::numbers::pi / 2);
        context.translateBy(double(W), 0);
        context.scaleBy(-1, 1);
        context.setAllowsAntialiasing(false);
        if (!picture.isNull()) {
            context.drawImage(QRectF(0, 0, double(W), double(H)), picture);
        }
        context.restoreGState();
    });
}

} // namespace

TavrinBitmapInfo_px
TavrinBitmapRenderer::render(const Device& device, const ambrel::Size_mm& canvasSize,
                             const ambrel::ImageSource& source,
                             const std::shared_ptr<platform::Progress>& progress, int bands) {
    return renderBitmap(device, canvasSize, source, progress, bands, true);
}

TavrinBitmapInfo_px
TavrinBitmapRenderer::renderGray(const Device& device, const ambrel::Size_mm& canvasSize,
                                 const ambrel::ImageSource& source,
                                 const std::shared_ptr<platform::Progress>& progress, int bands) {
    return renderBitmap(device, canvasSize, source, progress, bands, false);
}

TavrinBitmapInfo_px TavrinBitmapRenderer::renderBitmap(
    const Device& device, const ambrel::Size_mm& canvasSize, const ambrel::ImageSource& source,
    const std::shared_ptr<platform::Progress>& progress, int bands, bool convertsInPlace) {
    const qint64 W = device.dpi.imagePx(canvasSize.width);
    const qint64 H = device.dpi.imagePx(canvasSize.height);
    TavrinBitmapInfo_px info;
    switch (source.kind()) {
    case ambrel::ImageSource::Kind::originalImage:
        // A picture whose whole pixels did not decode would print blank.
        if (!source.image() || !source.options() || !source.image()->decodeFully()) {
            throw ambrel::ConnectionError(ambrel::ConnectionError::Case::noImageInDocument);
        }
        renderOriginalImage(device, W, H, *source.image(), *source.options(), info, progress, bands,
                            convertsInPlace);
        break;
    case ambrel::ImageSource::Kind::canvasSizedImage: {
        const auto handler = source.canvasSizedImageHandler();
        renderCanvasSizedImage(W, H, handler ? handler() : QImage(), info.bitmap, bands);
        break;
    }
    case ambrel::ImageSource::Kind::rawImageData:
        platform::Log::fatal(QStringLiteral("Sending raw image data is not supported."));
    }
    info.location_px = 0;
    return info;
}

} // namespace lunvik
