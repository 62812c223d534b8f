#include "core/document/tests/DocumentTestSupport.h"

#include <QRectF>
#include <QSizeF>

using namespace ambrel;
using namespace documenttest;
using kestrom::EdgeInsets;
using kestrom::PrintDocument;

namespace {

using DerivedTest = DocumentTest;

// Alder, 254 dpi: 10 px per millimetre; canvas A4, 297 x 210 mm.

TEST_F(DerivedTest, displayedSizeFollowsTheTurn) {
    PrintDocument document;
    document.setImageSize_px({400, 300});
    document.setImageOrientation(ImageRotation::r90);
    EXPECT_EQ(document.imageSizeForDisplay_px(), (Size_px{300, 400}));
    EXPECT_EQ(document.imageSizeForDisplay_mm(), (Size_mm{30, 40}));
    document.setImageSizeForDisplay_px({100, 200});
    EXPECT_EQ(document.imageSize_px(), (Size_px{200, 100}));
    document.setValueForKey("imageSizeForDisplay_mm", QSizeF(5, 8));
    EXPECT_EQ(document.imageSize_px(), (Size_px{80, 50}));
    // A side that is not finite asks for nothing.
    document.setImageSizeForDisplay_mm({std::numeric_limits<double>::quiet_NaN(), 8});
    EXPECT_EQ(document.imageSize_px(), (Size_px{80, 50}));

    document.setDeviceDescriptor(nullptr);
    EXPECT_EQ(document.imageSizeForDisplay_mm(), (Size_mm{0, 0}));
    document.setImageSizeForDisplay_mm({10, 10});
    EXPECT_EQ(document.imageSize_px(), (Size_px{80, 50}));
}

TEST_F(DerivedTest, areaAndOverrunOnTheCanvas) {
    PrintDocument document;
    document.setImageSize_px({500, 300});
    document.setImageRepeatXCount(2);
    document.setImageRepeatXMargin_mm(10);
    document.setImageOffset_mm({5, 5});
    // Centre: x = (297 - 110) / 2 + 5, y = (210 - 30) / 2 - 5.
    EXPECT_EQ(document.allImageArea_mm(), (Rect_mm{{98.5, 85}, {110, 30}}));
    EXPECT_EQ(document.valueForKey("allImageArea_mm").toRectF(), QRectF(98.5, 85, 110, 30));
    EXPECT_EQ(document.imageOverflownAmount_mm(), EdgeInsets{});

    document.setImageOffsetBase(OffsetBase::bottomRight);
    document.setImageOffset_mm({-0.4, -0.6});
    const EdgeInsets overrun = document.imageOverflownAmount_mm();
    EXPECT_EQ(overrun.right, 0);
    EXPECT_NEAR(overrun.bottom, 0.6, 1e-9);
    EXPECT_EQ(document.valueForKey("imageOverflownAmount_mm").value<EdgeInsets>(), overrun);
}

TEST_F(DerivedTest, derivedKeysAreToldOfTheKeysTheyFollow) {
    PrintDocument document;
    ChangeCounter counter(document,
                          {"allImageArea_mm", "imageOverflownAmount_mm", "sequences",
                           "horizontalImageSplitPropertiesAreDefault", "imageSizeForDisplay_mm"});
    document.setImageRepeatYMargin_mm(3);
    EXPECT_EQ(counter.count("allImageArea_mm"), 1);
    EXPECT_EQ(counter.count("imageOverflownAmount_mm"), 1);
    EXPECT_EQ(counter.count("sequences"), 1);
    EXPECT_EQ(counter.count("horizontalImageSplitPropertiesAreDefault"), 0);

    counter.reset();
    document.setAdditionalWhitespaceLength_end_mm(4);
    EXPECT_EQ(counter.count("sequences"), 1);
    EXPECT_EQ(counter.count("allImageArea_mm"), 0);

    counter.reset();
    document.setImageOrientation(ImageRotation::r270);
    EXPECT_EQ(counter.count("imageSizeForDisplay_mm"), 1);
    EXPECT_EQ(counter.count("allImageArea_mm"), 1);
    EXPECT_EQ(counter.count("sequences"), 1);

    counter.reset();
    EXPECT_TRUE(document.horizontalImageSplitPropertiesAreDefault());
    document.setUsesMaximumBlackXLength(false);
    EXPECT_FALSE(document.horizontalImageSplitPropertiesAreDefault());
    EXPECT_EQ(counter.count("horizontalImageSplitPropertiesAreDefault"), 1);
    EXPECT_EQ(counter.count("sequences"), 1);
}

TEST_F(DerivedTest, conversionTextsAndFlags) {
    PrintDocument document;
    ChangeCounter counter(document, {"imageBitmapExpansionLevelText", "currentBlackConversion",
                                     "imageBitmapConversionPropertiesAreDefault"});
    EXPECT_EQ(document.imageBitmapExpansionLevelText(), QStringLiteral("None"));
    document.setValueForKeyPath("blackConversionOptions.threshold.expansionLevel", 2);
    EXPECT_EQ(document.imageBitmapExpansionLevelText(), QStringLiteral("+2"));
    document.setValueForKeyPath("blackConversionOptions.threshold.expansionLevel", -1);
    EXPECT_EQ(document.valueForKey("imageBitmapExpansionLevelText"), QStringLiteral("-1"));
    EXPECT_EQ(counter.count("imageBitmapExpansionLevelText"), 2);
    EXPECT_EQ(counter.count("currentBlackConversion"), 2);

    // Only the options of the current type count.
    EXPECT_FALSE(document.imageBitmapConversionPropertiesAreDefault());
    document.setBlackConversionType(BlackConversionType::halftone);
    EXPECT_TRUE(document.imageBitmapConversionPropertiesAreDefault());
    EXPECT_EQ(document.currentBlackConversion()->blackConversion(), BlackConversion::halftone());
    document.setValueForKeyPath("blackConversionOptions.halftone.linesPerInch", 30.0);
    EXPECT_FALSE(document.imageBitmapConversionPropertiesAreDefault());
    document.setBlackConversionType(BlackConversionType::threshold);
    EXPECT_EQ(
        document.currentBlackConversion()->blackConversion().thresholdOption()->expansionLevel, -1);
    EXPECT_EQ(counter.count("currentBlackConversion"), 5);
    // Every read is a new wrapper.
    EXPECT_NE(document.currentBlackConversion(), document.currentBlackConversion());
}

TEST_F(DerivedTest, sizesTypedInMillimetresKeepThePictureRatio) {
    PrintDocument document;
    document.setImageSizeWithWidthForDisplay_mm(100);
    EXPECT_EQ(document.imageSize_px(), (Size_px{0, 0}));

    document.setOriginalImage(picture(40, 20));
    document.setImageSizeWithWidthForDisplay_mm(100);
    EXPECT_EQ(document.imageSize_px(), (Size_px{1000, 500}));
    document.setImageOrientation(ImageRotation::r90);
    document.setImageSizeWithWidthForDisplay_mm(100);
    EXPECT_EQ(document.imageSize_px(), (Size_px{2000, 1000}));
    document.setImageSizeWithHeightForDisplay_mm(50);
    EXPECT_EQ(document.imageSize_px(), (Size_px{500, 250}));

    document.setImageOrientation(ImageRotation::none);
    document.setImageSizeWithMaxSizeForDisplay_mm({100, 100}, false);
    EXPECT_EQ(document.imageSizeForDisplay_mm(), (Size_mm{100, 50}));
    document.setImageRepeatXCount(3);
    document.setImageRepeatXMargin_mm(10);
    document.setImageSizeWithMaxSizeForDisplay_mm({100, 100}, true);
    // Each copy (100 - 20) / 3 mm wide: 266.67 px rounds to 267.
    EXPECT_EQ(document.imageSize_px(), (Size_px{267, 133}));

    // Without a model only the fit asks nothing of it, and then cannot store.
    document.setDeviceDescriptor(nullptr);
    document.setImageSizeWithWidthForDisplay_mm(10);
    document.setImageSizeWithHeightForDisplay_mm(10);
    document.setImageSizeWithMaxSizeForDisplay_mm({10, 10}, false);
    EXPECT_EQ(document.imageSize_px(), (Size_px{267, 133}));
}

} // namespace
