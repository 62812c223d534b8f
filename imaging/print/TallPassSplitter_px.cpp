#include "imaging/print/TallPassSplitter_px.h"

#include "imaging/print/CopyGrid.h"
#include "model/errors/ConnectionError.h"
#include "model/pictures/GraphicsExtensions.h"

#include <QPainterPath>
#include <QRegion>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>
#include <numeric>

namespace quenta {

namespace {

using ambrel::ConnectionError;
using Case = ConnectionError::Case;

constexpr qint64 scanChunkRows = 720;
// Rows at this gray or darker count as inked for packing passes.
constexpr std::uint8_t rowInkLimit = 128;
// Passes rendered at the same time; each holds two pass-sized images.
constexpr std::size_t passLanes = 4;
constexpr qint64 wavePeriod = 12;

// Runs body(i) for i in [0, count) on the compute pool, at most `lanes` at a
// time, so that memory stays bounded however many items there are.
void forEachInLanes(const PixelSplitJob& job, std::size_t count, std::size_t lanes,
                    const std::function<void(std::size_t)>& body) {
    std::atomic<std::size_t> next{0};
    job.sildorContext->device()->threadPool().parallelFor(std::min(count, lanes), [&](std::size_t) {
        for (std::size_t i = next++; i < count; i = next++) {
            body(i);
        }
    });
}

void drawSeamWave(const PixelSplitJob& job, qint64 copyIndex, platform::GraphicsContext& context,
                  qint64 passHeight, double baseline, double amplitudeBand) {
    ambrel::GraphicsExtensions::performSavingGState(context, [&] {
        const double x0 = double(job.copyX(copyIndex));
        context.clipTo(QRectF(x0, 0, double(job.w), double(passHeight)));
        const qint64 periods = (job.w + wavePeriod - 1) / wavePeriod;
        QPainterPath path;
        path.setFillRule(Qt::WindingFill);
        path.moveTo(x0, -200);
        QPointF last(0, -200);
        for (qint64 k = 0; k < periods; ++k) {
            for (qint64 s = 0; s < wavePeriod; ++s) {
                const double t = double(wavePeriod * k + s);
                last = QPointF(x0 + t, baseline + amplitudeBand / 2 *
                                                      std::sin(2 * std::numbers::pi *
                                                               std::fmod(t, double(wavePeriod)) /
                                                               double(wavePeriod)));
                path.lineTo(last);
            }
        }
        path.lineTo(last.x(), -200);
        context.painter().fillPath(path, QColor(255, 255, 255));
    });
}

} // namespace

IndexSet TallPassSplitter_px::scanInkedRows(const PixelSplitJob& job) {
    const qint64 chunks = (job.h + scanChunkRows - 1) / scanChunkRows;
    std::vector<IndexSet> results(static_cast<size_t>(chunks));
    forEachInLanes(job, size_t(chunks), passLanes * 2, [&](std::size_t index) {
        const qint64 k = qint64(index);
        auto pass = GrayPass::make(job.sildorContext, job.visibleW, scanChunkRows);
        if (!pass) {
            throw ConnectionError(Case::noImageInDocument);
        }
        job.draw(*pass, [&](platform::GraphicsContext& context) {
            context.setGrayFillColor(1.0, 1.0);
            context.fill(QRectF(0, 0, double(job.visibleW), double(scanChunkRows)));
            context.translateBy(0, -double(scanChunkRows * k));
            job.drawCopies(context, 0, 1);
        });
        pass->convert(job.options.imageBitmapConversion, job.configuration);
        const std::uint8_t* pixels = pass->pixels();
        IndexSet rows;
        for (qint64 u = 0; u < scanChunkRows && scanChunkRows * k + u < job.h; ++u) {
            // u = 0 is the context's lowest row, the buffer's last.
            const std::uint8_t* row = pixels + (scanChunkRows - 1 - u) * job.visibleW;
            const bool inked = std::any_of(row, row + job.visibleW,
                                           [](std::uint8_t b) { return b <= rowInkLimit; });
            if (inked) {
                rows.insert(scanChunkRows * k + u);
            }
        }
        results[index] = std::move(rows);
    });
    IndexSet all;
    for (const IndexSet& set : results) {
        all.formUnion(set);
    }
    return all;
}

std::vector<TallPassSplitter_px::PassRequest>
TallPassSplitter_px::packPasses(const IndexSet& rows, qint64 rowY, qint64 H, qint64 overlap) {
    std::vector<PassRequest> requests;
    const auto& ranges = rows.rangeView();
    if (ranges.empty()) {
        return requests;
    }
    PassRequest open{{}, ranges.front().lowerBound, rowY};
    const auto dispatch = [&](PassRequest request) { requests.push_back(std::move(request)); };
    for (const IndexSet::Range& range : ranges) {
        const qint64 lo = range.lowerBound;
        const qint64 hi = range.upperBound;
        const qint64 passEnd = open.passStart + H;
        if (hi <= passEnd) {
            open.ranges.push_back(range);
            continue;
        }
        if (hi - lo <= H) {
            dispatch(std::move(open));
            open = PassRequest{{range}, lo, rowY};
            continue;
        }
        // A range taller than a pass is cut into passes that overlap.
        qint64 start = 0;
        if (!open.ranges.empty() && open.ranges.back().upperBound <= passEnd) {
            dispatch(std::move(open));
            start = lo;
        } else if (lo >= passEnd) {
            dispatch(std::move(open));
            start = lo;
        } else {
            open.ranges.push_back(range);
            start = open.passStart + (H - overlap);
            dispatch(std::move(open));
        }
        while (start + H < hi - 1) {
            dispatch(PassRequest{{range}, start, rowY});
            start += H - overlap;
        }
        open = PassRequest{{range}, start, rowY};
    }
    dispatch(std::move(open));
    return requests;
}

QList<XYBitmapInfo_px> TallPassSplitter_px::renderTallPass(const PixelSplitJob& job,
                                                           const PassRequest& request) {
    if (job.isCancelled() || request.ranges.empty()) {
        return {};
    }
    const qint64 H = job.H;
    const qint64 passStart = request.passStart;
    const qint64 first = request.ranges.front().lowerBound;
    const qint64 last = request.ranges.back().upperBound;
    const qint64 contentH = (last - 1) - std::max(first, passStart);
    qint64 shift = 0;
    if (contentH < H) {
        shift = std::min(qint64(std::trunc(double(H - contentH) / 2.0)), passStart);
    }
    const qint64 over = (passStart - shift) + H - job.H_c;
    if (over > 0) {
        shift += over;
    }
    const qint64 passY = passStart - shift;

    auto pass = GrayPass::make(job.sildorContext, job.visibleW, H);
    if (!pass) {
        throw ConnectionError(Case::noImageInDocument);
    }
    const qint64 overlap = job.dpi.imagePx(0.3);
    const double amplitudeBand = 0.7 * double(overlap);
    job.draw(*pass, [&](platform::GraphicsContext& context) {
        context.setGrayFillColor(1.0, 1.0);
        context.fill(QRectF(0, 0, double(job.visibleW), double(H)));
        ambrel::GraphicsExtensions::performSavingGState(context, [&] {
            context.clipTo(QRectF(0, double(shift), double(job.visibleW), double(H - shift)));
            context.translateBy(0, double(shift - passStart));
            if (!job.isDebugMode) {
                // Ink of rows outside the request is left to other passes.
                QRegion inked;
                for (const auto& r : request.ranges) {
                    inked += QRect(0, int(r.lowerBound), int(job.visibleW),
                                   int(r.upperBound - r.lowerBound));
                }
                context.painter().setClipRegion(inked, Qt::IntersectClip);
            }
            job.drawCopies(context, request.rowY, 1);
            if (job.isDebugMode) {
                context.setGrayFillColor(0.0, 1.0);
                for (const auto& r : request.ranges) {
                    context.fill(QRectF(0, double(r.lowerBound),
                                        std::trunc(double(job.visibleW) / 2.0),
                                        double(r.upperBound - r.lowerBound)));
                }
            }
        });
        if (first < passStart) {
            // This pass goes on with a range the previous pass cut: the rows
            // that pass printed are blanked below a wave.
            const auto copies = CopyGrid::visible(-job.inset.left, job.w + job.m_x, job.w, job.N_x,
                                                  0, job.visibleW);
            for (qint64 i = copies.first; i < copies.end; ++i) {
                drawSeamWave(job, i, context, H, amplitudeBand / 2 + double(shift), amplitudeBand);
            }
        }
    });
    const qint64 sourceEnd = std::max(passStart, std::min(passStart + H, last - 1));
    return job.cutPass(*pass, passY, {passStart, sourceEnd});
}

QList<XYBitmapInfo_px> TallPassSplitter_px::split(const PixelSplitJob& job) {
    const qint64 overlap = job.dpi.imagePx(0.3);
    if (job.H - overlap < 1) {
        // The passes could never advance.
        throw ConnectionError(Case::incorrectDeviceModel);
    }
    if (job.H_c < job.dpi.imagePx(1.0)) {
        throw ConnectionError(Case::documentImageIsNotInCanvas);
    }
    const IndexSet inked = scanInkedRows(job);
    std::vector<PassRequest> requests;
    const qint64 step = job.h + job.m_y;
    const qint64 start = job.verticalStart();
    const auto rows = CopyGrid::visible(start, step, job.h, job.N_y, 0, job.H_c);
    for (qint64 j = rows.first; j < rows.end; ++j) {
        if (job.isCancelled()) {
            throw ConnectionError(Case::userCancelled);
        }
        const qint64 y = start + step * j;
        const IndexSet canvasRows = inked.shiftedAndClipped(y, 0, job.H_c);
        for (auto& request : packPasses(canvasRows, y, job.H, overlap)) {
            requests.push_back(std::move(request));
        }
    }

    std::vector<QList<XYBitmapInfo_px>> results(requests.size());
    forEachInLanes(job, requests.size(), passLanes,
                   [&](std::size_t i) { results[i] = renderTallPass(job, requests[i]); });
    if (job.isCancelled()) {
        throw ConnectionError(Case::userCancelled);
    }
    // Completion order does not matter: passes come back by their first row.
    std::vector<std::size_t> order(requests.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return requests[a].passStart < requests[b].passStart;
    });
    QList<XYBitmapInfo_px> result;
    for (std::size_t i : order) {
        result.append(results[i]);
    }
    return result;
}

} // namespace quenta
