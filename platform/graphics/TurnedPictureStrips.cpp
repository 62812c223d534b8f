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

// A few pixels of the picture's format and colour table turned as Qt turns
// the whole: the format and colour table of the whole picture's turned copy.
QImage turnedProbe(const QImage& image, const QTransform& orientation) {
    QImage probe(std::min(2, image.width()), std::min(2, image.height()), image.format());
    if (image.colorCount() > 0) {
        probe.setColorTable(image.colorTable());
    }
    // Every byte set, padding included, which Qt's turn reads.
    probe.fill(0);
    return probe.transformed(orientation, Qt::FastTransformation);
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

// Turned pixel (u, v) of the part shows upright pixel (x, y), and a step
// along u moves (x, y) by (ux, uy). Calls run(v, u0, u1, x, y, ux, uy) for
// the pixels [u0, u1) of the part's row v, (x, y) showing pixel u0, in blocks
// of 64 x 64 so that the upright rows a block reads stay in the cache; false
// when a run stopped it.
template <typename Run> bool walkInBlocks(const QTransform& toUpright, const QRect& part, Run run) {
    const QPointF first = toUpright.map(QPointF(part.left() + 0.5, part.top() + 0.5));
    const int x0 = int(std::floor(first.x()));
    const int y0 = int(std::floor(first.y()));
    const int ux = int(toUpright.m11());
    const int uy = int(toUpright.m12());
    const int vx = int(toUpright.m21());
    const int vy = int(toUpright.m22());
    constexpr int block = 64;
    for (int vb = 0; vb < part.height(); vb += block) {
        const int ve = std::min(part.height(), vb + block);
        for (int ub = 0; ub < part.width(); ub += block) {
            const int ue = std::min(part.width(), ub + block);
            for (int v = vb; v < ve; ++v) {
                if (!run(v, ub, ue, x0 + ux * ub + vx * v, y0 + uy * ub + vy * v, ux, uy)) {
                    return false;
                }
            }
        }
    }
    return true;
}

// The part of the turned copy of a 1-bit or 8-bit indexed picture that
// Qt turns into premultiplied 32-bit pixels, each its table's colour
// premultiplied, into the copy's rows; false, with the part unfinished, for
// a picture with an index its table does not hold.
bool makeIndexedPart(const QImage& image, const QTransform& toUpright, const QRect& part,
                     uchar* rows, qsizetype bytesPerLine) {
    const int colours = image.colorCount();
    quint32 table[256] = {};
    for (int i = 0; i < std::min(colours, 256); ++i) {
        table[i] = qPremultiply(image.color(i));
    }
    const uchar* const pixels = image.constBits();
    const qsizetype stride = image.bytesPerLine();
    const QImage::Format format = image.format();
    const auto index = [&](int x, int y) -> int {
        const uchar* line = pixels + qsizetype(y) * stride;
        switch (format) {
        case QImage::Format_Mono:
            return (line[x >> 3] >> (7 - (x & 7))) & 1;
        case QImage::Format_MonoLSB:
            return (line[x >> 3] >> (x & 7)) & 1;
        default:
            return line[x];
        }
    };
    return walkInBlocks(toUpright, part, [&](int v, int u0, int u1, int x, int y, int ux, int uy) {
        auto* out = reinterpret_cast<quint32*>(rows + qsizetype(part.top() + v) * bytesPerLine) +
                    part.left();
        for (int u = u0; u < u1; ++u, x += ux, y += uy) {
            const int i = index(x, y);
            if (i >= colours) {
                return false;
            }
            out[u] = table[i];
        }
        return true;
    });
}

bool isOneBit(QImage::Format format) {
    return format == QImage::Format_Mono || format == QImage::Format_MonoLSB;
}

// The part of the turned copy of a 1-bit picture that Qt keeps at 1 bit
// (turned a quarter or half, or mirrored) into the copy's rows, bit for bit;
// the part starts at a whole byte.
void makeBitPart(const QImage& image, QImage::Format turnedFormat, const QTransform& toUpright,
                 const QRect& part, uchar* rows, qsizetype bytesPerLine) {
    const uchar* const pixels = image.constBits();
    const qsizetype stride = image.bytesPerLine();
    const bool lsbIn = image.format() == QImage::Format_MonoLSB;
    const bool lsbOut = turnedFormat == QImage::Format_MonoLSB;
    // Runs start at multiples of the block, so at whole bytes.
    walkInBlocks(toUpright, part, [&](int v, int u0, int u1, int x, int y, int ux, int uy) {
        uchar* out = rows + qsizetype(part.top() + v) * bytesPerLine + part.left() / 8;
        for (int u = u0; u < u1; u += 8) {
            uchar byte = 0;
            for (int k = 0; k < 8 && u + k < u1; ++k, x += ux, y += uy) {
                const uchar in = pixels[qsizetype(y) * stride + (x >> 3)];
                const int bit = lsbIn ? (in >> (x & 7)) & 1 : (in >> (7 - (x & 7))) & 1;
                byte |= uchar(bit << (lsbOut ? k : 7 - k));
            }
            out[u / 8] = byte;
        }
        return true;
    });
}

// Makes the part of the turned copy into its rows, with the pixels Qt's
// turn of the whole gives there; false when there is no memory for it. A
// part of a 1-bit copy starts at a whole byte.
bool makePart(const QImage& image, const QTransform& orientation, const QTransform& toUpright,
              const QRect& part, const QImage& turned, uchar* rows) {
    const qsizetype bytesPerLine = turned.bytesPerLine();
    const bool indexed = isOneBit(image.format()) || image.format() == QImage::Format_Indexed8;
    if (indexed && turned.format() == QImage::Format_ARGB32_Premultiplied &&
        makeIndexedPart(image, toUpright, part, rows, bytesPerLine)) {
        return true;
    }
    if (isOneBit(image.format()) && isOneBit(turned.format())) {
        makeBitPart(image, turned.format(), toUpright, part, rows, bytesPerLine);
        return true;
    }
    const QImage made = image.copy(toUpright.mapRect(QRectF(part)).toAlignedRect())
                            .transformed(orientation, Qt::FastTransformation);
    if (made.size() != part.size() || made.format() != turned.format()) {
        return false;
    }
    const int depth = turned.depth();
    const size_t bytes = (size_t(part.width()) * size_t(depth) + 7) / 8;
    for (int r = 0; r < part.height(); ++r) {
        std::memcpy(rows + qsizetype(part.top() + r) * bytesPerLine + part.left() * depth / 8,
                    made.constScanLine(r), bytes);
    }
    return true;
}

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
    return depth == 1 || depth % 8 == 0;
}

bool TurnedPictureStrips::draw(QPainter& painter, const QRectF& deviceRect, const QImage& image,
                               const QTransform& orientation) {
    const QImage probe = turnedProbe(image, orientation);
    const int depth = probe.depth();
    if (probe.isNull() || (depth != 1 && depth % 8 != 0) || !painter.device()) {
        return false;
    }
    const bool keepsAxes = orientation.m11() != 0;
    const int width = keepsAxes ? image.width() : image.height();
    const int height = keepsAxes ? image.height() : image.width();
    // Qt's own row layout, so that the painter reads the copy as its own.
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
    // A 1-bit copy's part starts and ends at whole bytes (or the row's end).
    const int align = depth == 1 ? 8 : 1;
    const int u0 =
        clampedFloor((area.left() - deviceRect.left()) * kx - margin, 0, width) / align * align;
    const int u1 = std::min(
        width,
        (clampedCeil((area.left() + area.width() - deviceRect.left()) * kx + margin, 0, width) +
         align - 1) /
            align * align);
    if (u1 <= u0) {
        return true;
    }
    const double rowBytes = double(u1 - u0) * double(depth) / 8;
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
        if (!makePart(image, orientation, toUpright, part, turned, rows.data())) {
            continue; // no memory for the strip: it stays undrawn
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
