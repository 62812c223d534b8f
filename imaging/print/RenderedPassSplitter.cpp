#include "imaging/print/RenderedPassSplitter.h"

#include "imaging/print/BlackColumnScanner.h"
#include "platform/Log.h"

#include <QRect>

#include <algorithm>
#include <cmath>
#include <optional>

namespace quenta {

namespace {

bool columnHoldsInk(const std::uint8_t* pixels, qint64 width, qint64 rows, qint64 column) {
    for (qint64 r = 0; r < rows; ++r) {
        if (pixels[r * width + column] < BlackColumnScanner::inkLimit) {
            return true;
        }
    }
    return false;
}

void logRanges(const char* title, const std::vector<RenderedPassSplitter::Range>& ranges,
               bool onlyNonEmpty) {
    platform::Log::line(QStringLiteral("ranges %1 {").arg(QLatin1String(title)));
    for (const auto& r : ranges) {
        if (!onlyNonEmpty || r.length >= 1) {
            platform::Log::line(QStringLiteral("\t{%1, %2}").arg(r.location).arg(r.length));
        }
    }
    platform::Log::line(QStringLiteral("}"));
}

} // namespace

std::vector<RenderedPassSplitter::Range>
RenderedPassSplitter::blackRanges(const std::uint8_t* pixels, qint64 width, qint64 scannedRows,
                                  bool headPrintsImageFromRight, double pxPerMm) {
    std::vector<Range> ranges;
    if (width < 1 || !(pxPerMm > 0)) {
        return ranges;
    }
    ranges.reserve(size_t(std::ceil(double(width) / pxPerMm)));
    std::optional<Range> open;
    qint64 previousMm = -1;
    for (qint64 i = 0; i < width; ++i) {
        const qint64 b = qint64(std::floor(double(i) / pxPerMm));
        const bool sameMm = i > 0 && b == previousMm;
        previousMm = b;
        // A millimetre already known to be black is not tested again.
        if (sameMm && open && open->location + open->length - 1 == b) {
            continue;
        }
        const qint64 pc = headPrintsImageFromRight ? width - 1 - i : i;
        if (columnHoldsInk(pixels, width, scannedRows, pc)) {
            if (!open) {
                open = Range{b, 1};
            } else if (!sameMm) {
                open->length += 1;
            }
        } else if (!sameMm && open) {
            ranges.push_back(*open);
            open.reset();
        }
    }
    if (open) {
        ranges.push_back(*open);
    }
    return ranges;
}

void RenderedPassSplitter::joinRanges(std::vector<Range>& ranges, double minimumSeparatedXMargin_mm,
                                      bool joinsAllRanges) {
    for (size_t k = 1; k < ranges.size(); ++k) {
        Range& previous = ranges[k - 1];
        Range& current = ranges[k];
        const qint64 gap = current.location - (previous.location + previous.length);
        if (joinsAllRanges || double(gap) < minimumSeparatedXMargin_mm) {
            current =
                Range{previous.location, current.location + current.length - previous.location};
            previous.length = 0;
        }
    }
}

std::vector<RenderedPassSplitter::RenderedPart>
RenderedPassSplitter::splitRenderedPass(const QImage& pass, const std::uint8_t* pixels,
                                        qint64 width, qint64 height, bool headPrintsImageFromRight,
                                        double minimumSeparatedXMargin_mm, bool joinsAllRanges,
                                        bool isDebugMode, double pxPerMm, double ignoredBottom_mm) {
    const qint64 ignoredRows =
        std::clamp<qint64>(qint64(std::floor(pxPerMm * ignoredBottom_mm)), 0, height);
    std::vector<Range> ranges =
        blackRanges(pixels, width, height - ignoredRows, headPrintsImageFromRight, pxPerMm);
    if (isDebugMode) {
        logRanges("A", ranges, false);
    }
    joinRanges(ranges, minimumSeparatedXMargin_mm, joinsAllRanges);
    if (isDebugMode) {
        logRanges("B", ranges, true);
    }
    std::vector<RenderedPart> parts;
    const QRect whole(0, 0, int(width), int(height));
    for (const Range& range : ranges) {
        if (range.length < 1) {
            continue;
        }
        const qint64 w = qint64(std::ceil(pxPerMm * double(range.length)));
        qint64 x = qint64(std::floor(pxPerMm * double(range.location)));
        if (headPrintsImageFromRight) {
            x = width - (x + w);
        }
        const QRect crop = QRect(int(x), 0, int(w), int(height)).intersected(whole);
        if (crop.isEmpty()) {
            continue;
        }
        parts.push_back(RenderedPart{double(range.location), pass.copy(crop)});
    }
    return parts;
}

} // namespace quenta
