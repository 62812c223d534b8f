#include "core/document/tests/DocumentTestSupport.h"

#include "core/document/job/DeviceSetting.h"
#include "model/errors/ConnectionError.h"

#include <gtest/gtest.h>

using namespace ambrel;
using namespace documenttest;
using kestrom::PrintDocument;

namespace {

using PrintTaskTest = DocumentTest;

std::optional<ConnectionError::Case> failureOf(const PrintDocument& document) {
    try {
        document.makePrintTask();
    } catch (const ConnectionError& e) {
        return e.errorCase();
    }
    return std::nullopt;
}

} // namespace

TEST_F(PrintTaskTest, ChecksModelPictureTransportAndCanvasInThatOrder) {
    PrintDocument document;
    document.setDeviceDescriptor(model(alderName));
    const auto canvas = document.canvas();
    ASSERT_TRUE(canvas);
    document.setTransportType(std::nullopt);
    document.setCanvas(nullptr);
    EXPECT_EQ(failureOf(document), ConnectionError::Case::noImageInDocument);
    document.setOriginalImage(picture(60, 40));
    EXPECT_EQ(failureOf(document), ConnectionError::Case::noDeviceModelInDocument);
    document.setTransportType(TransportType::usb);
    EXPECT_EQ(failureOf(document), ConnectionError::Case::documentImageIsNotInCanvas);
    document.setCanvas(canvas);
    EXPECT_EQ(failureOf(document), std::nullopt);
    document.setDeviceDescriptor(nullptr);
    EXPECT_EQ(failureOf(document), ConnectionError::Case::noDeviceModelInDocument);
}

TEST_F(PrintTaskTest, TakesThePlacementTheCurrentConversionAndTheSettingsValues) {
    PrintDocument document;
    document.setDeviceDescriptor(model(alderName));
    document.setTransportType(TransportType::wifi);
    document.setOriginalImage(picture(60, 40));
    document.setFlipsImageHorizontal(true);
    document.setBlackConversionType(BlackConversionType::halftone);
    const PrintTask task = document.makePrintTask();
    EXPECT_EQ(task.deviceDescriptor(), document.deviceDescriptor());
    EXPECT_EQ(task.canvas(), document.canvas());
    EXPECT_EQ(task.transportType(), TransportType::wifi);
    EXPECT_EQ(task.imageSource().image(), document.originalImage());
    ASSERT_TRUE(task.imageSource().options());
    EXPECT_EQ(task.imageSource().options()->imageBitmapConversion,
              document.currentBlackConversion()->blackConversion());
    EXPECT_EQ(task.imageSource().options()->imageBitmapConversion.type(),
              BlackConversionType::halftone);
    EXPECT_TRUE(task.imageSource().options()->flipsImageHorizontal);
    ASSERT_TRUE(document.currentDeviceSetting());
    EXPECT_EQ(task.deviceSettingValues(), document.currentDeviceSetting()->values());
    EXPECT_EQ(task.deviceSettingValues().value(QStringLiteral("speed")), 5);

    document.setCurrentDeviceSetting(nullptr);
    EXPECT_TRUE(document.makePrintTask().deviceSettingValues().isEmpty());
}
