#include "core/canvas/preview/PreviewImageRules.h"

#include "imaging/print/BlackConversionPass.h"
#include "platform/compute/Device.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/GrayPictureReduction.h"

#include <QTransform>

#include <algorithm>
#include <cmath>
#include <vector>

namespace kestrom {

namespace {

// Pictures from this many pixels on are read on the compute workers when
// they are averaged down; smaller ones take less than the hand-over.
constexpr qint64 largePicturePixels = 4'000'000;

QImage averagedDown(const QImage& picture, const QSize& size) {
    const auto device = qint64(picture.width()) * picture.height() >= largePicturePixels
                            ? platform::compute::Device::systemDefault()
                            : nullptr;
    return platform::GrayPictureReduction::reduced(picture, size,
                                                   device ? &device->threadPool() : nullptr);
}

// For a point of the shown (turned, mirrored) picture, in fractions of its
// size, the point of the upright picture it shows.
QPointF uprightFraction(double a, double b, ambrel::ImageRotation orientation, bool flips) {
    QPointF m;
    switch (orientation.rawValue()) {
    case 1:
        m = QPointF(b, 1 - a);
        break;
    case 2:
        m = QPointF(1 - a, 1 - b);
        break;
    case 3:
        m = QPointF(1 - b, a);
        break;
    default:
        m = QPointF(a, b);
        break;
    }
    return flips ? QPointF(1 - m.x(), m.y()) : m;
}

// The upright picture sampled into a tile: nearest pixels, so that the
// black-and-white dots stay crisp.
QImage sampleTileOf(const QImage& preview, const QRectF& frame, const QSizeF& viewSize,
                    double scale, ambrel::ImageRotation orientation, bool flips, bool fullColor) {
    const int n = int(scale * PreviewImageRules::tileWidth);
    QImage tile(n, n, fullColor ? QImage::Format_RGB32 : QImage::Format_Grayscale8);
    tile.fill(Qt::white);
    const int pw = preview.width();
    const int ph = preview.height();
    if (tile.isNull() || preview.isNull() || viewSize.isEmpty()) {
        return tile; // null without memory for it: the tile stays undrawn
    }
    // A packed preview is read bit by bit below.
    const bool packed = preview.format() == QImage::Format_Mono && !fullColor;
    const bool sameFormat = packed || preview.format() == tile.format();
    const QImage source = sameFormat ? preview : preview.convertToFormat(tile.format());
    if (source.isNull()) {
        return tile;
    }
    // Limited in floating point first: the view may be far larger than an int.
    const auto pixels = [&](double remaining) {
        return int(std::clamp(std::ceil(remaining * scale), 0.0, double(n)));
    };
    const int rows = pixels(viewSize.height() - frame.y());
    const int columns = pixels(viewSize.width() - frame.x());
    std::vector<int> xs(std::max(columns, 0));
    for (int py = 0; py < rows; ++py) {
        const double b = (frame.y() + (py + 0.5) / scale) / viewSize.height();
        for (int px = 0; px < columns; ++px) {
            const double a = (frame.x() + (px + 0.5) / scale) / viewSize.width();
            const QPointF u = uprightFraction(a, b, orientation, flips);
            const int sx = std::clamp(int(u.x() * pw), 0, pw - 1);
            const int sy = std::clamp(int(u.y() * ph), 0, ph - 1);
            if (fullColor) {
                reinterpret_cast<QRgb*>(tile.scanLine(py))[px] =
                    reinterpret_cast<const QRgb*>(source.constScanLine(sy))[sx];
            } else if (packed) {
                const uchar bits = source.constScanLine(sy)[sx >> 3];
                tile.scanLine(py)[px] = bits & (0x80 >> (sx & 7)) ? 255 : 0;
            } else {
                tile.scanLine(py)[px] = source.constScanLine(sy)[sx];
            }
        }
    }
    return tile;
}

// The tiles along one side of the view that meet [low, high): indices from
// first up to, not including, end, computed in floating point so that no
// size overflows.
std::pair<qint64, qint64> tileSpan(double low, double high, double extent) {
    const double count = std::min(std::ceil(extent / PreviewImageRules::tileWidth), 1e15);
    const double first = std::clamp(std::floor(low / PreviewImageRules::tileWidth), 0.0, count);
    double end = std::clamp(std::ceil(high / PreviewImageRules::tileWidth), first, count);
    end = std::min(end, first + double(PreviewImageRules::maximumTileSpan));
    return {qint64(first), qint64(end)};
}

} // namespace

std::optional<QSize> PreviewImageRules::previewSize(double widthPerHeight, double budget) {
    if (!std::isfinite(widthPerHeight) || !(widthPerHeight > 0) || !(budget >= 1)) {
        return std::nullopt;
    }
    const double s = std::sqrt(budget / widthPerHeight);
    const auto side = [budget](double v) { return int(std::clamp(std::round(v), 1.0, budget)); };
    return QSize(side(widthPerHeight * s), side(s));
}

QList<QRectF> PreviewImageRules::tileFrames(const QSizeF& size, const std::optional<QRectF>& area) {
    QList<QRectF> frames;
    if (!(size.width() > 0) || !(size.height() > 0) || !std::isfinite(size.width()) ||
        !std::isfinite(size.height())) {
        return frames;
    }
    const QRectF whole(QPointF(0, 0), size);
    const QRectF shown = area ? area->intersected(whole) : whole;
    if (!(shown.width() > 0) || !(shown.height() > 0)) {
        return frames;
    }
    const auto [firstColumn, endColumn] = tileSpan(shown.left(), shown.right(), size.width());
    const auto [firstRow, endRow] = tileSpan(shown.top(), shown.bottom(), size.height());
    frames.reserve((endColumn - firstColumn) * (endRow - firstRow));
    for (qint64 row = firstRow; row < endRow; ++row) {
        for (qint64 column = firstColumn; column < endColumn; ++column) {
            frames.append(
                QRectF(double(column) * tileWidth, double(row) * tileWidth, tileWidth, tileWidth));
        }
    }
    return frames;
}

// A converted preview that holds only black and white, one bit a pixel
// (set for white): at the preview's budget that is 0.75 MB instead of 6 MB,
// and every open document keeps its preview. Gray values (a conversion that
// could not run) keep their bytes.
QImage PreviewImageRules::packedIfBlackAndWhite(const QImage& preview) {
    if (preview.format() != QImage::Format_Grayscale8) {
        return preview;
    }
    QImage packed(preview.size(), QImage::Format_Mono);
    if (packed.isNull()) {
        return preview;
    }
    packed.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < preview.height(); ++y) {
        const uchar* row = preview.constScanLine(y);
        uchar* bits = packed.scanLine(y);
        std::fill_n(bits, packed.bytesPerLine(), uchar(0));
        for (int x = 0; x < preview.width(); ++x) {
            if (row[x] == 255) {
                bits[x >> 3] |= uchar(0x80 >> (x & 7));
            } else if (row[x] != 0) {
                return preview;
            }
        }
    }
    return packed;
}

QImage PreviewImageRules::sampleTile(const QImage& preview, const QRectF& frame,
                                     const QSizeF& viewSize, double scale,
                                     ambrel::ImageRotation orientation, bool flips,
                                     bool fullColor) {
    return sampleTileOf(preview, frame, viewSize, scale, orientation, flips, fullColor);
}

QImage PreviewImageRules::thumbnail(const QImage& preview, ambrel::ImageRotation orientation,
                                    bool flips, bool fullColor) {
    const int side = thumbnailSide;
    const double scale = 1.0;
    // Averaged down first, so that a line keeps its share of the tone
    // rather than a whole pixel or none; then only turned.
    // On this thread: a preview within its budget averages down in about a
    // millisecond, less than waking the workers takes on a busy machine.
    const QImage averaged =
        fullColor ? QImage() : platform::GrayPictureReduction::reduced(preview, QSize(side, side));
    return sampleTileOf(averaged.isNull() ? preview : averaged, QRectF(0, 0, side, side),
                        QSizeF(side, side), scale, orientation, flips, fullColor)
        .copy(0, 0, side, side);
}

QImage PreviewImageRules::drawPicture(const ambrel::OriginalImage::Pointer& image,
                                      ambrel::ColorAbility colorAbility,
                                      const std::optional<QSize>& size, const QImage& scaled) {
    const int width = size ? size->width() : 1;
    const int height = size ? size->height() : 1;
    const bool fullColor = colorAbility == ambrel::ColorAbility::fullColor;
    // A raster picture is averaged down: the painter's smooth scaling makes
    // a thin line of a large picture a whole pixel wide, or loses it.
    const QImage pixels = !size                         ? QImage()
                          : !scaled.isNull()            ? scaled
                          : image && !image->isVector() ? image->cgImage().value_or(QImage())
                                                        : QImage();
    if (!fullColor && !pixels.isNull()) {
        return averagedDown(pixels, *size);
    }
    auto context = platform::GraphicsContext::makeBitmap(
        fullColor ? platform::GraphicsContext::PixelFormat::rgbx8888
                  : platform::GraphicsContext::PixelFormat::gray8,
        width, height);
    if (!context) {
        return {};
    }
    context->setAllowsAntialiasing(false);
    context->setGrayFillColor(1.0, 1.0);
    context->fill(QRectF(0, 0, width, height));
    if (size) {
        context->setInterpolationQuality(platform::GraphicsContext::InterpolationQuality::high);
        const QRectF rect(0, 0, width, height);
        if (!scaled.isNull()) {
            context->drawImage(rect, scaled);
        } else {
            image->draw(rect, ambrel::ImageRotation::none, false, *context, false);
        }
    }
    QImage drawn = context->makeImage();
    return fullColor ? drawn.convertToFormat(QImage::Format_RGB32)
                     : drawn.convertToFormat(QImage::Format_Grayscale8);
}

QImage
PreviewImageRules::convertPreview(const QImage& drawn, const ambrel::BlackConversion& conversion,
                                  const std::optional<quenta::DeviceBlackConversionInfo>& info,
                                  ambrel::ImageRotation orientation, double dpi) {
    if (drawn.isNull()) {
        return {};
    }
    const int width = drawn.width();
    const int height = drawn.height();
    // The conversion takes packed rows.
    std::vector<uchar> gray;
    QImage preview(width, height, QImage::Format_Grayscale8);
    try {
        gray.resize(size_t(width) * size_t(height));
    } catch (const std::bad_alloc&) {
        return {};
    }
    if (preview.isNull()) {
        return {};
    }
    for (int y = 0; y < height; ++y) {
        std::copy_n(drawn.constScanLine(y), width, gray.data() + size_t(y) * size_t(width));
    }
    quenta::BlackConversionPass::OutputConfiguration configuration;
    configuration.purpose = quenta::BlackConversionPass::OutputConfiguration::Purpose::preview;
    configuration.dpi = ambrel::Dpi(dpi);
    configuration.deviceAdditionalInfo = info;
    configuration.filterRotationCount = -qint64(orientation.rawValue());
    configuration.filterOffset = QPointF(0, 0);
    // Whole dots cannot be told at this scale: no widening.
    configuration.pixelsPerDeviceDot = 0;
    quenta::BlackConversionPass::apply(conversion, gray.data(), ambrel::Size_px{width, height},
                                       configuration);
    for (int y = 0; y < height; ++y) {
        std::copy_n(gray.data() + size_t(y) * size_t(width), width, preview.scanLine(y));
    }
    return preview;
}

QImage PreviewImageRules::orientedImage(const QImage& upright, ambrel::ImageRotation orientation,
                                        bool flipsHorizontal) {
    QImage image = flipsHorizontal ? upright.mirrored(true, false) : upright;
    if (orientation != ambrel::ImageRotation::none) {
        image = image.transformed(QTransform().rotate(orientation.degrees()));
    }
    return image;
}

} // namespace kestrom
