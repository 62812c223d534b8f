#include "app/tavrin/TavrinBitmapRenderer.h"

#include "app/tavrin/TavrinPicturePlacement.h"
#include "imaging/print/BlackConversionPass.h"
#include "imaging/print/ConvertingBandDrawing.h"
#include "imaging/print/PrintPictureDrawing.h"
#include "model/errors/ConnectionError.h"
#include "model/pictures/GraphicsExtensions.h"
#include "platform/Log.h"
#include "platform/Progress.h"
#include "platform/compute/Device.h"
#include "platform/graphics/PageImage.h"
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

TavrinPicturePlacement placementOnCanvas(qint64 W, qint64 H,
                                         const ambrel::OriginalImageDrawingOptions& options,
                                         ambrel::Dpi dpi) {
    const TavrinPicturePlacement placement =
        TavrinPicturePlacement::compute(TavrinPicturePlacement::inputFor(options, {W, H}, dpi));
    const auto across = placement.copiesAcrossWithin(W);
    const auto down = placement.copiesDownWithin(H);
    // A job without one dot of the picture would expose a whole screen for
    // nothing and still be reported as done.
    if (across.first >= across.end || down.first >= down.end) {
        throw ambrel::ConnectionError(ambrel::ConnectionError::Case::documentImageIsNotInCanvas);
    }
    return placement;
}

void renderOriginalImage(const TavrinBitmapRenderer::Device& device, qint64 W, qint64 H,
                         const ambrel::OriginalImage& image,
                         const ambrel::OriginalImageDrawingOptions& options,
                         TavrinBitmapInfo_px& info,
                         const std::shared_ptr<platform::Progress>& progress, int bands,
                         TavrinBitmapRenderer::Conversion conversion) {
    QImage& buffer = info.bitmap;
    const ambrel::Dpi dpi = device.dpi;
    // Refuses a picture that is too small, or off the canvas, before any
    // memory is taken.
    const TavrinPicturePlacement placement = placementOnCanvas(W, H, options, dpi);
    const auto across = placement.copiesAcrossWithin(W);
    const auto down = placement.copiesDownWithin(H);

    const auto compute = platform::compute::Device::systemDefault();
    platform::compute::ThreadPool* pool = compute ? &compute->threadPool() : nullptr;
    buffer = printBitmap(W, H, pool);
    const quenta::BlackConversionPass::OutputConfiguration configuration =
        quenta::PrintPictureDrawing::outputConfiguration(
            dpi, device.additionalInfos.valueOrDefault<quenta::DeviceBlackConversionInfo>());
    const auto draw = [&](GraphicsContext& context) {
        quenta::PrintPictureDrawing::drawCopies(context, placement, image, options, H, across, down,
                                                progress);
    };
    // A threshold alone costs the packing nothing, which compares the gray
    // bytes as it packs them: converting it in the bands would only write
    // the bitmap once more.
    const bool packingThresholds =
        conversion == TavrinBitmapRenderer::Conversion::vectorInBands &&
        options.imageBitmapConversion.thresholdOption() &&
        quenta::ConvertingBandDrawing::reach(options.imageBitmapConversion, configuration) == 0;
    if (image.isVector() && conversion != TavrinBitmapRenderer::Conversion::pending &&
        !packingThresholds) {
        // A vector page is drawn band by band on the workers from the one
        // rendering of the page, and each band converted on the worker that
        // drew it as soon as it is drawn.
        quenta::ConvertingBandDrawing::drawAndConvert(buffer, pool, bands, draw,
                                                      options.imageBitmapConversion, configuration);
        return;
    }
    quenta::PrintPictureDrawing::fillAndDraw(
        buffer, pool, bands, quenta::PrintPictureDrawing::isRecordable(image), draw, {},
        quenta::PrintPictureDrawing::sharesPictures(image));
    if (conversion != TavrinBitmapRenderer::Conversion::inPlace) {
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
    quenta::PrintPictureDrawing::fillAndDraw(
        buffer, pool, bands, true, [&](GraphicsContext& context) {
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
    return renderBitmap(device, canvasSize, source, progress, bands, Conversion::inPlace);
}

TavrinBitmapInfo_px
TavrinBitmapRenderer::renderGray(const Device& device, const ambrel::Size_mm& canvasSize,
                                 const ambrel::ImageSource& source,
                                 const std::shared_ptr<platform::Progress>& progress, int bands) {
    return renderBitmap(device, canvasSize, source, progress, bands, Conversion::pending);
}

TavrinBitmapInfo_px TavrinBitmapRenderer::renderForPrint(
    const Device& device, const ambrel::Size_mm& canvasSize, const ambrel::ImageSource& source,
    const std::shared_ptr<platform::Progress>& progress, int bands) {
    return renderBitmap(device, canvasSize, source, progress, bands, Conversion::vectorInBands);
}

void TavrinBitmapRenderer::checkPlacement(const Device& device, const ambrel::Size_mm& canvasSize,
                                          const ambrel::ImageSource& source) {
    if (source.kind() == ambrel::ImageSource::Kind::originalImage && source.image() &&
        source.options()) {
        placementOnCanvas(device.dpi.imagePx(canvasSize.width),
                          device.dpi.imagePx(canvasSize.height), *source.options(), device.dpi);
    }
}

TavrinBitmapInfo_px TavrinBitmapRenderer::renderBitmap(
    const Device& device, const ambrel::Size_mm& canvasSize, const ambrel::ImageSource& source,
    const std::shared_ptr<platform::Progress>& progress, int bands, Conversion conversion) {
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
                            conversion);
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
