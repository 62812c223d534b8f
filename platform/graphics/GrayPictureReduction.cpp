#include "platform/graphics/GrayPictureReduction.h"

#include "platform/compute/ThreadPool.h"
#include "platform/graphics/AreaAverageLines.h"
#include "platform/graphics/AreaAverageTaps.h"

#include <QPainter>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

namespace platform {

namespace {

// The fewest rows made gray at a time.
constexpr int bandRows = 64;

bool isIndexed(QImage::Format format) {
    return format == QImage::Format_Mono || format == QImage::Format_MonoLSB ||
           format == QImage::Format_Indexed8;
}

// The gray each colour of an indexed picture's table gives on a white gray
// page, as the painter lays it there.
std::vector<uchar> grayOfIndices(const QImage& picture) {
    const int count = picture.format() == QImage::Format_Indexed8 ? 256 : 2;
    QImage indices(count, 1, QImage::Format_Indexed8);
    QList<QRgb> table = picture.colorTable();
    // Indices beyond the table: black, as Qt shows them.
    table.resize(count, qRgb(0, 0, 0));
    indices.setColorTable(table);
    for (int i = 0; i < count; ++i) {
        indices.scanLine(0)[i] = uchar(i);
    }
    QImage gray(count, 1, QImage::Format_Grayscale8);
    gray.fill(255);
    QPainter(&gray).drawImage(0, 0, indices);
    return std::vector<uchar>(gray.constScanLine(0), gray.constScanLine(0) + count);
}

// Rows [first, end) of the picture as they lie on a white gray page: a gray
// picture's own rows, an indexed one's through its table's grays, any other
// laid there by the painter. Null when there is no memory for them.
QImage grayRows(const QImage& picture, int first, int end, const std::vector<uchar>& grays) {
    const int rows = end - first;
    const int width = picture.width();
    QImage view(picture.constScanLine(first), width, rows, picture.bytesPerLine(),
                picture.format());
    if (picture.format() == QImage::Format_Grayscale8) {
        return view;
    }
    QImage gray(width, rows, QImage::Format_Grayscale8);
    if (gray.isNull()) {
        return gray;
    }
    if (picture.format() == QImage::Format_Indexed8) {
        for (int y = 0; y < rows; ++y) {
            const uchar* in = view.constScanLine(y);
            uchar* out = gray.scanLine(y);
            for (int x = 0; x < width; ++x) {
                out[x] = grays[in[x]];
            }
        }
        return gray;
    }
    if (isIndexed(picture.format())) {
        // Eight pixels a byte, each byte's eight grays looked up at once.
        const bool lsb = picture.format() == QImage::Format_MonoLSB;
        uchar eights[256][8];
        for (int b = 0; b < 256; ++b) {
            for (int k = 0; k < 8; ++k) {
                eights[b][k] = grays[size_t((b >> (lsb ? k : 7 - k)) & 1)];
            }
        }
        const int whole = width / 8;
        for (int y = 0; y < rows; ++y) {
            const uchar* in = view.constScanLine(y);
            uchar* out = gray.scanLine(y);
            for (int i = 0; i < whole; ++i) {
                std::memcpy(out + 8 * i, eights[in[i]], 8);
            }
            if (width > 8 * whole) {
                std::memcpy(out + 8 * whole, eights[in[whole]], size_t(width - 8 * whole));
            }
        }
        return gray;
    }
    if (picture.format() == QImage::Format_RGB32) {
        // Opaque: Qt's own gray, which the painter lays on a gray page.
        return view.convertToFormat(QImage::Format_Grayscale8);
    }
    gray.fill(255);
    QPainter painter(&gray);
    painter.drawImage(0, 0, view);
    return gray;
}

} // namespace

QImage GrayPictureReduction::reduced(const QImage& picture, const QSize& size,
                                     compute::ThreadPool* pool) {
    if (picture.isNull() || size.isEmpty()) {
        return {};
    }
    QImage out(size, QImage::Format_Grayscale8);
    if (out.isNull()) {
        return out;
    }
    const int width = picture.width();
    const int height = picture.height();
    const AreaAverageTaps across(width, size.width(), 0, size.width());
    const AreaAverageTaps down(height, size.height(), 0, size.height());
    uchar* const bits = out.bits();
    const qsizetype bytesPerLine = out.bytesPerLine();
    const int chunks = pool ? std::min(size.height(), int(pool->concurrency()) * 4) : 1;
    const std::vector<uchar> grays =
        isIndexed(picture.format()) ? grayOfIndices(picture) : std::vector<uchar>();
    std::atomic<bool> failed = false;
    auto chunk = [&](std::size_t c) {
        const int r0 = int(qint64(size.height()) * qint64(c) / chunks);
        const int r1 = int(qint64(size.height()) * qint64(c + 1) / chunks);
        std::vector<float> sums(size_t(width) + AreaAverageLines::linePadding);
        QImage band;
        int bandFirst = 0;
        int bandEnd = 0;
        for (int r = r0; r < r1 && !failed; ++r) {
            const int first = down.start(r);
            const int taps = down.count(r);
            if (first < bandFirst || first + taps > bandEnd) {
                bandFirst = first;
                bandEnd = std::min(height, first + std::max(taps, bandRows));
                band = grayRows(picture, bandFirst, bandEnd, grays);
                if (band.isNull()) {
                    failed = true;
                    return;
                }
            }
            AreaAverageLines::sumDown(band.constScanLine(first - bandFirst), band.bytesPerLine(),
                                      down.weights(r), taps, width, sums.data());
            AreaAverageLines::scaleAcross(sums.data(), across, 0, size.width(),
                                          bits + qsizetype(r) * bytesPerLine);
        }
    };
    if (pool && chunks > 1) {
        pool->parallelFor(std::size_t(chunks), chunk);
    } else {
        chunk(0);
    }
    return failed ? QImage() : out;
}

} // namespace platform
