#include "platform/graphics/TurnedPictureStrips.h"

#include <QPainter>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform {

namespace {

// Turned pixels made around those a strip's rows sample: the painter's
// smooth sampling reads the two pixels on either side of a point.
constexpr int margin = 2;

// A few pixels of the picture turned as Qt turns the whole: its format and
// colour table are those of the whole picture's turned copy.
QImage turnedProbe(const QImage& image, const QTransform& orientation) {
    return image.copy(0, 0, std::min(2, image.width()), std::min(2, image.height()))
        .transformed(orientation, Qt::FastTransformation);
}

// Address space for a turned copy's layout, given memory only where it is
// written; written rows can be given back.
class SparseRows {
public:
    explicit SparseRows(size_t bytes) {
        void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (p != MAP_FAILED) {
            m_data = static_cast<uchar*>(p);
            m_bytes = bytes;
        }
    }
    ~SparseRows() {
        if (m_data) {
            munmap(m_data, m_bytes);
        }
    }
    SparseRows(const SparseRows&) = delete;
    SparseRows& operator=(const SparseRows&) = delete;

    uchar* data() const { return m_data; }
    // Gives back the whole pages of [from, to); they read as zero again.
    void release(size_t from, size_t to) const {
        static const size_t page = size_t(sysconf(_SC_PAGESIZE));
        const size_t first = (from + page - 1) / page * page;
        const size_t end = std::min(to, m_bytes) / page * page;
        if (end > first) {
            madvise(m_data + first, end - first, MADV_DONTNEED);
        }
    }

private:
    uchar* m_data = nullptr;
    size_t m_bytes = 0;
};

int clampedFloor(double v, int low, int high) {
    return int(std::clamp(std::floor(v), double(low), double(high)));
}

int clampedCeil(double v, int low, int high) {
    return int(std::clamp(std::ceil(v), double(low), double(high)));
}

} // namespace

bool TurnedPictureStrips::appliesTo(const QImage& image, const QTransform& orientation) {
    if (image.isNull() || orientation.isIdentity()) {
        return false;
    }
    const int depth = turnedProbe(image, orientation).depth();
    return depth >= 8 && depth % 8 == 0;
}

bool TurnedPictureStrips::draw(QPainter& painter, const QRectF& deviceRect, const QImage& image,
                               const QTransform& orientation) {
    const QImage probe = turnedProbe(image, orientation);
    const int depth = probe.depth();
    if (probe.isNull() || depth < 8 || depth % 8 != 0 || !painter.device()) {
        return false;
    }
    const bool keepsAxes = orientation.m11() != 0;
    const int width = keepsAxes ? image.width() : image.height();
    const int height = keepsAxes ? image.height() : image.width();
    // Qt's own row layout, so that the painter reads the copy as its own.
    const qsizetype bytesPerPixel = depth / 8;
    const qsizetype bytesPerLine = (qsizetype(width) * depth + 31) / 32 * 4;
    const SparseRows rows(size_t(bytesPerLine) * size_t(height));
    if (!rows.data()) {
        return false;
    }
    QImage turned(rows.data(), width, height, bytesPerLine, probe.format());
    if (probe.colorCount() > 0) {
        turned.setColorTable(probe.colorTable());
    }

    // The device pixels the drawing can reach.
    const QRect device(0, 0, painter.device()->width(), painter.device()->height());
    QRect area = device & deviceRect.toAlignedRect();
    if (painter.hasClipping()) {
        area &= painter.clipBoundingRect().toAlignedRect();
    }
    if (area.isEmpty() || !(deviceRect.width() > 0) || !(deviceRect.height() > 0)) {
        return true;
    }
    // Turned pixels per device pixel, and the turned columns the area reads.
    const double kx = double(width) / deviceRect.width();
    const double ky = double(height) / deviceRect.height();
    const int u0 = clampedFloor((area.left() - deviceRect.left()) * kx - margin, 0, width);
    const int u1 =
        clampedCeil((area.left() + area.width() - deviceRect.left()) * kx + margin, 0, width);
    if (u1 <= u0) {
        return true;
    }
    const double rowBytes = double(u1 - u0) * double(bytesPerPixel);
    const double turnedRowsPerStrip = std::max(1.0, double(stripBytes) / rowBytes - 2 * margin);
    const int deviceRowsPerStrip =
        int(std::clamp(std::floor(turnedRowsPerStrip / ky), 1.0, double(area.height())));
    // Maps the turned copy's pixels onto the upright picture's.
    const QTransform toUpright =
        QImage::trueMatrix(orientation, image.width(), image.height()).inverted();

    const int end = area.top() + area.height();
    for (int y = area.top(); y < end; y += deviceRowsPerStrip) {
        const int y1 = std::min(end, y + deviceRowsPerStrip);
        const int v0 = clampedFloor((y - deviceRect.top()) * ky - margin, 0, height);
        const int v1 = clampedCeil((y1 - deviceRect.top()) * ky + margin, 0, height);
        if (v1 <= v0) {
            continue;
        }
        const QRect part(u0, v0, u1 - u0, v1 - v0);
        const QImage made = image.copy(toUpright.mapRect(QRectF(part)).toAlignedRect())
                                .transformed(orientation, Qt::FastTransformation);
        if (made.size() != part.size() || made.format() != turned.format()) {
            continue; // no memory for the strip: it stays undrawn
        }
        for (int r = 0; r < part.height(); ++r) {
            std::memcpy(rows.data() + qsizetype(v0 + r) * bytesPerLine + u0 * bytesPerPixel,
                        made.constScanLine(r), size_t(part.width()) * size_t(bytesPerPixel));
        }
        painter.save();
        // Rows only: a cut across a row would move where its sampling starts.
        painter.setClipRect(QRect(device.left(), y, device.width(), y1 - y), Qt::IntersectClip);
        painter.drawImage(deviceRect, turned);
        painter.restore();
        rows.release(size_t(v0) * size_t(bytesPerLine), size_t(v1) * size_t(bytesPerLine));
    }
    return true;
}

} // namespace platform
