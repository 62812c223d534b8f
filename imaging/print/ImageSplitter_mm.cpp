#include "imaging/print/ImageSplitter_mm.h"

#include "imaging/print/CopyGrid.h"
#include "imaging/print/GrayPass.h"
#include "imaging/print/ImageSplitDeviceInfo.h"
#include "imaging/print/OverflownInset_px.h"
#include "imaging/print/RenderedPassSplitter.h"
#include "imaging/print/SplitDebugOutput.h"
#include "model/errors/ConnectionError.h"
#include "model/pictures/GraphicsExtensions.h"
#include "platform/Log.h"
#include "platform/MainThread.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace quenta {

namespace {

using ambrel::ConnectionError;
using Case = ConnectionError::Case;
using V = ambrel::OffsetBase::VerticalPosition;
using Hz = ambrel::OffsetBase::HorizontalPosition;

// Rows at this gray or darker start a pass of a tall picture.
constexpr std::uint8_t rowInkLimit = 128;

using Wide = __int128;

qint64 saturated(Wide value) {
    return qint64(std::clamp<Wide>(value, std::numeric_limits<qint64>::min(),
                                   std::numeric_limits<qint64>::max()));
}

// The first index in [from, to) where the test holds, for a test that stays
// true once it holds; `to` when it never does.
template <typename Test> qint64 firstWhere(qint64 from, qint64 to, const Test& test) {
    while (from < to) {
        const qint64 middle = from + (to - from) / 2;
        if (test(middle)) {
            to = middle;
        } else {
            from = middle + 1;
        }
    }
    return from;
}

// Calls visit(k) for the indices in [from, to), once for each run of indices
// with equal keys: copies or repeats with the same key draw the same pixels,
// so copies piled on one spot cost one drawing however many there are. The
// keys change monotonically with the index.
template <typename Key, typename Visit>
void forEachDistinct(qint64 from, qint64 to, const Key& key, const Visit& visit) {
    for (qint64 k = from; k < to;) {
        const auto at = key(k);
        visit(k);
        qint64 next = k + 1;
        if (next < to && key(next) == at) {
            next = firstWhere(next + 1, to, [&](qint64 j) { return key(j) != at; });
        }
        k = next;
    }
}

// The indices of the copies that reach into [low, high): copy k starts at
// position(k), a monotone function of k, and is size long.
template <typename Position>
std::pair<qint64, qint64> visibleCopies(qint64 count, qint64 size, qint64 low, qint64 high,
                                        const Position& position) {
    if (count < 1 || size < 1 || high <= low) {
        return {0, 0};
    }
    const Wide near = Wide(low) - size;
    if (position(count - 1) >= position(0)) {
        const qint64 first = firstWhere(0, count, [&](qint64 k) { return position(k) > near; });
        return {first, firstWhere(first, count, [&](qint64 k) { return position(k) >= high; })};
    }
    const qint64 first = firstWhere(0, count, [&](qint64 k) { return position(k) < high; });
    return {first, firstWhere(first, count, [&](qint64 k) { return position(k) <= near; })};
}

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
    // Finds the pass starts of repeat j, whose first row lies at `whole`
    // millimetres plus topInset rows, and splits its passes.
    void tallRepeat(qint64 j, double whole, qint64 topInset);
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
    BlackConversionPass::OutputConfiguration configuration;
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
    configuration.purpose = BlackConversionPass::OutputConfiguration::Purpose::output;
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
    // Only the copies that reach into the pass are drawn, each spot once.
    const auto across = [&](qint64 i) {
        return saturated(Wide(w) * i + px(M_x * double(i)) - inset.left);
    };
    const auto down = [&](qint64 k) { return saturated(Wide(h) * k + px(M_y * double(k))); };
    const auto columns = visibleCopies(N_x, w, 0, visibleWidth, across);
    const auto rows = visibleCopies(endRow - firstRow, h, qint64(std::floor(-y)),
                                    qint64(std::ceil(double(H) - y)), down);
    std::vector<qint64> rowTops;
    forEachDistinct(rows.first, rows.second, down, [&](qint64 k) { rowTops.push_back(down(k)); });
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
                forEachDistinct(columns.first, columns.second, across, [&](qint64 i) {
                    for (const qint64 top : rowTops) {
                        image->draw(
                            QRectF(double(across(i)), y + double(top), double(w), double(h)),
                            options.imageOrientation, options.flipsImageHorizontal, context, true);
                    }
                });
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
    const qint64 passes = N_y / perPass + (N_y % perPass == 0 ? 0 : 1);
    const double step = M_y + mm(h);
    const auto rowsIn = [&](qint64 p) { return p < passes - 1 ? perPass : N_y - perPass * p; };
    // Where pass p stands: the pass's y on the canvas before any move up from
    // the canvas's end, and the rows its copies are moved by.
    struct Place {
        double passY = 0;
        qint64 topInset = 0;
        bool operator==(const Place&) const = default;
    };
    const auto placeOf = [&](qint64 p) {
        const qint64 n = rowsIn(p);
        const double content = mm(qint64(std::trunc(double(n) * double(h + px(M_y)))));
        const double y = verticalStart() + double(perPass * p) * step;
        Place place;
        if (y > 0) {
            const double whole = std::floor(y);
            place.topInset = -px(y - whole);
            const double centre = (mm(H) - (content - M_y)) * 0.5;
            const double shift = std::min(whole, std::floor(centre));
            place.topInset -= px(shift);
            place.passY = whole - shift;
        } else if (y < 0) {
            place.topInset = px(-y);
        }
        return place;
    };
    const auto down = [&](qint64 k) { return saturated(Wide(h) * k + px(M_y * double(k))); };
    std::optional<Place> drawn;
    qint64 drawnRows = 0;
    for (qint64 p = 0; p < passes;) {
        const qint64 n = rowsIn(p);
        const Place place = placeOf(p);
        double passY = place.passY;
        const double over = passY + mm(H) - H_c;
        if (H - px(over) < 1) {
            break;
        }
        qint64 shiftPx = 0;
        if (over > 0) {
            shiftPx = px(over);
            passY -= over;
        }
        const qint64 origin = shiftPx - place.topInset;
        // The rows' extent in the pass; rows go down, or up for margins
        // below minus the picture's height.
        const qint64 first = std::min(down(0), down(n - 1));
        const qint64 last = std::max(down(0), down(n - 1)) + h;
        const bool shows = origin + last > 0 && origin + first < H;
        if (!shows && step <= 0 && origin + last <= 0) {
            break; // this pass and every later one lie above the canvas
        }
        // A pass on the spot of the one before, with no more rows, would
        // print the same copies again.
        const bool repeatsDrawn = drawn && *drawn == place && n <= drawnRows;
        if (shows && !repeatsDrawn) {
            fillWhite(double(H));
            const qint64 firstRow = perPass * p;
            drawCopies(double(origin), firstRow, firstRow + n);
            if (shiftPx > 0) {
                fillWhite(double(shiftPx));
            }
            convertAndCut(passY, 0);
            drawn = place;
            drawnRows = n;
        }
        qint64 next = p + 1;
        if (next < passes - 1 && placeOf(next) == place) {
            next =
                firstWhere(next + 1, passes - 1, [&](qint64 q) { return !(placeOf(q) == place); });
        }
        p = next;
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
    const double step = M_y + mm(h);
    struct Place {
        double whole = 0;
        qint64 topInset = 0;
        bool operator==(const Place&) const = default;
    };
    const auto yOf = [&](qint64 j) { return start + step * double(j); };
    const auto placeOf = [&](qint64 j) {
        const double y = yOf(j);
        Place place;
        if (y > 0) {
            place.whole = std::floor(y);
            place.topInset = -px(y - place.whole);
        } else if (y < 0) {
            place.topInset = px(-y);
        }
        return place;
    };
    // Repeats below the canvas's end or wholly above its start print nothing;
    // repeats on one spot print the same passes, so one of them is split.
    const auto below = [&](qint64 j) { return yOf(j) >= H_c; };
    const auto above = [&](qint64 j) { return h - placeOf(j).topInset <= 0; };
    qint64 first = 0;
    qint64 end = 0;
    if (step >= 0) {
        first = firstWhere(0, N_y, [&](qint64 j) { return !above(j); });
        end = firstWhere(first, N_y, below);
    } else {
        first = firstWhere(0, N_y, [&](qint64 j) { return !below(j); });
        end = firstWhere(first, N_y, above);
    }
    forEachDistinct(first, end, placeOf,
                    [&](qint64 j) { tallRepeat(j, placeOf(j).whole, placeOf(j).topInset); });
}

void MillimetreSplit::tallRepeat(qint64 j, double whole, qint64 topInset) {
    const qint64 visibleH = h - topInset;
    const double limit = std::ceil(mm(visibleH));
    const double advance = std::floor(mm(H) - 1);
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
    // The end of the rows, in millimetres from the repeat's start side, that
    // the passes so far printed.
    double printedEnd = -std::numeric_limits<double>::infinity();
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
        // A continued pass leaves to the black test the rows an earlier pass
        // already printed (at most its first millimetre) and the rows blanked
        // below it; after a white gap nothing was printed there, and a thin
        // line in those rows would otherwise be printed by no pass.
        double ignored = 0;
        if (continuedStarts.count(e) != 0) {
            ignored = std::max(over, 0.0) + std::clamp(printedEnd - double(e), 0.0, 1.0);
        }
        convertAndCut(passY, ignored);
        printedEnd = std::max(printedEnd, double(e) + mm(H) - std::max(over, 0.0));
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
