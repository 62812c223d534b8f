#include "imaging/print/ImageSplitter_px.h"

#include "imaging/print/CopyGrid.h"
#include "imaging/print/GrayPass.h"
#include "imaging/print/PixelSplitJob.h"
#include "imaging/print/SplitDebugOutput.h"
#include "imaging/print/TallPassSplitter_px.h"
#include "model/errors/ConnectionError.h"
#include "platform/Log.h"
#include "platform/MainThread.h"
#include "platform/Progress.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quenta {

namespace {

using ambrel::ConnectionError;
using Case = ConnectionError::Case;

// Placement sums of far-off or endlessly repeated pictures do not fit 64 bits.
using Wide = __int128;

qint64 saturated(Wide value) {
    return qint64(std::clamp<Wide>(value, std::numeric_limits<qint64>::min(),
                                   std::numeric_limits<qint64>::max()));
}

Wide halfTruncated(Wide space) {
    return Wide(std::trunc(double(space) / 2.0));
}

// The picture's start, in pixels from the edge where the head's travel starts.
Wide horizontalStart(const PixelSplitJob& job) {
    using Hz = ambrel::OffsetBase::HorizontalPosition;
    const bool fromRight = job.info.headPrintsImageFromRight;
    const Wide W_c = job.W_c;
    switch (job.options.imageOffsetBase.horizontalPosition) {
    case Hz::left:
        return fromRight ? W_c - job.off_x - job.totalW : Wide(job.off_x);
    case Hz::middle:
        return fromRight ? halfTruncated(W_c - job.totalW) - job.off_x
                         : halfTruncated(W_c - job.totalW) + job.off_x;
    case Hz::right:
        return fromRight ? Wide(job.off_x) : W_c - job.off_x - job.totalW;
    }
    return 0;
}

void placeHorizontally(PixelSplitJob& job) {
    const Wide x = horizontalStart(job);
    const Wide startCut = x < 0 ? -x : 0;
    const Wide x0 = x < 0 ? 0 : x;
    const Wide farEdge = x0 + job.totalW - startCut;
    const Wide endCut = farEdge >= job.W_c ? farEdge - job.W_c : 0;
    job.x0 = saturated(x0);
    if (job.info.headPrintsImageFromRight) {
        job.inset = {saturated(endCut), saturated(startCut)};
    } else {
        job.inset = {saturated(startCut), saturated(endCut)};
    }
    job.visibleW = saturated(Wide(job.totalW) - (startCut + endCut));
}

std::unique_ptr<GrayPass> makePass(const PixelSplitJob& job) {
    auto pass = GrayPass::make(job.sildorContext, job.visibleW, job.H);
    if (!pass) {
        throw ConnectionError(Case::noImageInDocument);
    }
    return pass;
}

QList<XYBitmapInfo_px> singlePass(const PixelSplitJob& job) {
    auto pass = makePass(job);
    using V = ambrel::OffsetBase::VerticalPosition;
    qint64 base = job.off_y;
    switch (job.options.imageOffsetBase.verticalPosition) {
    case V::top:
        break;
    case V::middle:
        base = qint64(std::trunc(double(job.H - job.totalH) / 2.0 - double(job.off_y)));
        break;
    case V::bottom:
        // The block's bottom edge stands off_y above the head's last row.
        base = job.H - job.off_y - job.totalH;
        break;
    }
    job.draw(*pass, [&](platform::GraphicsContext& context) {
        context.setGrayFillColor(1.0, 1.0);
        context.fill(QRectF(0, 0, double(job.visibleW), double(job.H)));
        job.drawCopies(context, base, job.N_y);
    });
    if (job.isCancelled()) {
        return {};
    }
    return job.cutPass(*pass, 0, {0, job.H});
}

QList<XYBitmapInfo_px> stackedPasses(const PixelSplitJob& job, double ratio) {
    QList<XYBitmapInfo_px> result;
    auto pass = makePass(job);
    // A ratio beyond the repeat count (or not finite, for rows of no height)
    // puts every row into one pass.
    const qint64 perPass = ratio < double(job.N_y) ? qint64(std::trunc(ratio)) : job.N_y;
    const qint64 step = job.h + job.m_y;
    qint64 remaining = job.N_y;
    for (qint64 p = 0; remaining > 0; ++p) {
        if (job.isCancelled()) {
            break;
        }
        const qint64 n = std::min(remaining, perPass);
        const qint64 content = job.h * n + job.m_y * (n - 1);
        const qint64 y =
            job.verticalStart() + qint64(std::trunc(double(perPass) * double(p) * double(step)));
        qint64 passY = 0;
        qint64 topCut = 0;
        if (y > 0) {
            // The rows are centred in the head's rows, moving the pass up by
            // at most y.
            const qint64 shift = std::min(qint64(halfTruncated(job.H - content)), y);
            passY = y - shift;
            topCut = -shift;
        } else if (y < 0) {
            topCut = -y;
        }
        const qint64 over = passY + job.H - job.H_c;
        if (job.H - over < 1) {
            break;
        }
        remaining -= n;
        if (y + content <= 0) {
            continue; // above the canvas: nothing to draw
        }
        qint64 shiftPx = 0;
        if (over >= 1) {
            passY -= over;
            shiftPx = over;
        }
        job.draw(*pass, [&](platform::GraphicsContext& context) {
            context.setGrayFillColor(1.0, 1.0);
            context.fill(QRectF(0, 0, double(job.visibleW), double(job.H)));
            job.drawCopies(context, shiftPx - topCut, n);
            if (shiftPx >= 1) {
                context.fill(QRectF(0, 0, double(job.visibleW), double(shiftPx)));
            }
        });
        result.append(job.cutPass(*pass, passY, {y, y + content}));
    }
    return result;
}

} // namespace

QList<XYBitmapInfo_px> ImageSplitter_px::generateBitmaps_px(
    const ambrel::DeviceDescriptor& device, const ambrel::PrintTask& task,
    const std::shared_ptr<platform::Progress>& progress, bool isDebugMode) {
    const ambrel::ImageSource& source = task.imageSource();
    if (source.kind() != ambrel::ImageSource::Kind::originalImage || !source.image() ||
        !source.options() || !task.canvas()) {
        throw ConnectionError(Case::noImageInDocument);
    }
    PixelSplitJob job;
    job.image = source.image();
    job.options = *source.options();
    job.isDebugMode = isDebugMode;
    job.progress = progress.get();
    const ambrel::Size_px display = job.options.imageSizeForDisplay_px();
    job.w = display.width;
    job.h = display.height;
    if (job.w < 10 && job.h < 10) {
        throw ConnectionError(Case::documentImageIsTooSmall);
    }

    const ambrel::Dpi dpi = device.dpi();
    job.dpi = dpi;
    job.info = device.additionalInfos().valueOrDefault<ImageSplitDeviceInfo>();
    job.H = device.headDotCount();
    const ambrel::OriginalImageDrawingOptions& o = job.options;
    job.W_c = dpi.imagePx(task.canvas()->size_mm().width);
    job.H_c = dpi.imagePx(task.canvas()->size_mm().height);
    job.off_x = dpi.imagePx(o.imageOffset_mm.x);
    job.off_y = dpi.imagePx(o.imageOffset_mm.y);
    job.m_x = dpi.imagePx(o.imageRepeatXMargin_mm);
    job.m_y = dpi.imagePx(o.imageRepeatYMargin_mm);
    // A negative margin would cut into the bitmap instead of padding it.
    job.ws_start = std::max<qint64>(0, dpi.imagePx(o.additionalWhitespaceLength_start_mm));
    job.ws_end = std::max<qint64>(0, dpi.imagePx(o.additionalWhitespaceLength_end_mm));
    if (job.info.supportsMultipleSequences && o.usesMinimumSeparatedXMargin) {
        job.minSep = dpi.imagePx(o.minimumSeparatedXMargin_mm);
    }
    if (job.info.supportsMultipleSequences && o.usesMaximumBlackXLength) {
        job.maxBlack = dpi.imagePx(o.maximumBlackXLength_mm);
    }
    job.N_x = o.imageRepeatXCount;
    job.N_y = o.imageRepeatYCount;
    job.totalW = CopyGrid::total(job.w, job.m_x, job.N_x);
    job.totalH = CopyGrid::total(job.h, job.m_y, job.N_y);

    job.sildorContext = std::make_shared<sildor::SildorContext>();
    job.configuration.purpose = BlackConversionPass::OutputConfiguration::Purpose::output;
    job.configuration.dpi = dpi;

    placeHorizontally(job);
    if (isDebugMode) {
        platform::Log::line(QStringLiteral("%1 (left overflow) + %2 + %3 (right overflow)")
                                .arg(job.inset.left)
                                .arg(job.visibleW)
                                .arg(job.inset.right));
    }
    if (job.visibleW < 1 || job.h < 1 || job.N_y < 1) {
        throw ConnectionError(Case::documentImageIsNotInCanvas);
    }
    if (job.isCancelled()) {
        throw ConnectionError(Case::userCancelled);
    }

    job.makeStamp();
    QList<XYBitmapInfo_px> result;
    if (!job.info.canMoveHeadYPosition) {
        result = singlePass(job);
    } else {
        const double ratio = double(job.H + job.m_y) / double(job.h + job.m_y);
        if (isDebugMode) {
            platform::Log::line(QStringLiteral("max count per pass ? ") +
                                SplitDebugOutput::shortestRealText(ratio));
        }
        result = ratio >= 1 ? stackedPasses(job, ratio) : TallPassSplitter_px::split(job);
    }

    if (job.isCancelled()) {
        throw ConnectionError(Case::userCancelled);
    }
    if (result.isEmpty()) {
        throw ConnectionError(Case::documentImageIsNotInCanvas);
    }
    if (!isDebugMode) {
        return result;
    }
    const ambrel::Dpi namingDpi = task.deviceDescriptor() ? task.deviceDescriptor()->dpi() : dpi;
    platform::MainThread::post(
        [result, namingDpi] { SplitDebugOutput::writeDebugBitmaps_px(result, namingDpi); });
    throw ConnectionError(Case::userCancelled);
}

} // namespace quenta
