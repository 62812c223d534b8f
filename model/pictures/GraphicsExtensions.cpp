#include "model/pictures/GraphicsExtensions.h"

#include "platform/graphics/ImageLimits.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace ambrel {

std::unique_ptr<platform::GraphicsContext> GraphicsExtensions::grayOpaqueContext(std::uint8_t* data,
                                                                                 Size_px size) {
    if (size.width > std::numeric_limits<int>::max() ||
        size.height > std::numeric_limits<int>::max()) {
        return nullptr;
    }
    return platform::GraphicsContext::makeBitmap(platform::GraphicsContext::PixelFormat::gray8,
                                                 int(size.width), int(size.height), data);
}

void GraphicsExtensions::turnCanvasToColumns(platform::GraphicsContext& context,
                                             double canvasHeight) {
    context.translateBy(canvasHeight, 0);
    context.rotateBy(std::numbers::pi / 2);
}

QByteArray GraphicsExtensions::grayConvertedPixels(const QImage& image) {
    const int w = image.width();
    const int h = image.height();
    QByteArray pixels;
    if (image.isNull() || !platform::ImageLimits::admits(w, h)) {
        return pixels;
    }
    pixels.resize(qsizetype(w) * h);
    auto context = grayOpaqueContext(reinterpret_cast<std::uint8_t*>(pixels.data()), {w, h});
    if (!context) {
        return {};
    }
    context->setGrayFillColor(1.0, 1.0);
    context->fill(QRectF(0, 0, w, h));
    context->setInterpolationQuality(platform::GraphicsContext::InterpolationQuality::none);
    context->drawImage(QRectF(0, 0, w, h), image);
    context.reset(); // finishes painting before the bytes are handed out
    return pixels;
}

QSizeF GraphicsExtensions::rotatedContainerSize(const QSizeF& size, double radians) {
    constexpr double twoPi = 2 * std::numbers::pi;
    constexpr double quarter = std::numbers::pi / 2;
    if (!std::isfinite(radians)) {
        return size; // no turn can be worked out: the picture stays as it is
    }
    double angle = std::fmod(radians, twoPi);
    if (angle < 0) {
        angle += twoPi;
    }
    if (angle >= twoPi) {
        angle = 0;
    }
    const int q = std::min(3, int(angle / quarter));
    const double a = angle - q * quarter;
    const double w = size.width();
    const double h = size.height();
    const double c = std::cos(a);
    const double s = std::sin(a);
    if (q % 2 == 0) {
        return {w * c + h * s, w * s + h * c};
    }
    return {w * s + h * c, w * c + h * s};
}

} // namespace ambrel
