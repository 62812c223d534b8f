#include "core/canvas/preview/PreviewTileRenderer.h"

#include "core/canvas/preview/PreviewImageRules.h"
#include "imaging/print/BlackConversionRows.h"
#include "imaging/print/PrintPictureDrawing.h"
#include "platform/Error.h"
#include "platform/compute/Device.h"
#include "platform/compute/ThreadPool.h"
#include "platform/graphics/OrientedImageCache.h"

#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

namespace kestrom {

namespace {

// Room around a tile's dots for the widening of black, which reaches one dot;
// kept even, since the widening's pattern follows the parity of the dots.
constexpr qint64 widthForWidening = 2;

qint64 evenBelow(qint64 v) {
    return v - ((v % 2) + 2) % 2;
}

// Beyond this a bitmap coordinate leaves the range the screen's offset is
// exact in; such a picture lies far off any canvas.
constexpr double farthestDot = double(1 << 24);

// Packed rows of gray, owned by the image, as the conversion reads them.
// Mapped from the system rather than taken from the allocator: tiles are
// drawn on every compute worker, and each worker's allocator would keep the
// largest it had seen after it is freed.
QImage packedGray(qint64 width, qint64 height) {
    if (width < 1 || height < 1 || width > std::numeric_limits<int>::max() ||
        height > std::numeric_limits<int>::max()) {
        return {};
    }
    const size_t bytes = size_t(width) * size_t(height);
    void* data = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (data == MAP_FAILED) {
        return {};
    }
    struct Mapping {
        void* data;
        size_t bytes;
    };
    return QImage(
        static_cast<uchar*>(data), int(width), int(height), qsizetype(width),
        QImage::Format_Grayscale8,
        [](void* info) {
            auto* mapping = static_cast<Mapping*>(info);
            munmap(mapping->data, mapping->bytes);
            delete mapping;
        },
        new Mapping{data, bytes});
}

// For each pixel along one side of the tile, the dots it covers and how much
// of each: pixel i spans [first + i, first + i + 1) / scale points of the
// view, which are dotsPerPoint dots each from the copy's first dot.
struct Taps {
    std::vector<qint64> start; // first dot, in the canvas
    std::vector<std::vector<double>> weights;
    std::vector<double> length; // dots covered, 0 beyond the picture
};

Taps tapsAlong(double frameStart, int pixels, double scale, double viewLength, qint64 copyStart,
               double dotsPerPoint) {
    Taps taps;
    taps.start.resize(size_t(pixels));
    taps.weights.resize(size_t(pixels));
    taps.length.resize(size_t(pixels));
    for (int i = 0; i < pixels; ++i) {
        const double a = std::clamp(frameStart + i / scale, 0.0, viewLength) * dotsPerPoint;
        const double b = std::clamp(frameStart + (i + 1) / scale, 0.0, viewLength) * dotsPerPoint;
        if (!(b > a)) {
            continue;
        }
        const qint64 first = qint64(std::floor(a));
        const qint64 end = qint64(std::ceil(b));
        taps.start[size_t(i)] = copyStart + first;
        taps.length[size_t(i)] = b - a;
        auto& w = taps.weights[size_t(i)];
        w.reserve(size_t(end - first));
        for (qint64 d = first; d < end; ++d) {
            w.push_back(std::min(b, double(d + 1)) - std::max(a, double(d)));
        }
    }
    return taps;
}

} // namespace

int PreviewTileRenderer::Request::side() const {
    const double n = scale * frame.width();
    return std::isfinite(n) ? int(std::clamp(n, 0.0, 16384.0)) : 0;
}

PreviewTileRenderer::DotRect PreviewTileRenderer::dotsShown(const PreviewGeometry& geometry,
                                                            const Request& request) {
    const auto& p = geometry.placement;
    const double w = request.viewSize.width();
    const double h = request.viewSize.height();
    const int n = request.side();
    if (!(w > 0) || !(h > 0) || !std::isfinite(w) || !std::isfinite(h) || n <= 0 ||
        !(request.scale > 0) || p.width <= 0 || p.height <= 0) {
        return {};
    }
    const double kx = double(p.width) / w;
    const double ky = double(p.height) / h;
    const QRectF& f = request.frame;
    const double xa = std::clamp(f.left(), 0.0, w) * kx;
    const double xb = std::clamp(f.left() + n / request.scale, 0.0, w) * kx;
    const double ya = std::clamp(f.top(), 0.0, h) * ky;
    const double yb = std::clamp(f.top() + n / request.scale, 0.0, h) * ky;
    if (!(xb > xa) || !(yb > ya)) {
        return {};
    }
    if (std::abs(double(p.x)) + double(p.width) > farthestDot ||
        std::abs(double(p.y)) + double(p.height) > farthestDot) {
        return {};
    }
    DotRect r;
    r.u0 = p.x + qint64(std::floor(xa));
    r.u1 = p.x + std::min(p.width, qint64(std::ceil(xb)));
    r.v0 = p.y + qint64(std::floor(ya));
    r.v1 = p.y + std::min(p.height, qint64(std::ceil(yb)));
    return r;
}

namespace {

// The bitmap's rows [row0, row0 + rows) and columns [column0, column0 +
// columns) a tile's dots cover, with room for the widening around them.
struct Piece {
    qint64 row0 = 0, rows = 0, column0 = 0, columns = 0;
};

std::optional<Piece> pieceFor(const PreviewGeometry& geometry,
                              const PreviewTileRenderer::DotRect& shown) {
    if (shown.isEmpty()) {
        return std::nullopt;
    }
    // The canvas's dot (u, v) is the bitmap's row W - 1 - u, column H - 1 - v.
    const qint64 W = geometry.canvas.width;
    const qint64 H = geometry.canvas.height;
    const qint64 m = widthForWidening;
    Piece piece;
    piece.row0 = evenBelow(W - shown.u1 - m);
    piece.rows = W - shown.u0 + m - piece.row0;
    piece.column0 = evenBelow(H - shown.v1 - m);
    piece.columns = H - shown.v0 + m - piece.column0;
    return piece;
}

// Draws the piece's dots as the print draws them there, in bands on the
// pool's workers (none: in one), one band a worker: the first bands make the
// strips of a vector page's rendering side by side when the picture keeps
// none for this placement.
PreviewTileRenderer::Dots drawPiece(const ambrel::OriginalImage& image,
                                    const PreviewGeometry& geometry, const Piece& piece,
                                    std::shared_ptr<platform::OrientedImageCache> images,
                                    platform::compute::ThreadPool* pool) {
    if (piece.rows * piece.columns > PreviewTileRenderer::maximumDotsPerTile) {
        return {};
    }
    PreviewTileRenderer::Dots dots;
    dots.row0 = piece.row0;
    dots.column0 = piece.column0;
    dots.gray = packedGray(piece.columns, piece.rows);
    if (dots.gray.isNull()) {
        return {};
    }
    const qint64 W = geometry.canvas.width;
    const qint64 H = geometry.canvas.height;
    const qint64 row1 = piece.row0 + piece.rows;
    const qint64 column1 = piece.column0 + piece.columns;
    const auto& placement = geometry.placement;
    // The copies that reach the piece: canvas u in [W - row1, W - row0), v in
    // [H - column1, H - column0).
    const auto across = placement.copiesAcrossBetween(W - row1, W - piece.row0);
    const auto down = placement.copiesDownBetween(H - column1, H - piece.column0);
    quenta::PrintPictureDrawing::fillAndDraw(
        dots.gray, pool, pool ? int(pool->concurrency()) : 1,
        quenta::PrintPictureDrawing::isRecordable(image),
        [&](platform::GraphicsContext& context) {
            // The piece's user space (y up) is the whole bitmap's moved by
            // whole dots, so every dot is drawn as the print draws it.
            context.translateBy(-double(piece.column0), -double(W - row1));
            quenta::PrintPictureDrawing::drawCopies(context, placement, image, geometry.options, H,
                                                    across, down);
        },
        std::move(images), quenta::PrintPictureDrawing::sharesPictures(image));
    return dots;
}

} // namespace

PreviewTileRenderer::Dots
PreviewTileRenderer::draw(const ambrel::OriginalImage& image, const PreviewGeometry& geometry,
                          const Request& request,
                          std::shared_ptr<platform::OrientedImageCache> images) {
    const auto piece = pieceFor(geometry, dotsShown(geometry, request));
    return piece ? drawPiece(image, geometry, *piece, std::move(images), nullptr) : Dots{};
}

std::vector<PreviewTileRenderer::Dots>
PreviewTileRenderer::drawAll(const ambrel::OriginalImage& image, const PreviewGeometry& geometry,
                             const std::vector<Request>& requests,
                             std::shared_ptr<platform::OrientedImageCache> images,
                             platform::compute::ThreadPool* pool) {
    std::vector<Dots> all(requests.size());
    std::vector<std::optional<Piece>> pieces(requests.size());
    std::optional<Piece> span;
    for (std::size_t i = 0; i < requests.size(); ++i) {
        pieces[i] = pieceFor(geometry, dotsShown(geometry, requests[i]));
        if (!pieces[i]) {
            continue;
        }
        const Piece& p = *pieces[i];
        if (!span) {
            span = p;
            continue;
        }
        const qint64 row1 = std::max(span->row0 + span->rows, p.row0 + p.rows);
        const qint64 column1 = std::max(span->column0 + span->columns, p.column0 + p.columns);
        span->row0 = std::min(span->row0, p.row0);
        span->column0 = std::min(span->column0, p.column0);
        span->rows = row1 - span->row0;
        span->columns = column1 - span->column0;
    }
    const auto eachTile = [&](const std::function<void(std::size_t)>& body) {
        if (pool && requests.size() > 1) {
            pool->parallelFor(requests.size(), body);
        } else {
            for (std::size_t i = 0; i < requests.size(); ++i) {
                body(i);
            }
        }
    };
    const Dots shared =
        span && image.isVector() && pool ? drawPiece(image, geometry, *span, images, pool) : Dots{};
    if (shared.isNull()) {
        eachTile([&](std::size_t i) {
            if (pieces[i]) {
                all[i] = drawPiece(image, geometry, *pieces[i], images, nullptr);
            }
        });
        return all;
    }
    // Each tile's dots cut from the shared ones: the same bitmap moved by
    // whole dots.
    eachTile([&](std::size_t i) {
        if (!pieces[i]) {
            return;
        }
        const Piece& p = *pieces[i];
        Dots dots;
        dots.row0 = p.row0;
        dots.column0 = p.column0;
        dots.gray = packedGray(p.columns, p.rows);
        if (dots.gray.isNull()) {
            return;
        }
        for (qint64 r = 0; r < p.rows; ++r) {
            std::memcpy(dots.gray.scanLine(int(r)),
                        shared.gray.constScanLine(int(p.row0 - span->row0 + r)) +
                            (p.column0 - span->column0),
                        std::size_t(p.columns));
        }
        all[i] = std::move(dots);
    });
    return all;
}

QImage PreviewTileRenderer::reduce(const Dots& dots, const ambrel::BlackConversion& conversion,
                                   const std::optional<quenta::DeviceBlackConversionInfo>& info,
                                   const PreviewGeometry& geometry, const Request& request) {
    const int n = request.side();
    QImage tile(n, n, QImage::Format_Grayscale8);
    if (tile.isNull()) {
        return {};
    }
    tile.fill(255);
    const DotRect shown = dotsShown(geometry, request);
    if (dots.isNull() || shown.isEmpty()) {
        return tile;
    }
    const auto& p = geometry.placement;
    const qint64 W = geometry.canvas.width;
    const qint64 H = geometry.canvas.height;
    const int columns = dots.gray.width();
    const int rows = dots.gray.height();

    quenta::BlackConversionPass::OutputConfiguration configuration =
        quenta::PrintPictureDrawing::outputConfiguration(geometry.dpi, info);
    // The screen lies where it lies on the whole bitmap.
    configuration.filterOffset = QPointF(-double(dots.column0), -double(dots.row0));
    ambrel::BlackWhiteColumnPacker::RowSource source;
    try {
        source = quenta::BlackConversionRows::make(conversion, dots.gray.constBits(),
                                                   ambrel::Size_px{columns, rows}, configuration);
    } catch (const platform::Error&) {
        return {};
    }

    const Taps across = tapsAlong(request.frame.left(), n, request.scale, request.viewSize.width(),
                                  p.x, double(p.width) / request.viewSize.width());
    const Taps down = tapsAlong(request.frame.top(), n, request.scale, request.viewSize.height(),
                                p.y, double(p.height) / request.viewSize.height());

    // A tile pixel's column px covers canvas u, which is one bitmap row; its
    // row py covers canvas v, which runs along the bitmap's row backward.
    // Per bitmap row, the white of each tile row is summed first; each row
    // then adds into the tile columns over it.
    std::vector<std::vector<std::pair<int, double>>> columnsOfRow(static_cast<size_t>(rows));
    for (int px = 0; px < n; ++px) {
        const auto& w = across.weights[size_t(px)];
        for (size_t k = 0; k < w.size(); ++k) {
            const qint64 u = across.start[size_t(px)] + qint64(k);
            const qint64 r = W - 1 - u - dots.row0;
            if (r >= 0 && r < rows) {
                columnsOfRow[size_t(r)].push_back({px, w[k]});
            }
        }
    }
    // The stretch of each bitmap row the tile rows read.
    qint64 firstColumn = columns;
    qint64 endColumn = 0;
    for (int py = 0; py < n; ++py) {
        const auto& w = down.weights[size_t(py)];
        if (w.empty()) {
            continue;
        }
        const qint64 vFirst = down.start[size_t(py)];
        const qint64 vLast = vFirst + qint64(w.size()) - 1;
        firstColumn = std::min(firstColumn, H - 1 - vLast - dots.column0);
        endColumn = std::max(endColumn, H - vFirst - dots.column0);
    }
    firstColumn = std::clamp<qint64>(firstColumn, 0, columns);
    endColumn = std::clamp<qint64>(endColumn, firstColumn, columns);
    if (endColumn <= firstColumn) {
        return tile;
    }

    // Per tile row, its dots along the converted stretch: columns from lo to
    // hi (the dots run backward along the bitmap's row), whole ones between
    // the two ends, which may be partly covered.
    struct RowSpan {
        qint64 lo = 0, hi = -1;
        double loWeight = 0, hiWeight = 0;
    };
    std::vector<RowSpan> spans(static_cast<size_t>(n));
    const qint64 stretch = endColumn - firstColumn;
    for (int py = 0; py < n; ++py) {
        const auto& w = down.weights[size_t(py)];
        if (w.empty()) {
            continue;
        }
        const qint64 v0 = down.start[size_t(py)];
        RowSpan& span = spans[size_t(py)];
        span.hi = H - 1 - v0 - dots.column0 - firstColumn;
        span.lo = span.hi - qint64(w.size()) + 1;
        span.hiWeight = w.front();
        span.loWeight = w.back();
        if (span.lo < 0 || span.hi >= stretch) {
            span = RowSpan{}; // not drawn: cannot happen for dots the tile shows
        }
    }

    std::vector<double> white(size_t(n) * size_t(n), 0.0); // [px * n + py]
    std::vector<std::uint8_t> converted(static_cast<size_t>(stretch));
    std::vector<std::int32_t> whiteBefore(static_cast<size_t>(stretch) + 1);
    std::vector<double> rowWhite(static_cast<size_t>(n));
    for (int r = 0; r < rows; ++r) {
        const auto& over = columnsOfRow[size_t(r)];
        if (over.empty()) {
            continue;
        }
        source(r, firstColumn, stretch, converted.data());
        // White dots before each column, so that a tile row's whole dots
        // are one difference.
        std::int32_t count = 0;
        for (qint64 c = 0; c < stretch; ++c) {
            whiteBefore[size_t(c)] = count;
            count += converted[size_t(c)] >> 7;
        }
        whiteBefore[size_t(stretch)] = count;
        for (int py = 0; py < n; ++py) {
            const RowSpan& span = spans[size_t(py)];
            if (span.hi < span.lo) {
                rowWhite[size_t(py)] = 0;
                continue;
            }
            const auto isWhite = [&](qint64 c) { return double(converted[size_t(c)] >> 7); };
            if (span.hi == span.lo) {
                rowWhite[size_t(py)] = span.hiWeight * isWhite(span.hi);
                continue;
            }
            const double inner =
                double(whiteBefore[size_t(span.hi)] - whiteBefore[size_t(span.lo + 1)]);
            rowWhite[size_t(py)] =
                inner + span.hiWeight * isWhite(span.hi) + span.loWeight * isWhite(span.lo);
        }
        for (const auto& [px, weight] : over) {
            double* out = white.data() + size_t(px) * size_t(n);
            for (int py = 0; py < n; ++py) {
                out[py] += weight * rowWhite[size_t(py)];
            }
        }
    }
    for (int py = 0; py < n; ++py) {
        uchar* line = tile.scanLine(py);
        const double height = down.length[size_t(py)];
        for (int px = 0; px < n; ++px) {
            const double area = across.length[size_t(px)] * height;
            if (!(area > 0)) {
                continue; // beyond the picture: white
            }
            const double share = white[size_t(px) * size_t(n) + size_t(py)] / area;
            // Any black at all keeps the pixel off white, so that a dot that
            // prints always shows.
            const double gray = std::round(255.0 * std::clamp(share, 0.0, 1.0));
            line[px] = uchar(share < 1.0 - 1e-9 ? std::min(gray, 254.0) : 255.0);
        }
    }
    return tile;
}

QImage PreviewTileRenderer::render(const ambrel::OriginalImage& image,
                                   const ambrel::BlackConversion& conversion,
                                   const std::optional<quenta::DeviceBlackConversionInfo>& info,
                                   const PreviewGeometry& geometry, const Request& request) {
    return reduce(draw(image, geometry, request), conversion, info, geometry, request);
}

QImage PreviewTileRenderer::renderWhole(
    const ambrel::OriginalImage& image, const ambrel::BlackConversion& conversion,
    const std::optional<quenta::DeviceBlackConversionInfo>& info, const PreviewGeometry& geometry,
    const QSize& size, const std::function<bool()>& wanted) {
    if (size.isEmpty()) {
        return {};
    }
    QImage whole(size, QImage::Format_Grayscale8);
    if (whole.isNull()) {
        return {};
    }
    whole.fill(255);
    // Small pieces: a small picture of a large print spans many dots a
    // pixel, and only one piece's dots are held at a time. The picture is
    // turned once for all of them.
    constexpr int piece = 32;
    const auto images = std::make_shared<platform::OrientedImageCache>();
    const QSizeF view(size);
    const auto device = platform::compute::Device::systemDefault();
    const qint64 dots = geometry.placement.width * geometry.placement.height;
    if (image.isVector() && device && dots > 0 && dots <= maximumDotsPerTile / 2) {
        // Each piece would draw the whole page again: the pieces' dots are
        // drawn at once instead, the page in bands across the workers, as
        // the canvas draws its tiles.
        if (wanted && !wanted()) {
            return {};
        }
        std::vector<Request> requests;
        for (int y0 = 0; y0 < size.height(); y0 += piece) {
            for (int x0 = 0; x0 < size.width(); x0 += piece) {
                requests.push_back({QRectF(x0, y0, piece, piece), view, 1});
            }
        }
        const std::vector<Dots> drawn =
            drawAll(image, geometry, requests, images, &device->threadPool());
        for (std::size_t i = 0; i < requests.size(); ++i) {
            const Request& request = requests[i];
            if (drawn[i].isNull() && !dotsShown(geometry, request).isEmpty()) {
                return {}; // no memory for them
            }
            const QImage tile = reduce(drawn[i], conversion, info, geometry, request);
            if (tile.isNull()) {
                return {};
            }
            const int x0 = int(request.frame.left());
            const int y0 = int(request.frame.top());
            for (int y = 0; y < piece && y0 + y < size.height(); ++y) {
                const int count = std::min(piece, size.width() - x0);
                std::copy_n(tile.constScanLine(y), count, whole.scanLine(y0 + y) + x0);
            }
        }
        return whole;
    }
    for (int y0 = 0; y0 < size.height(); y0 += piece) {
        for (int x0 = 0; x0 < size.width(); x0 += piece) {
            // Every piece of a page is a drawing of the whole page: one that
            // nobody waits for any more stops here.
            if (wanted && !wanted()) {
                return {};
            }
            const Request request{QRectF(x0, y0, piece, piece), view, 1};
            const Dots dots = draw(image, geometry, request, images);
            if (dots.isNull() && !dotsShown(geometry, request).isEmpty()) {
                return {}; // no memory for them
            }
            const QImage tile = reduce(dots, conversion, info, geometry, request);
            if (tile.isNull()) {
                return {};
            }
            for (int y = 0; y < piece && y0 + y < size.height(); ++y) {
                const int count = std::min(piece, size.width() - x0);
                std::copy_n(tile.constScanLine(y), count, whole.scanLine(y0 + y) + x0);
            }
        }
    }
    return whole;
}

bool PreviewTileRenderer::dependsOnPosition(const ambrel::BlackConversion& conversion) {
    return !conversion.thresholdOption().has_value();
}

} // namespace kestrom
