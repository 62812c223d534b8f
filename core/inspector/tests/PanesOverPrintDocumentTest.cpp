#include "core/document/application/ImageImport.h"
#include "core/document/job/PrintDocument.h"
#include "core/document/package/DocumentWorkQueue.h"
#include "core/inspector/InspectorFileDropDestinationBox.h"
#include "core/inspector/InspectorPaneBoolParameterViewController.h"
#include "core/inspector/InspectorPaneNumberParameterViewController.h"
#include "core/inspector/InspectorPaneParameterStackViewController.h"
#include "core/inspector/InspectorPaneViewController_Bitmap.h"
#include "core/inspector/InspectorPaneViewController_Image.h"
#include "core/inspector/InspectorPaneViewController_Print.h"
#include "core/inspector/InspectorPaneViewController_PrinterOptions.h"
#include "core/inspector/InspectorValueSlider.h"
#include "core/inspector/PrintDocumentInspectorAdapter.h"
#include "core/inspector/tests/InspectorTestSupport.h"
#include "core/inspector/tests/QuietWindow.h"
#include "core/inspector/tests/SliderDrag.h"
#include "platform/MainThread.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"

#include <QCheckBox>
#include <QDragEnterEvent>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

using namespace kestrom;
using namespace kestrom::test;

namespace {

const QByteArray switches = R"("parameterProperties": [
    {"type": "bool", "identifier": "cool", "pane": "PrinterOptions", "negates": true}])";

// The picture, black-and-white, print and printer-options panes in one
// window over a real document with its undo manager and picture import.
struct PanesOverPrintDocument : ::testing::Test {
    QTemporaryDir folder;
    std::unique_ptr<PrintDocument> document;
    std::shared_ptr<QuietWindow> presenter = std::make_shared<QuietWindow>();
    std::unique_ptr<PrintDocumentInspectorAdapter> adapter;
    QWidget window;
    QWidget windowController;
    InspectorPaneViewController_Image* image = new InspectorPaneViewController_Image;
    InspectorPaneViewController_Bitmap* bitmap = new InspectorPaneViewController_Bitmap;
    InspectorPaneViewController_PrinterOptions* options =
        new InspectorPaneViewController_PrinterOptions;
    InspectorPaneViewController_Print* print = new InspectorPaneViewController_Print;
    int prints = 0;

    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder.path()));
        platform::UserDefaults::setStandardFilePath(folder.filePath(QStringLiteral("d.plist")));
        document = std::make_unique<PrintDocument>();
        document->setDeviceDescriptor(model(switches));
        settle();
        document->undoManager()->removeAllActions();
        adapter = std::make_unique<PrintDocumentInspectorAdapter>(*document);
        adapter->setImageImport(std::make_shared<ImageImport>(*document, presenter));
        adapter->setPrintAction([this] { ++prints; });
        auto* column = new QVBoxLayout(&window);
        for (auto* pane : panes()) {
            column->addWidget(pane);
            pane->setDocument(adapter.get());
        }
        print->setWindowController(&windowController);
        showAndActivate(&window);
    }
    void TearDown() override {
        for (auto* pane : panes()) {
            pane->setDocument(nullptr);
        }
    }
    QList<InspectorPaneViewController*> panes() const { return {image, bitmap, options, print}; }
    // Background imports finish and reach the document; the event's undo
    // group closes.
    static void settle() {
        DocumentWorkQueue::waitForDone();
        platform::MainThread::drain();
        // The well's small picture is drawn behind it.
        PictureThumbnailQueue::waitForDone();
        platform::MainThread::drain();
        QCoreApplication::processEvents();
    }
    QString pngFile(const QString& name) const {
        QImage picture(40, 20, QImage::Format_Grayscale8);
        picture.fill(90);
        const QString path = folder.filePath(name);
        EXPECT_TRUE(picture.save(path, "PNG"));
        return path;
    }
};

} // namespace

TEST_F(PanesOverPrintDocument, APngDroppedOnTheWellBecomesTheDocumentsPicture) {
    EXPECT_FALSE(print->printButton()->isEnabled());
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(pngFile(QStringLiteral("stamp.png")))});
    auto* box = image->box();
    QDragEnterEvent enter(box->rect().center(), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(box, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(box->rect().center(), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(box, &drop);
    EXPECT_TRUE(drop.isAccepted());
    settle();

    ASSERT_NE(document->originalImage(), nullptr);
    EXPECT_EQ(document->originalImage()->fileName(), QStringLiteral("stamp.png"));
    EXPECT_EQ(presenter->errors, 0);
    EXPECT_EQ(box->nameLabel()->text(), QStringLiteral("stamp.png"));
    EXPECT_FALSE(box->pictureView()->pixmap().isNull());
    // Now there is something to print.
    EXPECT_TRUE(print->printButton()->isEnabled());
    QTest::mouseClick(print->printButton(), Qt::LeftButton);
    EXPECT_EQ(prints, 1);
    document->setInViewingMode(true);
    EXPECT_FALSE(print->printButton()->isEnabled());
}

TEST_F(PanesOverPrintDocument, AThresholdDragWritesEachChangeLiveAsOneUndoStep) {
    const QString key = QStringLiteral("blackConversionOptions.threshold.threshold");
    int notifications = 0;
    auto observation = document->observe(key, platform::Observable::New,
                                         [&](const platform::KeyValueChange&) { ++notifications; });
    dragSlider(bitmap->thresholdSlider(), {8, 16, 16, 30});
    QCoreApplication::processEvents();
    const double dragged = document->valueForKeyPath(key).toDouble();
    EXPECT_GT(dragged, 0.5);
    EXPECT_EQ(notifications, 3);
    EXPECT_DOUBLE_EQ(bitmap->thresholdSlider()->doubleValue(), dragged);

    auto* undo = document->undoManager();
    ASSERT_TRUE(undo->canUndo());
    undo->undo();
    EXPECT_EQ(document->valueForKeyPath(key).toDouble(), 0.5);
    EXPECT_FALSE(undo->canUndo());
    EXPECT_DOUBLE_EQ(bitmap->thresholdSlider()->doubleValue(), 0.5);
}

// Every slider of the panes, dragged as a user does (the event loop runs
// between the press, each move and the release): one Undo takes back the
// whole drag, however many moves it had, and nothing is said about undo
// groups on standard error.
TEST_F(PanesOverPrintDocument, EverySliderDragIsOneUndoStepAcrossLoopTurns) {
    document->setDeviceDescriptor(model(R"("parameterProperties": [{"type": "number",
        "identifier": "density", "pane": "PrinterOptions", "minValue": -10, "maxValue": 10}])"));
    settle();
    auto* density = qobject_cast<InspectorPaneNumberParameterViewController*>(
        options->parameterStack()->parameterViewControllers().value(0));
    ASSERT_NE(density, nullptr);
    auto* undo = document->undoManager();
    undo->removeAllActions();

    ::testing::internal::CaptureStderr();
    const auto dragAndUndo = [&](InspectorValueSlider* slider, const QString& keyPath, int moves) {
        ASSERT_TRUE(slider->isVisible()) << keyPath.toStdString();
        // Towards the far end, back a little, then on.
        const int sign = slider->value() > (slider->minimum() + slider->maximum()) / 2 ? -1 : 1;
        QList<int> offsets;
        for (int i = 1; i <= moves; ++i) {
            offsets << sign * (i * 60 / moves);
        }
        offsets.insert(offsets.size() / 2, offsets.value(offsets.size() / 2) - sign * 8);
        const QVariant before = document->valueForKeyPath(keyPath);
        dragSlider(slider, offsets);
        EXPECT_NE(document->valueForKeyPath(keyPath), before) << keyPath.toStdString();
        ASSERT_TRUE(undo->canUndo()) << keyPath.toStdString();
        undo->undo();
        EXPECT_EQ(document->valueForKeyPath(keyPath), before) << keyPath.toStdString();
        EXPECT_FALSE(undo->canUndo()) << keyPath.toStdString();
    };
    const QString threshold = QStringLiteral("blackConversionOptions.threshold.");
    const QString halftone = QStringLiteral("blackConversionOptions.halftone.");
    dragAndUndo(bitmap->thresholdSlider(), threshold + QStringLiteral("threshold"), 3);
    dragAndUndo(bitmap->thresholdSlider(), threshold + QStringLiteral("threshold"), 30);
    dragAndUndo(bitmap->expansionSlider(), threshold + QStringLiteral("expansionLevel"), 5);
    dragAndUndo(density->slider(), QStringLiteral("currentDeviceSetting.density"), 6);

    bitmap->binarizationCheckBox()->click();
    settle();
    undo->removeAllActions();
    dragAndUndo(bitmap->halftoneBlackSlider(), halftone + QStringLiteral("blackClampFactor"), 4);
    dragAndUndo(bitmap->halftoneWhiteSlider(), halftone + QStringLiteral("whiteClampFactor"), 4);
    dragAndUndo(bitmap->halftoneBrightnessSlider(), halftone + QStringLiteral("brightnessFactor"),
                4);
    settle();
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.find("ndo group"), std::string::npos) << said;
}

// The release never comes: the document the panes show goes away in the
// middle of the drag. What the drag wrote is still one step, and later
// changes are steps of their own.
TEST_F(PanesOverPrintDocument, ASliderDragCutShortByItsDocumentsEndIsOneClosedStep) {
    const QString key = QStringLiteral("blackConversionOptions.threshold.threshold");
    auto* slider = bitmap->thresholdSlider();
    auto* undo = document->undoManager();
    const QPoint start = pressAndMoveSlider(slider, {10, 20, 30});
    EXPECT_TRUE(undo->isInContinuousEdit());
    adapter.reset();
    QCoreApplication::processEvents();
    EXPECT_FALSE(undo->isInContinuousEdit());
    QTest::mouseRelease(slider, Qt::LeftButton, {}, start + QPoint(30, 0));
    QCoreApplication::processEvents();

    document->setImageRepeatXCount(3);
    QCoreApplication::processEvents();
    undo->undo();
    EXPECT_NE(document->valueForKeyPath(key).toDouble(), 0.5);
    undo->undo();
    EXPECT_EQ(document->valueForKeyPath(key).toDouble(), 0.5);
    EXPECT_FALSE(undo->canUndo());
}

// The release never comes: the slider goes out of sight (another kind of
// conversion chosen, say) in the middle of the drag. The drag is one step,
// closed then, and what follows is a step of its own.
TEST_F(PanesOverPrintDocument, ASliderDragCutShortByHidingOrDisablingIsOneClosedStep) {
    const QString key = QStringLiteral("blackConversionOptions.threshold.threshold");
    auto* slider = bitmap->thresholdSlider();
    auto* undo = document->undoManager();
    pressAndMoveSlider(slider, {10, 20, 30});
    EXPECT_TRUE(undo->isInContinuousEdit());
    slider->hide();
    QCoreApplication::processEvents();
    EXPECT_FALSE(undo->isInContinuousEdit());

    document->setImageRepeatXCount(3);
    QCoreApplication::processEvents();
    undo->undo();
    EXPECT_NE(document->valueForKeyPath(key).toDouble(), 0.5);
    undo->undo();
    EXPECT_EQ(document->valueForKeyPath(key).toDouble(), 0.5);
    EXPECT_FALSE(undo->canUndo());

    // Disabled in the middle of a drag: the same.
    slider->show();
    QCoreApplication::processEvents();
    pressAndMoveSlider(slider, {20});
    EXPECT_TRUE(undo->isInContinuousEdit());
    slider->setEnabled(false);
    QCoreApplication::processEvents();
    EXPECT_FALSE(undo->isInContinuousEdit());
    EXPECT_NE(document->valueForKeyPath(key).toDouble(), 0.5);
    undo->undo();
    EXPECT_EQ(document->valueForKeyPath(key).toDouble(), 0.5);
}

TEST_F(PanesOverPrintDocument, ANegatedSwitchStoresTheInverseAndUndoRemovesIt) {
    auto editors = options->parameterStack()->parameterViewControllers();
    ASSERT_EQ(editors.size(), 1);
    auto* cool = qobject_cast<InspectorPaneBoolParameterViewController*>(editors.front());
    ASSERT_NE(cool, nullptr);
    const QString key = QStringLiteral("currentDeviceSetting.cool");
    const QVariant before = document->valueForKeyPath(key);
    cool->checkbox()->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(document->valueForKeyPath(key).toBool(), !cool->checkbox()->isChecked());
    const QVariant after = document->valueForKeyPath(key);
    EXPECT_NE(after, before);
    document->undoManager()->undo();
    EXPECT_EQ(document->valueForKeyPath(key), before);
    EXPECT_EQ(cool->checkbox()->isChecked(), !before.toBool());

    // A new model brings its own editors.
    document->setDeviceDescriptor(model());
    EXPECT_TRUE(options->parameterStack()->parameterViewControllers().isEmpty());
}

// The well's small picture is drawn on a worker: while that worker is held,
// the picture is already the document's and the window goes on; the well
// shows it once the worker has drawn it. Only the newest of several
// pictures is drawn.
TEST_F(PanesOverPrintDocument, TheWellsPictureIsDrawnBehindTheWindow) {
    std::mutex lock;
    std::condition_variable released;
    bool release = false;
    PictureThumbnailQueue::run([&] {
        std::unique_lock held(lock);
        released.wait(held, [&] { return release; });
    });
    const auto picture = [&](const QString& name, int width, int height) {
        QImage drawn(width, height, QImage::Format_Grayscale8);
        drawn.fill(90);
        const QString path = folder.filePath(name);
        EXPECT_TRUE(drawn.save(path, "PNG"));
        return ambrel::OriginalImage::fromContentsOfURL(QUrl::fromLocalFile(path));
    };
    document->setOriginalImage(picture(QStringLiteral("first.png"), 40, 20));
    document->setOriginalImage(picture(QStringLiteral("second.png"), 20, 40));
    QCoreApplication::processEvents();
    EXPECT_EQ(image->box()->nameLabel()->text(), QStringLiteral("second.png"));
    EXPECT_TRUE(image->box()->pictureView()->pixmap().isNull());
    {
        std::lock_guard held(lock);
        release = true;
    }
    released.notify_all();
    settle();
    const QPixmap shown = image->box()->pictureView()->pixmap();
    ASSERT_FALSE(shown.isNull());
    EXPECT_GT(shown.height(), shown.width()); // the second picture, upright
}
