#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>

#include <algorithm>

namespace bench {

// A 6000 x 4000 photo JPEG: smooth light with detail and grain, so that it
// compresses as a photo does; another variant moves the shapes and changes
// the grain, so that each is another picture. Progressive, as many photos
// on the web are, when asked.
inline QByteArray photoJpeg(int variant = 0, bool progressive = false) {
    QImage image(6000, 4000, QImage::Format_RGB32);
    QRandomGenerator random(7 + variant);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grain = int(random.bounded(24)) - 12;
            const int r = std::clamp(x * 200 / 6000 + 30 + grain, 0, 255);
            const int g = std::clamp(y * 180 / 4000 + 50 + grain, 0, 255);
            const int b = std::clamp(((x / 40 + y / 40) % 2) * 60 + 100 + grain, 0, 255);
            row[x] = qRgb(r, g, b);
        }
    }
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 60; ++i) {
        painter.setBrush(QColor::fromHsv((i * 6 + variant * 40) % 360, 160, 200));
        painter.drawEllipse(QPoint(100 * (i % 12) * 5 + 200 + variant * 90, 600 * (i / 12) + 300),
                            260, 180);
    }
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

} // namespace bench
