#include "core/inspector/CanvasInfoViewController.h"
#include "core/inspector/InspectorPaneViewController_HorizontalImageSplit.h"
#include "core/inspector/InspectorPaneViewController_ImageLayout.h"
#include "core/inspector/InspectorPaneViewController_ImageRepeat.h"
#include "core/inspector/InspectorViewController.h"
#include "core/inspector/tests/InspectorTestSupport.h"

#include <QDir>
#include <QLabel>
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

// Panes that other work provides, drawn as labelled boxes.
void registerPlaceholders() {
    for (const QString& id : {QStringLiteral("Image"), QStringLiteral("Bitmap"),
                              QStringLiteral("Print"), QStringLiteral("PrinterOptions")}) {
        if (InspectorPaneRegistry::shared().contains(id)) {
            continue;
        }
        InspectorPaneRegistry::shared().registerPane(id, [id] {
            auto* pane = new InspectorPaneViewController;
            pane->setObjectName(id);
            auto* layout = new QVBoxLayout(pane);
            layout->setContentsMargins(12, 10, 12, 10);
            auto* label = new QLabel(QStringLiteral("[%1 pane]").arg(id), pane);
            label->setAlignment(Qt::AlignCenter);
            label->setMinimumHeight(60);
            label->setFrameShape(QFrame::StyledPanel);
            layout->addWidget(label);
            return pane;
        });
    }
}

} // namespace

TEST(InspectorScreenshots, EveryPageAndPane) {
    if (screenshotFolder().isEmpty()) {
        GTEST_SKIP() << "LUNVIK_SCREENSHOT_DIR is not set";
    }
    QDir().mkpath(screenshotFolder());
    registerPlaceholders();
    FakeInspectorDocument document;
    document.device = model(printerOptions + R"(, "additionalInfos": {"imageSplit":
        {"supportsMultipleSequences": true, "canMoveHeadYPosition": true}})");
    document.overflow = QMarginsF(2.5, 0, 0, 10);
    document.xCount = 3;
    document.whitespaceEnd = 5;

    InspectorViewController inspector;
    inspector.resize(310, 720);
    showAndActivate(&inspector);
    inspector.setDocument(&document);
    inspector.setDeviceDescriptor(document.device);
    save(&inspector, QStringLiteral("inspector-general"));
    inspector.pushPage(QStringLiteral("advanced"));
    save(&inspector, QStringLiteral("inspector-advanced"));
    inspector.resize(310, 360);
    save(&inspector, QStringLiteral("inspector-advanced-scrolling"));

    InspectorPaneViewController_ImageLayout layout;
    layout.setDocument(&document);
    layout.resize(310, layout.sizeHint().height());
    showAndActivate(&layout);
    save(&layout, QStringLiteral("pane-image-layout"));

    InspectorPaneViewController_ImageRepeat repeat;
    repeat.setDocument(&document);
    repeat.resize(300, repeat.sizeHint().height());
    showAndActivate(&repeat);
    save(&repeat, QStringLiteral("pane-image-repeat"));

    InspectorPaneViewController_HorizontalImageSplit split;
    split.setDocument(&document);
    split.resize(300, split.sizeHint().height());
    showAndActivate(&split);
    save(&split, QStringLiteral("pane-horizontal-split"));

    CanvasInfoViewController info;
    info.setDeviceDescriptor(document.device);
    info.setCanvas(document.device->canvases().front());
    info.resize(600, info.sizeHint().height());
    showAndActivate(&info);
    save(&info, QStringLiteral("canvas-information"));
}
