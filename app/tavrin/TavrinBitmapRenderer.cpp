#include "app/tavrin/TavrinBitmapRenderer.h"

#include "app/tavrin/TavrinPicturePlacement.h"
#include "imaging/print/BlackConversion.h"
#include "model/ConnectionError.h"
#include "model/GraphicsExtensions.h"
#include "platform/Log.h"
#include "platform/Progress.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>

namespace lunvik {

namespace {

using platform::GraphicsContext;

// W x H bytes of white, owned by the image made over them, so the bitmap
// leaves the rendering without a copy.
QImage whiteBuffer(qint64 canvasWidth, qint64 canvasHeight) {
    if (canvasWidth < 1 || canvasHeight < 1 || canvasWidth > INT_MAX || canvasHeight > INT_MAX) {
        platform::Log::fatal(QStringLiteral("Canvas of %1 x %2 pixels cannot be rendered.")
                                 .arg(canvasWidth)
                                 .arg(canvasHeight));
    }
    const size_t bytes = size_t(canvasWidth) * size_t(canvasHeight);
    auto* data = static_cast<uchar*>(std::malloc(bytes));
    if (!data) {
        platform::Log::fatal(
            QStringLiteral("No memory for a print bitmap of %1 bytes.").arg(bytes));
    }
    std::memset(data, 255, bytes);
    // Rows of exactly H bytes: one row is one line along the canvas's height.
    return QImage(
        data, int(canvasHeight), int(canvasWidth), qsizetype(canvasHeight),
        QImage::Format_Grayscale8, [](void* p) { std::free(p); }, data);
}

std::unique_ptr<GraphicsContext> contextOver(QImage& buffer) {
    auto context = ambrel::GraphicsExtensions::grayOpaqueContext(
        buffer.bits(), ambrel::Size_px{buffer.width(), buffer.height()});
    if (!context) {
        platform::Log::fatal(QStringLiteral("Could not make the gray context of a print bitmap."));
    }
    return context;
}

void renderOriginalImage(const TavrinBitmapRenderer::Device& device, qint64 W, qint64 H,
                         const ambrel::OriginalImage& image,
                         const ambrel::OriginalImageDrawingOptions& options, QImage& buffer,
                         const std::shared_ptr<platform::Progress>& progress) {
    const ambrel::Dpi dpi = device.dpi;
    TavrinPicturePlacement::Input input;
    input.canvas = {W, H};
    input.imageSize = options.imageSize_px;
    input.orientation = options.imageOrientation;
    input.offsetBase = options.imageOffsetBase;
    input.offsetX = dpi.imagePx(options.imageOffset_mm.x);
    input.offsetY = dpi.imagePx(options.imageOffset_mm.y);
    input.marginX = dpi.imagePx(options.imageRepeatXMargin_mm);
    input.marginY = dpi.imagePx(options.imageRepeatYMargin_mm);
    input.repeatXCount = options.imageRepeatXCount;
    input.repeatYCount = options.imageRepeatYCount;
    // Refuses a picture that is too small before any memory is taken.
    const TavrinPicturePlacement placement = TavrinPicturePlacement::compute(input);

    buffer = whiteBuffer(W, H);
    {
        auto context = contextOver(buffer);
        context->saveGState();
        // A canvas point (u, v) lands on (H - v, u): bitmap columns run along
        // the canvas's height.
        context->translateBy(double(H), 0);
        context->rotateBy(std::numbers::pi / 2);
        context->setAllowsAntialiasing(false);
        ambrel::GraphicsExtensions::performSavingGState(*context, [&] {
            if (image.isVector()) {
                context->setShouldAntialias(false);
            } else {
                context->setInterpolationQuality(GraphicsContext::InterpolationQuality::high);
            }
            const auto across = placement.copiesAcrossWithin(W);
            const auto down = placement.copiesDownWithin(H);
            for (qint64 i = across.first; i < across.end; ++i) {
                if (progress && progress->isCancelled()) {
                    break;
                }
                for (qint64 j = down.first; j < down.end; ++j) {
                    image.draw(QRectF(placement.copyRect(i, j)), options.imageOrientation,
                               options.flipsImageHorizontal, *context, true);
                }
            }
        });
        context->restoreGState();
    }

    quenta::BlackConversion::OutputConfiguration configuration;
    configuration.purpose = quenta::BlackConversion::OutputConfiguration::Purpose::output;
    configuration.dpi = dpi;
    configuration.deviceAdditionalInfo =
        device.additionalInfos.valueOrDefault<quenta::DeviceBlackConversionInfo>();
    configuration.filterRotationCount = 1;
    configuration.filterOffset = QPointF(0, 0);
    quenta::BlackConversion::apply(options.imageBitmapConversion, buffer.bits(),
                                   ambrel::Size_px{H, W}, configuration);
}

void renderCanvasSizedImage(qint64 W, qint64 H, const QImage& picture, QImage& buffer) {
    buffer = whiteBuffer(W, H);
    auto context = contextOver(buffer);
    context->saveGState();
    // A canvas point (u, v) lands on (v, u).
    context->translateBy(0, double(W));
    context->rotateBy(-std::numbers::pi / 2);
    context->translateBy(double(W), 0);
    context->scaleBy(-1, 1);
    context->setAllowsAntialiasing(false);
    if (!picture.isNull()) {
        context->drawImage(QRectF(0, 0, double(W), double(H)), picture);
    }
    context->restoreGState();
}

} // namespace

TavrinBitmapInfo_px
TavrinBitmapRenderer::render(const Device& device, const ambrel::Size_mm& canvasSize,
                             const ambrel::ImageSource& source,
                             const std::shared_ptr<platform::Progress>& progress) {
    const qint64 W = device.dpi.imagePx(canvasSize.width);
    const qint64 H = device.dpi.imagePx(canvasSize.height);
    TavrinBitmapInfo_px info;
    switch (source.kind()) {
    case ambrel::ImageSource::Kind::originalImage:
        if (!source.image() || !source.options()) {
            throw ambrel::ConnectionError(ambrel::ConnectionError::Case::noImageInDocument);
        }
        renderOriginalImage(device, W, H, *source.image(), *source.options(), info.bitmap,
                            progress);
        break;
    case ambrel::ImageSource::Kind::canvasSizedImage: {
        const auto handler = source.canvasSizedImageHandler();
        renderCanvasSizedImage(W, H, handler ? handler() : QImage(), info.bitmap);
        break;
    }
    case ambrel::ImageSource::Kind::rawImageData:
        platform::Log::fatal(QStringLiteral("Sending raw image data is not supported."));
    }
    info.location_px = 0;
    return info;
}

} // namespace lunvik
