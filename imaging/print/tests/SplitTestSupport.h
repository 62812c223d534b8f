#pragma once

#include "model/connections/PrintTask.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "model/errors/ConnectionError.h"
#include "model/pictures/OriginalImage.h"
#include "platform/Bundle.h"

#include <QImage>
#include <QString>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

namespace splittest {

// A model of the given resolution and head, with a canvas of the given size
// in millimetres and the "imageSplit" entry as JSON text (none when empty).
inline std::shared_ptr<const ambrel::DeviceDescriptor> model(double dpi, qint64 headDotCount,
                                                             double canvasWidth_mm,
                                                             double canvasHeight_mm,
                                                             const QString& imageSplit = {}) {
    const QString additional =
        imageSplit.isEmpty()
            ? QString()
            : QStringLiteral(R"(, "additionalInfos": {"imageSplit": %1})").arg(imageSplit);
    const QString json = QStringLiteral(R"([{"modelName": "M", "printerType": "t", "dpi": %1,
        "headDotCount": %2,
        "canvases": [{"identifier": "C", "size_mm": {"width": %3, "height": %4}}],
        "offsetBases": ["topLeft"]%5}])")
                             .arg(dpi)
                             .arg(headDotCount)
                             .arg(canvasWidth_mm)
                             .arg(canvasHeight_mm)
                             .arg(additional);
    return ambrel::DeviceDescriptor::deviceDescriptors(
               json.toUtf8(), platform::Bundle::named(QStringLiteral("QuentaTests")))
        .first();
}

// A white gray picture with black rectangles.
inline QImage picture(int width, int height, std::initializer_list<QRect> black = {}) {
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(255);
    for (const QRect& r : black) {
        for (int y = r.top(); y <= r.bottom(); ++y) {
            for (int x = r.left(); x <= r.right(); ++x) {
                image.scanLine(y)[x] = 0;
            }
        }
    }
    return image;
}

// Placed at its own pixel size, top left, no repeats, no splitting margins.
inline ambrel::OriginalImageDrawingOptions optionsFor(const QImage& image) {
    ambrel::OriginalImageDrawingOptions options;
    options.imageSize_px = {image.width(), image.height()};
    options.imageOffsetBase = ambrel::OffsetBase::topLeft;
    options.usesMinimumSeparatedXMargin = false;
    options.usesMaximumBlackXLength = false;
    return options;
}

inline ambrel::PrintTask task(const std::shared_ptr<const ambrel::DeviceDescriptor>& device,
                              const QImage& image,
                              const ambrel::OriginalImageDrawingOptions& options) {
    return ambrel::PrintTask(device, device->canvases().first(), ambrel::TransportType::usb,
                             ambrel::ImageSource::originalImage(
                                 ambrel::OriginalImage::fromImage(image, {}, {}, 1), options));
}

// The black pixels' bounding box of a bitmap.
inline QRect blackBounds(const QImage& bitmap) {
    QRect bounds;
    for (int y = 0; y < bitmap.height(); ++y) {
        for (int x = 0; x < bitmap.width(); ++x) {
            if (bitmap.constScanLine(y)[x] == 0) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

// The case of the ConnectionError the run throws.
inline ambrel::ConnectionError::Case failure(const std::function<void()>& run) {
    try {
        run();
    } catch (const ambrel::ConnectionError& error) {
        return error.errorCase();
    }
    ADD_FAILURE() << "no connection error";
    return ambrel::ConnectionError::Case::receivedInvalidData;
}

} // namespace splittest
