#include "SplitTestSupport.h"
#include "imaging/print/BlackColumnScanner.h"
#include "imaging/print/ImageSplitDeviceInfo.h"
#include "imaging/print/IndexSet.h"
#include "imaging/print/XYBitmapInfo_px.h"
#include "model/errors/DecodingError.h"

#include <gtest/gtest.h>

using quenta::BlackColumnScanner;
using quenta::ImageSplitDeviceInfo;
using quenta::IndexSet;

namespace {

ImageSplitDeviceInfo infoOf(const QString& entry) {
    return splittest::model(300, 64, 100, 100, entry)
        ->additionalInfos()
        .valueOrDefault<ImageSplitDeviceInfo>();
}

TEST(ImageSplitDeviceInfo, missingKeysAndNullAreFalse) {
    EXPECT_EQ(infoOf({}), ImageSplitDeviceInfo());
    EXPECT_EQ(infoOf(QStringLiteral("{}")), ImageSplitDeviceInfo());
    EXPECT_EQ(infoOf(QStringLiteral(R"({"headPrintsImageFromRight": null})")),
              ImageSplitDeviceInfo());
    const auto info = infoOf(
        QStringLiteral(R"({"supportsMultipleSequences": true, "canMoveHeadYPosition": true})"));
    EXPECT_TRUE(info.supportsMultipleSequences);
    EXPECT_FALSE(info.headPrintsImageFromRight);
    EXPECT_TRUE(info.canMoveHeadYPosition);

    EXPECT_THROW(
        ImageSplitDeviceInfo::decode(ambrel::JsonReader::parse(R"({"canMoveHeadYPosition": 1})")),
        ambrel::DecodingError);
}

std::vector<IndexSet> scan(const std::vector<std::uint8_t>& pixels, qint64 width, qint64 height,
                           bool fromRight, qint64 chunkSize, qint64 ignoredRows = 0) {
    const qint64 chunks = (width + chunkSize - 1) / chunkSize + 1;
    std::vector<IndexSet> results(static_cast<size_t>(chunks));
    for (qint64 c = 0; c < chunks; ++c) {
        BlackColumnScanner::scanBlackColumns(c, chunkSize, width, height, fromRight, ignoredRows,
                                             pixels.data(), results);
    }
    return results;
}

TEST(BlackColumnScanner, findsInkedColumnsPerChunk) {
    const qint64 width = 10, height = 3;
    std::vector<std::uint8_t> pixels(width * height, 255);
    pixels[0 * width + 1] = 199; // light gray counts as ink
    pixels[1 * width + 2] = 200; // this does not
    pixels[2 * width + 6] = 0;
    pixels[2 * width + 9] = 0;
    const auto results = scan(pixels, width, height, false, 4);
    EXPECT_EQ(results[0], (IndexSet{{1, 2}}));
    EXPECT_EQ(results[1], (IndexSet{{6, 7}}));
    EXPECT_EQ(results[2], (IndexSet{{9, 10}}));
    EXPECT_TRUE(results[3].isEmpty()); // starts beyond the last column

    // Printing from the right, the last column is logical column 0.
    const auto fromRight = scan(pixels, width, height, true, 4);
    EXPECT_EQ(fromRight[0], (IndexSet{{0, 1}, {3, 4}}));
    EXPECT_EQ(fromRight[2], (IndexSet{{8, 9}}));

    // The last row left out, columns 6 and 9 hold no ink.
    const auto ignoring = scan(pixels, width, height, false, 4, 1);
    EXPECT_TRUE(ignoring[1].isEmpty());
    EXPECT_TRUE(ignoring[2].isEmpty());

    std::vector<IndexSet> empty(1);
    BlackColumnScanner::scanBlackColumns(0, 0, width, height, false, 0, pixels.data(), empty);
    EXPECT_TRUE(empty[0].isEmpty());
}

TEST(IndexSet, keepsDisjointSortedRanges) {
    IndexSet set;
    set.insert(5);
    set.insert(IndexSet::Range{10, 12});
    set.insert(6); // adjacent: merges
    set.insert(IndexSet::Range{0, 2});
    EXPECT_EQ(set, (IndexSet{{0, 2}, {5, 7}, {10, 12}}));
    set.insert(IndexSet::Range{1, 11});
    EXPECT_EQ(set, (IndexSet{{0, 12}}));
    EXPECT_EQ(set.count(), 12);
    EXPECT_TRUE(set.contains(11));
    EXPECT_FALSE(set.contains(12));
    EXPECT_EQ((IndexSet{{0, 5}, {8, 20}}).shiftedAndClipped(3, 0, 15),
              (IndexSet{{3, 8}, {11, 15}}));
}

TEST(XYBitmapInfo_px, sourceRectangle) {
    quenta::XYBitmapInfo_px info;
    info.location_px = {12, 7};
    info.bitmap = QImage(300, 5, QImage::Format_Grayscale8);
    info.sourceYRange_px = {40, 140};
    const ambrel::Rect_px rect = info.sourceRect_px();
    EXPECT_EQ(rect.origin, (ambrel::Point_px{12, 40}));
    EXPECT_EQ(rect.size, (ambrel::Size_px{300, 100}));
    EXPECT_EQ(info.repeatCount, 1);
    EXPECT_EQ(info.repeatMargin_px, 0);
}

} // namespace
