#include "model/pictures/ImageSource.h"

#include <gtest/gtest.h>

using ambrel::ImageRotation;
using ambrel::ImageSource;
using ambrel::OriginalImageDrawingOptions;
using ambrel::Size_px;

TEST(OriginalImageDrawingOptions, defaultsOfANewDocument) {
    const OriginalImageDrawingOptions options;
    EXPECT_EQ(options.imageRepeatXCount, 1);
    EXPECT_EQ(options.imageRepeatYCount, 1);
    EXPECT_EQ(options.imageRepeatXMargin_mm, 0);
    EXPECT_EQ(options.imageRepeatYMargin_mm, 0);
    EXPECT_EQ(options.additionalWhitespaceLength_start_mm, 0);
    EXPECT_EQ(options.additionalWhitespaceLength_end_mm, 0);
    EXPECT_EQ(options.minimumSeparatedXMargin_mm, 70);
    EXPECT_EQ(options.maximumBlackXLength_mm, 150);
    EXPECT_TRUE(options.usesMinimumSeparatedXMargin);
    EXPECT_TRUE(options.usesMaximumBlackXLength);
    EXPECT_EQ(options.imageOrientation, ImageRotation::none);
    EXPECT_FALSE(options.flipsImageHorizontal);
    EXPECT_EQ(options.imageOffsetBase, ambrel::OffsetBase::center);
    EXPECT_EQ(options.imageOffset_mm, (ambrel::Point_mm{0, 0}));
    EXPECT_EQ(options.imageSize_px, (Size_px{0, 0}));
    const auto threshold = options.imageBitmapConversion.thresholdOption();
    ASSERT_TRUE(threshold);
    EXPECT_EQ(threshold->threshold, 0.5);
    EXPECT_EQ(threshold->expansionLevel, 0);
}

TEST(OriginalImageDrawingOptions, displaySizeFollowsQuarterTurns) {
    OriginalImageDrawingOptions options;
    options.imageSize_px = {300, 200};
    const QList<std::pair<ImageRotation, Size_px>> cases{
        {ImageRotation::none, {300, 200}},
        {ImageRotation::r90, {200, 300}},
        {ImageRotation::r180, {300, 200}},
        {ImageRotation::r270, {200, 300}},
    };
    for (const auto& [rotation, expected] : cases) {
        options.imageOrientation = rotation;
        EXPECT_EQ(options.imageSizeForDisplay_px(), expected) << rotation.rawValue();
    }
}

TEST(ImageSource, holdsHandlersWithoutCallingThem) {
    int calls = 0;
    const auto canvas = ImageSource::canvasSizedImage([&] {
        ++calls;
        return QImage(2, 2, QImage::Format_Grayscale8);
    });
    EXPECT_EQ(canvas.kind(), ImageSource::Kind::canvasSizedImage);
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(canvas.image());
    EXPECT_FALSE(canvas.options());
    EXPECT_FALSE(canvas.rawImageDataHandler());
    EXPECT_EQ(canvas.canvasSizedImageHandler()().size(), QSize(2, 2));
    EXPECT_EQ(calls, 1);

    const auto raw = ImageSource::rawImageData([] {
        return ImageSource::RawImageData{"bytes", ambrel::Size_mm{10, 20}};
    });
    EXPECT_EQ(raw.kind(), ImageSource::Kind::rawImageData);
    EXPECT_EQ(raw.rawImageDataHandler()().data, QByteArray("bytes"));

    OriginalImageDrawingOptions options;
    options.flipsImageHorizontal = true;
    const auto original = ImageSource::originalImage(nullptr, options);
    EXPECT_EQ(original.kind(), ImageSource::Kind::originalImage);
    EXPECT_EQ(original.options(), options);
    EXPECT_FALSE(original.canvasSizedImageHandler());
}
