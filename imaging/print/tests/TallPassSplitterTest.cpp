#include "SplitTestSupport.h"
#include "imaging/print/ImageSplitter_px.h"
#include "imaging/print/TallPassSplitter_px.h"
#include "model/errors/ConnectionError.h"
#include "platform/compute/ComputeTestHooks.h"

#include <gtest/gtest.h>

using ambrel::ConnectionError;
using quenta::ImageSplitter_px;
using quenta::IndexSet;
using quenta::TallPassSplitter_px;
using quenta::XYBitmapInfo_px;

namespace {

const QString movable = QStringLiteral(R"({"canMoveHeadYPosition": true})");

// 254 dpi: ten pixels a millimetre, an overlap of 3 rows.
QList<XYBitmapInfo_px> split(const QImage& image,
                             const ambrel::OriginalImageDrawingOptions& options, qint64 head = 100,
                             double canvasHeight_mm = 50) {
    const auto device = splittest::model(254, head, 10, canvasHeight_mm, movable);
    return ImageSplitter_px::generateBitmaps_px(*device, splittest::task(device, image, options),
                                                nullptr, false);
}

std::vector<qint64> starts(const std::vector<TallPassSplitter_px::PassRequest>& requests) {
    std::vector<qint64> out;
    for (const auto& r : requests) {
        out.push_back(r.passStart);
    }
    return out;
}

TEST(TallPassSplitter, packsInkedRangesIntoPasses) {
    const auto shared =
        TallPassSplitter_px::packPasses(IndexSet{{100, 400}, {500, 700}}, 0, 1000, 4);
    ASSERT_EQ(shared.size(), 1u);
    EXPECT_EQ(shared[0].passStart, 100);
    EXPECT_EQ(shared[0].ranges.size(), 2u);

    // A range taller than a pass: passes 996 rows apart, overlapping by 4.
    const auto solid = TallPassSplitter_px::packPasses(IndexSet{{50, 2550}}, 0, 1000, 4);
    EXPECT_EQ(starts(solid), (std::vector<qint64>{50, 1046, 2042}));

    // A range that does not fit after others opens its own pass.
    const auto apart = TallPassSplitter_px::packPasses(IndexSet{{0, 100}, {900, 1200}}, 0, 1000, 4);
    EXPECT_EQ(starts(apart), (std::vector<qint64>{0, 900}));
    EXPECT_TRUE(TallPassSplitter_px::packPasses(IndexSet(), 0, 1000, 4).empty());
}

TEST(TallPassSplitter, overlappingPassesBlankWhatTheirPredecessorPrinted) {
    const QImage column = splittest::picture(32, 250, {QRect(0, 0, 32, 250)});
    const auto records = split(column, splittest::optionsFor(column));
    ASSERT_EQ(records.size(), 3);
    EXPECT_EQ(records[0].sourceYRange_px, (XYBitmapInfo_px::Range{0, 100}));
    EXPECT_EQ(records[1].sourceYRange_px, (XYBitmapInfo_px::Range{97, 197}));
    EXPECT_EQ(records[2].sourceYRange_px, (XYBitmapInfo_px::Range{194, 249}));
    EXPECT_EQ(records[0].location_px.y, 0);
    EXPECT_EQ(records[1].location_px.y, 97);
    EXPECT_EQ(records[2].location_px.y, 172); // centred on its rows

    // The first pass prints all its rows; the next blanks some of the rows
    // they share below a wave, and none further in.
    EXPECT_EQ(splittest::blackBounds(records[0].bitmap), QRect(0, 0, 32, 100));
    const QImage& second = records[1].bitmap;
    const uchar* shared = second.constScanLine(99);
    EXPECT_TRUE(std::count(shared, shared + 32, 255) > 0);
    const uchar* inside = second.constScanLine(95);
    EXPECT_EQ(std::count(inside, inside + 32, 0), 32);

    // Every copy across gets its own seam.
    auto twice = splittest::optionsFor(column);
    twice.imageRepeatXCount = 2;
    twice.imageRepeatXMargin_mm = 0.4;
    const auto both = split(column, twice);
    ASSERT_EQ(both.size(), 3);
    ASSERT_EQ(both[1].bitmap.width(), 68);
    const uchar* seam = both[1].bitmap.constScanLine(99);
    EXPECT_GT(std::count(seam, seam + 32, 255), 0);
    EXPECT_GT(std::count(seam + 36, seam + 68, 255), 0);
}

TEST(TallPassSplitter, scansEveryRowOfATallPicture) {
    // 3000 rows in chunks of 720; the last covers 2880 ... 2999.
    const QImage tall = splittest::picture(12, 3000, {QRect(0, 10, 12, 5), QRect(0, 2990, 12, 10)});
    const auto records = split(tall, splittest::optionsFor(tall), 100, 400);
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0].sourceYRange_px.lowerBound, 10);
    EXPECT_EQ(records[1].sourceYRange_px.lowerBound, 2990);
    // Passes come back by their first row, whatever order they finished in.
    EXPECT_LT(records[0].location_px.y, records[1].location_px.y);
}

TEST(TallPassSplitter, rowsOffTheCanvasYieldNoPass) {
    const QImage tall = splittest::picture(12, 300, {QRect(0, 0, 12, 50)});
    auto options = splittest::optionsFor(tall);
    options.imageOffset_mm = {0, -10}; // the ink lies above the canvas
    try {
        split(tall, options);
        ADD_FAILURE();
    } catch (const ConnectionError& error) {
        EXPECT_EQ(error.errorCase(), ConnectionError::Case::documentImageIsNotInCanvas);
    }
}

TEST(TallPassSplitter, endsWithAnErrorWhereItWouldNeverAdvance) {
    const QImage tall = splittest::picture(12, 300, {QRect(0, 0, 12, 300)});
    try {
        split(tall, splittest::optionsFor(tall), 3); // not taller than the 3-row overlap
        ADD_FAILURE();
    } catch (const ConnectionError& error) {
        EXPECT_EQ(error.errorCase(), ConnectionError::Case::incorrectDeviceModel);
    }
    try {
        split(tall, splittest::optionsFor(tall), 100, 0.05); // under a millimetre high
        ADD_FAILURE();
    } catch (const ConnectionError& error) {
        EXPECT_EQ(error.errorCase(), ConnectionError::Case::documentImageIsNotInCanvas);
    }
}

TEST(TallPassSplitter, aFailingPassFailsTheSplit) {
    const QImage tall = splittest::picture(12, 300, {QRect(0, 0, 12, 300)});
    platform::compute::ComputeTestHooks::Scope noBuffer(
        platform::compute::ComputeTestHooks::Fault::noCommandBuffer);
    EXPECT_THROW(split(tall, splittest::optionsFor(tall)), sildor::SildorImage::FunctionError);
}

} // namespace
