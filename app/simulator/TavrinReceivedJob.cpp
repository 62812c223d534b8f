#include "app/simulator/TavrinReceivedJob.h"

#include <cstring>

namespace lunvik {

QImage TavrinReceivedJob::picture() const {
    if (dotCount <= 0 || columnCount <= 0) {
        return {};
    }
    QImage image(dotCount, columnCount, QImage::Format_Mono);
    image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    image.fill(0);
    const qint64 stride = bytesPerColumn();
    const qint64 receivedColumns = columnData.size() / stride;
    // Format_Mono keeps the leftmost pixel in the most significant bit, as
    // the device does, so whole bytes can be copied.
    for (qint64 column = 0; column < receivedColumns; ++column) {
        uchar* row = image.scanLine(int(column));
        const char* source = columnData.constData() + column * stride;
        std::memcpy(row, source, size_t(stride));
        if (dotCount % 8) {
            // Bits beyond the last dot are not part of the picture.
            row[stride - 1] &= uchar(0xFF << (8 - dotCount % 8));
        }
    }
    return image;
}

} // namespace lunvik
