#include "imaging/print/ImageSplitter_mm.h"

#include "imaging/print/CopyGrid.h"
#include "imaging/print/GrayPass.h"
#include "imaging/print/ImageSplitDeviceInfo.h"
#include "imaging/print/OverflownInset_px.h"
#include "imaging/print/RenderedPassSplitter.h"
#include "imaging/print/SplitDebugOutput.h"
#include "model/ConnectionError.h"
#include "model/GraphicsExtensions.h"
#include "platform/Log.h"
#include "platform/MainThread.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace quenta {

namespace {

using ambrel::ConnectionError;
using Case = ConnectionError::Case;
using V = ambrel::OffsetBase::VerticalPosition;
using Hz = ambrel::OffsetBase::HorizontalPosition;

// Rows at this gray or darker start a pass of a tall picture.
constexpr std::uint8_t rowInkLimit = 128;

class MillimetreSplit {
public:
    MillimetreSplit(const ambrel::DeviceDescriptor& device, const ambrel::PrintTask& task,
                    bool isDebugMode);
    std::vector<SplitPart_mm> run();

private:
    qint64 px(double mm) const { return dpi.imagePx(mm); }
    double mm(qint64 pixels) const { return dpi.mm(pixels); }

    void placeHorizontally();
    void fillWhite(double height);
    // Draws copy columns of rows [firstRow, endRow) with the first row's top at y.
    void drawCopies(double y, qint64 firstRow, qint64 endRow);
    void convertAndCut(double passY, double ignoredBottom_mm);
    void singlePass();
    void stackedPasses(double ratio);
    void tallPasses();
    double verticalStart() const;

    std::shared_ptr<const ambrel::OriginalImage> image;
    ambrel::OriginalImageDrawingOptions options;
    ImageSplitDeviceInfo info;
    ambrel::Dpi dpi;
    bool isDebugMode;
    qint64 H = 0;
    double W_c = 0, H_c = 0;
    qint64 w = 0, h = 0;
    qint64 N_x = 1, N_y = 1;
    double M_x = 0, M_y = 0;
    double minSep = 0;
    bool joinsAllRanges = true;
    double pxPerMm = 0;
    qint64 totalW = 0, totalH = 0;
    double xPos = 0;
    OverflownInset_px inset;
    qint64 visibleWidth = 0;
    std::shared_ptr<sildor::SildorContext> sildorContext;
    std::unique_ptr<GrayPass> pass;
    BlackConversion::OutputConfiguration configuration;
    std::vector<SplitPart_mm> parts;
};

MillimetreSplit::MillimetreSplit(const ambrel::DeviceDescriptor& device,
                                 const ambrel::PrintTask& task, bool debug)
    : isDebugMode(debug) {
    const ambrel::ImageSource& source = task.imageSource();
    if (source.kind() != ambrel::ImageSource::Kind::originalImage || !source.image() ||
        !source.options() || !task.canvas()) {
        throw ConnectionError(Case::noImageInDocument);
    }
    image = source.image();
    options = *source.options();
    const ambrel::Size_px display = options.imageSizeForDisplay_px();
    w = display.width;
    h = display.height;
    if (w < 10 && h < 10) {
        throw ConnectionError(Case::documentImageIsTooSmall);
    }
    info = device.additionalInfos().valueOrDefault<ImageSplitDeviceInfo>();
    dpi = device.dpi();
    H = device.headDotCount();
    W_c = task.canvas()->size_mm().width;
    H_c = task.canvas()->size_mm().height;
    if (info.supportsMultipleSequences && options.usesMinimumSeparatedXMargin) {
        joinsAllRanges = false;
        minSep = options.minimumSeparatedXMargin_mm;
    }
    N_x = options.imageRepeatXCount;
    N_y = options.imageRepeatYCount;
    M_x = options.imageRepeatXMargin_mm;
    M_y = options.imageRepeatYMargin_mm;
    pxPerMm = dpi.rawValue() / 25.4;
    totalW = N_x < 1 ? 0 : CopyGrid::total(w, 0, N_x) + px(M_x * double(N_x - 1));
    totalH = N_y < 1 ? 0 : CopyGrid::total(h, 0, N_y) + px(M_y * double(N_y - 1));
    sildorContext = std::make_shared<sildor::SildorContext>();
    configuration.purpose = BlackConversion::OutputConfiguration::Purpose::output;
    configuration.dpi = dpi;
}

void MillimetreSplit::placeHorizontally() {
    const double T = mm(totalW);
    const double offX = options.imageOffset_mm.x;
    double x = 0;
    const bool fromRight = info.headPrintsImageFromRight;
    switch (options.imageOffsetBase.horizontalPosition) {
    case Hz::left:
        x = fromRight ? W_c - offX - T : offX;
        break;
    case Hz::middle:
        x = fromRight ? (W_c - T) * 0.5 - offX : offX + (W_c - T) * 0.5;
        break;
    case Hz::right:
        x = fromRight ? offX : W_c - offX - T;
        break;
    }
    qint64 startInset = 0;
    if (x > 0) {
        xPos = std::floor(x);
        // The fraction of a millimetre becomes blank pixels before the picture.
        startInset = -px(x - std::floor(x));
    } else if (x < 0) {
        xPos = 0;
        startInset = px(-x);
    }
    const double endEdge = xPos + mm(totalW - startInset);
    const qint64 endInset = endEdge >= W_c ? px(endEdge - W_c) : 0;
    inset = fromRight ? OverflownInset_px{endInset, startInset}
                      : OverflownInset_px{startInset, endInset};
    visibleWidth = totalW - (inset.left + inset.right);
}

double MillimetreSplit::verticalStart() const {
    const double offY = options.imageOffset_mm.y;
    switch (options.imageOffsetBase.verticalPosition) {
    case V::top:
        return offY;
    case V::middle:
        return (H_c - mm(totalH)) * 0.5 - offY;
    case V::bottom:
        // The block's bottom edge stands offY above the canvas's bottom edge.
        return H_c - offY - mm(totalH);
    }
    return offY;
}

void MillimetreSplit::fillWhite(double height) {
    pass->draw(
        [&](platform::GraphicsContext& context) {
            context.setGrayFillColor(1.0, 1.0);
            context.fill(QRectF(0, 0, double(visibleWidth), height));
        },
        true);
}

void MillimetreSplit::drawCopies(double y, qint64 firstRow, qint64 endRow) {
    pass->draw(
        [&](platform::GraphicsContext& context) {
            ambrel::GraphicsExtensions::performSavingGState(context, [&] {
                if (image->isVector()) {
                    context.setInterpolationQuality(
                        platform::GraphicsContext::InterpolationQuality::high);
                } else {
                    context.setShouldAntialias(false);
                }
                context.setAllowsAntialiasing(false);
                const bool advancesAcross = w + px(M_x) > 0;
                const bool advancesDown = h + px(M_y) > 0;
                for (qint64 i = 0; i < N_x; ++i) {
                    const qint64 x = w * i + px(M_x * double(i)) - inset.left;
                    if (x >= visibleWidth && advancesAcross) {
                        break;
                    }
                    if (x >= visibleWidth || x + w <= 0) {
                        continue;
                    }
                    for (qint64 j = firstRow; j < endRow; ++j) {
                        const double top =
                            y + double(h * (j - firstRow)) + double(px(M_y * double(j - firstRow)));
                        if (top >= double(H) && advancesDown) {
                            break;
                        }
                        if (top >= double(H) || top + double(h) <= 0) {
                            continue;
                        }
                        image->draw(QRectF(double(x), top, double(w), double(h)),
                                    options.imageOrientation, options.flipsImageHorizontal, context,
                                    true);
                    }
                }
            });
        },
        !image->isVector());
}

void MillimetreSplit::convertAndCut(double passY, double ignoredBottom_mm) {
    pass->convert(options.imageBitmapConversion, configuration);
    const auto rendered = RenderedPassSplitter::splitRenderedPass(
        pass->image(), pass->pixels(), visibleWidth, H, info.headPrintsImageFromRight, minSep,
        joinsAllRanges, isDebugMode, pxPerMm, ignoredBottom_mm);
    for (const auto& part : rendered) {
        parts.push_back(SplitPart_mm{QPointF(xPos + part.x_mm, passY), part.bitmap});
    }
}

void MillimetreSplit::singlePass() {
    fillWhite(double(H));
    const qint64 offY = px(options.imageOffset_mm.y);
    double y0 = double(offY);
    switch (options.imageOffsetBase.verticalPosition) {
    case V::top:
        break;
    case V::middle:
        y0 = std::round(double(H - totalH) * 0.5 - double(offY));
        break;
    case V::bottom:
        y0 = double(H - offY - totalH);
        break;
    }
    drawCopies(y0, 0, N_y);
    convertAndCut(0, 0);
}

void MillimetreSplit::stackedPasses(double ratio) {
    if (N_y < 1) {
        return;
    }
    const qint64 perPass = ratio < double(N_y) ? qint64(std::floor(ratio)) : N_y;
    qint64 remaining = N_y;
    for (qint64 p = 0; remaining > 0; ++p) {
        const qint64 n = std::min(remaining, perPass);
        const double content = mm(qint64(std::trunc(double(n) * double(h + px(M_y)))));
        const double y = verticalStart() + double(perPass * p) * (M_y + mm(h));
        qint64 topInset = 0;
        double passY = 0;
        if (y > 0) {
            const double whole = std::floor(y);
            topInset = -px(y - whole);
            const double centre = (mm(H) - (content - M_y)) * 0.5;
            const double shift = std::min(whole, std::floor(centre));
            topInset -= px(shift);
            passY = whole - shift;
        } else if (y < 0) {
            topInset = px(-y);
        }
        const double over = passY + mm(H) - H_c;
        if (H - px(over) < 1) {
            break;
        }
        fillWhite(double(H));
        qint64 shiftPx = 0;
        if (over > 0) {
            shiftPx = px(over);
            passY -= over;
        }
        const qint64 firstRow = N_y - remaining;
        drawCopies(double(shiftPx - topInset), firstRow, firstRow + n);
        if (shiftPx > 0) {
            fillWhite(double(shiftPx));
        }
        convertAndCut(passY, 0);
        remaining -= n;
    }
}

void MillimetreSplit::tallPasses() {
    const double advance = std::floor(mm(H) - 1);
    if (advance < 1) {
        // The search for pass starts would never move on.
        throw ConnectionError(Case::incorrectDeviceModel);
    }
    if (H_c < 1) {
        throw ConnectionError(Case::documentImageIsNotInCanvas);
    }
    const double start = verticalStart();
    for (qint64 j = 0; j < N_y; ++j) {
        const double y = start + (M_y + mm(h)) * double(j);
        if (y >= H_c) {
            break; // this repeat and every later one lie below the canvas
        }
        double whole = 0;
        qint64 topInset = 0;
        if (y > 0) {
            whole = std::floor(y);
            topInset = -px(y - whole);
        } else if (y < 0) {
            topInset = px(-y);
        }
        const qint64 visibleH = h - topInset;
        const double limit = std::ceil(mm(visibleH));
        std::set<qint64> passStarts;
        std::set<qint64> continuedStarts;
        bool found = false;
        for (double o = 0; o < limit;) {
            fillWhite(double(H));
            drawCopies(double(-px(o) - topInset), j, j + 1);
            pass->convert(options.imageBitmapConversion, configuration);
            const std::uint8_t* pixels = pass->pixels();
            for (qint64 r = 0; r < H; ++r) {
                const std::uint8_t* row = pixels + (H - 1 - r) * visibleWidth;
                if (std::any_of(row, row + visibleWidth,
                                [](std::uint8_t b) { return b <= rowInkLimit; })) {
                    const qint64 s = qint64(o) + qint64(std::floor(mm(r)));
                    passStarts.insert(s);
                    if (found) {
                        continuedStarts.insert(s);
                    }
                    found = true;
                    o = double(s);
                    break;
                }
            }
            o += advance;
        }
        for (qint64 e : passStarts) {
            double passY = whole + double(e);
            const double over = std::ceil(passY + mm(H) - H_c);
            if (H - px(over) < 1) {
                break;
            }
            qint64 shiftPx = 0;
            if (over > 0) {
                shiftPx = px(over);
                passY -= over;
            }
            fillWhite(double(H));
            drawCopies(double(shiftPx - px(double(e)) - topInset), j, j + 1);
            if (shiftPx > 0) {
                fillWhite(double(shiftPx));
            }
            const double ignored = continuedStarts.count(e) == 0 ? 0 : (over > 0 ? over + 1 : 1);
            convertAndCut(passY, ignored);
        }
    }
}

std::vector<SplitPart_mm> MillimetreSplit::run() {
    placeHorizontally();
    if (isDebugMode) {
        platform::Log::line(QStringLiteral("%1 (left overflow) + %2 + %3 (right overflow)")
                                .arg(inset.left)
                                .arg(visibleWidth)
                                .arg(inset.right));
    }
    if (visibleWidth < 1 || h < 1) {
        throw ConnectionError(Case::documentImageIsNotInCanvas);
    }
    pass = GrayPass::make(sildorContext, visibleWidth, H);
    if (!pass) {
        throw ConnectionError(Case::noImageInDocument);
    }
    if (!info.canMoveHeadYPosition) {
        singlePass();
    } else {
        const double ratio = double(H + px(M_y)) / double(h + px(M_y));
        if (isDebugMode) {
            platform::Log::line(QStringLiteral("max count per pass ? ") +
                                SplitDebugOutput::shortestRealText(ratio));
        }
        if (ratio >= 1) {
            stackedPasses(ratio);
        } else {
            tallPasses();
        }
    }
    if (parts.empty()) {
        throw ConnectionError(Case::documentImageIsNotInCanvas);
    }
    return std::move(parts);
}

} // namespace

std::vector<SplitPart_mm> ImageSplitter_mm::generateBitmaps(const ambrel::DeviceDescriptor& device,
                                                            const ambrel::PrintTask& task,
                                                            bool isDebugMode) {
    MillimetreSplit split(device, task, isDebugMode);
    std::vector<SplitPart_mm> parts = split.run();
    if (!isDebugMode) {
        return parts;
    }
    const ambrel::Dpi dpi = device.dpi();
    platform::MainThread::post([parts, dpi] { SplitDebugOutput::writeDebugParts(parts, dpi); });
    throw ConnectionError(Case::userCancelled);
}

} // namespace quenta
