#include "core/document/tests/DocumentTestSupport.h"

#include <QPointF>
#include <QSizeF>

#include <functional>

using namespace ambrel;
using namespace documenttest;
using kestrom::PrintDocument;

namespace {

using ObservationTest = DocumentTest;

// What the canvas, the inspector and the window watch. Each change below
// must reach the observers of its key path exactly once, and so must its
// undo and its redo.
TEST_F(ObservationTest, everyRealChangeIsToldOnceAlsoWhenUndoneAndRedone) {
    PrintDocument document;
    document.setImageOffset_mm({1, 1});
    endEvent();

    struct Case {
        const char* keyPath;
        std::function<void()> change;
    };
    const auto image = picture(30, 10);
    const auto square = picture(10, 10);
    const std::vector<Case> cases = {
        {"imageOffset_mm", [&] { document.setValueForKey("imageOffset_mm", QPointF(2, 3)); }},
        {"originalImage", [&] { document.setOriginalImage(square); }},
        {"originalImage.vector", [&] { document.setOriginalImage(image); }},
        {"imageSize_px",
         [&] {
             document.setImageSize_px({300, 100});
         }},
        {"imageSizeForDisplay_mm",
         [&] { document.setValueForKey("imageSizeForDisplay_mm", QSizeF(12, 4)); }},
        {"imageOrientation", [&] { document.setValueForKey("imageOrientation", 2); }},
        {"imageOffsetBase", [&] { document.setValueForKey("imageOffsetBase", "topLeft"); }},
        {"flipsImageHorizontal", [&] { document.setFlipsImageHorizontal(true); }},
        {"imageRepeatXCount", [&] { document.setValueForKey("imageRepeatXCount", 2); }},
        {"imageRepeatYCount", [&] { document.setValueForKey("imageRepeatYCount", 3); }},
        {"imageRepeatXMargin_mm", [&] { document.setValueForKey("imageRepeatXMargin_mm", 4.0); }},
        {"imageRepeatYMargin_mm", [&] { document.setValueForKey("imageRepeatYMargin_mm", 5.0); }},
        {"minimumSeparatedXMargin_mm",
         [&] { document.setValueForKey("minimumSeparatedXMargin_mm", 80.0); }},
        {"usesMaximumBlackXLength",
         [&] { document.setValueForKey("usesMaximumBlackXLength", false); }},
        {"additionalWhitespaceLength_end_mm",
         [&] { document.setValueForKey("additionalWhitespaceLength_end_mm", 6.0); }},
        {"canvas",
         [&] {
             document.setValueForKey("canvas",
                                     QVariant::fromValue(model(alderName)->canvases()[1]));
         }},
        {"transportType", [&] { document.setValueForKey("transportType", "wifi"); }},
        {"blackConversionType",
         [&] { document.setValueForKey("blackConversionType", "halftone"); }},
        {"currentBlackConversion",
         [&] {
             document.setValueForKeyPath("blackConversionOptions.halftone.linesPerInch", 33.0);
         }},
        {"blackConversionOptions.threshold.threshold",
         [&] { document.setValueForKeyPath("blackConversionOptions.threshold.threshold", 0.7); }},
        {"currentDeviceSetting.speed",
         [&] { document.setValueForKeyPath("currentDeviceSetting.speed", 3); }},
        {"deviceDescriptor.allowedOffsetBases",
         [&] {
             document.setValueForKey("deviceDescriptor", QVariant::fromValue(model(cedarName)));
         }},
    };
    QStringList keyPaths;
    for (const Case& c : cases) {
        keyPaths.append(c.keyPath);
    }
    ASSERT_GE(keyPaths.size(), 20);

    platform::UndoManager& undo = *document.undoManager();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keyPath);
        ChangeCounter counter(document, keyPaths);
        c.change();
        endEvent();
        EXPECT_EQ(counter.count(c.keyPath), 1);

        // The same value again tells nothing.
        counter.reset();
        c.change();
        endEvent();
        EXPECT_EQ(counter.total(), 0);

        undo.undo();
        EXPECT_EQ(counter.count(c.keyPath), 1);
        undo.redo();
        EXPECT_EQ(counter.count(c.keyPath), 2);
    }
}

} // namespace
