#pragma once

#include <QImage>

#include <cstdint>
#include <vector>

namespace quenta {

// Cuts one converted pass into the stretches the device has to print: the
// pass is looked at in columns one millimetre wide, black millimetres are
// joined into ranges, ranges closer than the minimum separation are joined,
// and each remaining range is cropped out at the pass's full height.
class RenderedPassSplitter {
public:
    struct RenderedPart {
        // Whole millimetres from the start of the pass, counted from the side
        // where the head's travel starts.
        double x_mm = 0;
        QImage bitmap;
    };

    struct Range {
        qint64 location = 0;
        qint64 length = 0;
        bool operator==(const Range&) const = default;
    };

    // pass and pixels are the same black-and-white bytes: height rows of
    // width bytes. The last ignoredBottom_mm of rows are cropped but not
    // tested for ink. Parts come in ascending x_mm.
    static std::vector<RenderedPart> splitRenderedPass(const QImage& pass,
                                                       const std::uint8_t* pixels, qint64 width,
                                                       qint64 height, bool headPrintsImageFromRight,
                                                       double minimumSeparatedXMargin_mm,
                                                       bool joinsAllRanges, bool isDebugMode,
                                                       double pxPerMm, double ignoredBottom_mm);

    // The black millimetres of the pass, before joining.
    static std::vector<Range> blackRanges(const std::uint8_t* pixels, qint64 width,
                                          qint64 scannedRows, bool headPrintsImageFromRight,
                                          double pxPerMm);
    // Closes the gaps narrower than the minimum (or all of them); a joined
    // range leaves a range of length 0 behind.
    static void joinRanges(std::vector<Range>& ranges, double minimumSeparatedXMargin_mm,
                           bool joinsAllRanges);
};

} // namespace quenta
