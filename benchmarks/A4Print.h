#pragma once

// PrintBenchmark's A4 print, which other benchmarks time beside their own
// cases: the A4 model's A4 canvas with a 2400 x 3400 gray picture of
// gradients and shapes drawn at twice its size, to the simulated device on
// the in-memory bus.

#include "A4Model.h"

#include "app/simulator/TavrinSimulatorUsb.h"
#include "app/tavrin/TavrinDeviceConnection.h"
#include "model/connections/PrintTask.h"
#include "model/pictures/OriginalImage.h"

#include <QPainter>

namespace bench {

inline ambrel::OriginalImage::Pointer a4GrayPicture() {
    static const auto original = [] {
        QImage image(2400, 3400, QImage::Format_Grayscale8);
        for (int y = 0; y < image.height(); ++y) {
            uchar* row = image.scanLine(y);
            for (int x = 0; x < image.width(); ++x) {
                row[x] = uchar((x * 255 / image.width() + y * 255 / image.height()) / 2);
            }
        }
        QPainter painter(&image);
        painter.setBrush(Qt::black);
        for (int i = 0; i < 40; ++i) {
            painter.drawEllipse(QPoint(120 + (i % 8) * 290, 200 + (i / 8) * 650), 100, 180);
        }
        painter.end();
        return ambrel::OriginalImage::fromImage(image, {}, {}, 1);
    }();
    return original;
}

// The gray picture's size on the A4 canvas: twice its own.
inline const ambrel::Size_px a4GrayPictureSize{4800, 6800};

// The simulated device on the in-memory bus reads every byte as the device
// does but keeps no copy of the column data nor a log of the writes: what a
// device keeps is not the printing process's memory, and three copies of each
// job would make every print, the first above all, pay for memory no print to
// a device pays for.
struct InMemoryDevice {
    lunvik::TavrinSimulatorUsb usb{[] {
        lunvik::TavrinSimulatedDevice::Configuration configuration;
        configuration.keepsColumnData = false;
        return configuration;
    }()};
    InMemoryDevice() { usb.usbDevice().setKeepsWrites(false); }
};

// PrintBenchmark's A4 threshold print, its connection made as it prints.
inline ambrel::PrintTask a4GrayPrintTask() {
    const auto model = a4Model();
    ambrel::OriginalImageDrawingOptions options;
    options.imageSize_px = a4GrayPictureSize;
    options.imageBitmapConversion = ambrel::BlackConversion::threshold();
    return ambrel::PrintTask(model, model->canvases().first(), ambrel::TransportType::usb,
                             ambrel::ImageSource::originalImage(a4GrayPicture(), options));
}

} // namespace bench
