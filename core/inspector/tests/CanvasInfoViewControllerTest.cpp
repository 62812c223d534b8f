#include "core/inspector/CanvasInfoViewController.h"
#include "core/inspector/tests/InspectorTestSupport.h"

#include <QComboBox>
#include <QLabel>

#include <gtest/gtest.h>

using namespace kestrom;
using namespace kestrom::test;

TEST(CanvasInfoViewControllerTest, DescribesTheAreaWithTheResolution) {
    CanvasInfoViewController info;
    EXPECT_FALSE(info.canvasPopUpButton()->toolTip().isEmpty());
    const auto device = model();
    info.setDeviceDescriptor(device);
    EXPECT_EQ(info.maxSizeLabel()->text(), QString());
    info.setCanvas(device->canvases().front());
    EXPECT_EQ(info.maxSizeLabel()->text(),
              QStringLiteral("Printable area: 297 × 210 mm    300 dpi"));
    info.setDeviceDescriptor(nullptr);
    EXPECT_EQ(info.maxSizeLabel()->text(), QString());
}

TEST(CanvasInfoViewControllerTest, AMovableHeadAddsItsPassLength) {
    CanvasInfoViewController info;
    // 600 dots at 300 dpi print 50.8 mm per pass.
    const auto device = model(R"("hidesDpi": true,
        "additionalInfos": {"imageSplit": {"canMoveHeadYPosition": true}})");
    info.setDeviceDescriptor(device);
    info.setCanvas(device->canvases().front());
    EXPECT_EQ(info.maxSizeLabel()->text(),
              QStringLiteral("Printable area: 297 × 210 mm, 50.8 mm per pass"));
    const auto fixedHead =
        model(R"("additionalInfos": {"imageSplit": {"canMoveHeadYPosition": false}})");
    info.setDeviceDescriptor(fixedHead);
    EXPECT_TRUE(
        info.maxSizeLabel()->text().startsWith(QStringLiteral("Printable area: 297 × 210 mm    ")));
}

TEST(CanvasInfoViewControllerTest, TheFigureShowsOnlyForCanvasesWithOne) {
    CanvasInfoViewController info;
    const auto device = model();
    info.setDeviceDescriptor(device);
    info.setCanvas(device->canvases().front());
    EXPECT_TRUE(info.rollDirectionFigureView()->isHidden());
    info.setCanvas(nullptr);
    EXPECT_TRUE(info.rollDirectionFigureView()->isHidden());
    EXPECT_EQ(info.maxSizeLabel()->text(), QString());
}
