#include "core/document/job/PrintDocument.h"
#include "core/inspector/CanvasInfoViewController.h"
#include "core/inspector/InspectorNumberTextField.h"
#include "core/inspector/InspectorPaneViewController_Bitmap.h"
#include "core/inspector/InspectorPaneViewController_HorizontalImageSplit.h"
#include "core/inspector/InspectorPaneViewController_Image.h"
#include "core/inspector/InspectorPaneViewController_ImageLayout.h"
#include "core/inspector/InspectorPaneViewController_ImageRepeat.h"
#include "core/inspector/InspectorPaneViewController_Print.h"
#include "core/inspector/InspectorPaneViewController_PrinterOptions.h"
#include "core/inspector/InspectorViewController.h"
#include "core/inspector/PrintDocumentInspectorAdapter.h"
#include "core/inspector/tests/InspectorTestSupport.h"
#include "platform/UserDefaults.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace kestrom;
using namespace kestrom::test;

// Pictures of every page and pane for people to look at: written only when
// LUNVIK_SCREENSHOT_DIR names a folder.
namespace {

QString screenshotFolder() {
    return qEnvironmentVariable("LUNVIK_SCREENSHOT_DIR");
}

void save(QWidget* widget, const QString& name) {
    // Layouts and scroll bars settle over a few turns of the event loop.
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    const QString path = QDir(screenshotFolder()).filePath(name + QStringLiteral(".png"));
    ASSERT_TRUE(widget->grab().save(path)) << path.toStdString();
}

} // namespace

TEST(InspectorScreenshots, EveryPageAndPane) {
    if (screenshotFolder().isEmpty()) {
        GTEST_SKIP() << "LUNVIK_SCREENSHOT_DIR is not set";
    }
    QDir().mkpath(screenshotFolder());
    PaneDocument document{model(R"("parameterProperties": [
        {"type": "number", "identifier": "speed", "pane": "PrinterOptions", "minValue": 1,
         "maxValue": 9, "tickFrequency": 1},
        {"type": "bool", "identifier": "cool", "pane": "PrinterOptions", "negates": true},
        {"type": "pick", "identifier": "mode", "pane": "Print", "items": ["fast", "fine"]},
        {"type": "number", "identifier": "density", "pane": "Print", "minValue": -10,
         "maxValue": 10}],
        "additionalInfos": {"imageSplit":
        {"supportsMultipleSequences": true, "canMoveHeadYPosition": true}})",
                                254)};
    document->setValueForKeyPath(QStringLiteral("currentDeviceSetting.speed"), 4.0);
    document->setValueForKeyPath(QStringLiteral("currentDeviceSetting.density"), 2.5);
    // 2.5 mm over the left edge and 10 over the bottom one.
    document->setImageOffset_mm({-2.5, 170});
    document->setImageRepeatXCount(3);
    document->setAdditionalWhitespaceLength_end_mm(5);

    InspectorViewController inspector;
    inspector.resize(310, 720);
    showAndActivate(&inspector);
    inspector.setDocument(document.adapter());
    inspector.setDeviceDescriptor(document->deviceDescriptor());
    save(&inspector, QStringLiteral("inspector-general"));
    inspector.pushPage(QStringLiteral("advanced"));
    save(&inspector, QStringLiteral("inspector-advanced"));

    inspector.resize(310, 360);
    save(&inspector, QStringLiteral("inspector-advanced-scrolling"));

    InspectorPaneViewController_ImageLayout layout;
    layout.setDocument(document.adapter());
    layout.resize(310, layout.sizeHint().height());
    showAndActivate(&layout);
    save(&layout, QStringLiteral("pane-image-layout"));
    // A width that gives no number stays as typed, marked.
    typeAndReturn(layout.imageWidthTextField(), QStringLiteral("2*(3+"));
    save(&layout, QStringLiteral("pane-image-layout-refused-width"));

    InspectorPaneViewController_ImageRepeat repeat;
    repeat.setDocument(document.adapter());
    repeat.resize(300, repeat.sizeHint().height());
    showAndActivate(&repeat);
    save(&repeat, QStringLiteral("pane-image-repeat"));

    InspectorPaneViewController_HorizontalImageSplit split;
    split.setDocument(document.adapter());
    split.resize(300, split.sizeHint().height());
    showAndActivate(&split);
    save(&split, QStringLiteral("pane-horizontal-split"));

    QWidget windowController;
    InspectorPaneViewController_Print print;
    print.setDocument(document.adapter());
    print.setWindowController(&windowController);
    print.resize(310, print.sizeHint().height());
    showAndActivate(&print);
    save(&print, QStringLiteral("pane-print"));

    InspectorPaneViewController_PrinterOptions options;
    options.setDocument(document.adapter());
    options.resize(310, options.sizeHint().height());
    showAndActivate(&options);
    save(&options, QStringLiteral("pane-printer-options"));

    InspectorPaneViewController_Bitmap bitmap;
    bitmap.setDocument(document.adapter());
    bitmap.resize(310, bitmap.sizeHint().height());
    showAndActivate(&bitmap);
    save(&bitmap, QStringLiteral("pane-bitmap-threshold"));
    bitmap.binarizationCheckBox()->click();
    bitmap.resize(310, bitmap.sizeHint().height());
    save(&bitmap, QStringLiteral("pane-bitmap-halftone"));

    PaneDocument empty;
    empty->setOriginalImage(nullptr);
    InspectorPaneViewController_Image image;
    image.setDocument(empty.adapter());
    image.resize(310, image.sizeHint().height());
    showAndActivate(&image);
    save(&image, QStringLiteral("pane-image-empty"));

    CanvasInfoViewController info;
    info.setDeviceDescriptor(document->deviceDescriptor());
    info.setCanvas(document->deviceDescriptor()->canvases().front());
    info.resize(600, info.sizeHint().height());
    showAndActivate(&info);
    save(&info, QStringLiteral("canvas-information"));
}

TEST(InspectorScreenshots, PicturePaneOverADocument) {
    if (screenshotFolder().isEmpty()) {
        GTEST_SKIP() << "LUNVIK_SCREENSHOT_DIR is not set";
    }
    QDir().mkpath(screenshotFolder());
    QTemporaryDir folder;
    platform::UserDefaults::setStandardFilePath(folder.filePath(QStringLiteral("d.plist")));
    QImage picture(300, 200, QImage::Format_RGB32);
    picture.fill(Qt::white);
    {
        QPainter painter(&picture);
        painter.setBrush(Qt::black);
        painter.drawEllipse(QRect(20, 20, 160, 160));
        painter.setFont(QFont(QStringLiteral("Sans"), 40, QFont::Bold));
        painter.drawText(QRect(150, 40, 150, 120), Qt::AlignCenter, QStringLiteral("R"));
    }
    const QString path = folder.filePath(QStringLiteral("stamp-artwork.png"));
    ASSERT_TRUE(picture.save(path));
    PrintDocument document;
    document.setDeviceDescriptor(model());
    document.setOriginalImage(ambrel::OriginalImage::fromContentsOfURL(QUrl::fromLocalFile(path)));
    document.setImageSize_px({300, 200});
    PrintDocumentInspectorAdapter adapter(document);

    InspectorPaneViewController_Image image;
    image.setDocument(&adapter);
    image.resize(310, image.sizeHint().height());
    showAndActivate(&image);
    save(&image, QStringLiteral("pane-image"));
    document.setImageOrientation(ambrel::ImageRotation::r90);
    document.setFlipsImageHorizontal(true);
    save(&image, QStringLiteral("pane-image-turned-mirrored"));
    image.setDocument(nullptr);
}
