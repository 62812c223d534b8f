#include "core/document/application/ImageImport.h"
#include "core/document/job/PrintDocument.h"
#include "core/document/package/DocumentWorkQueue.h"
#include "core/inspector/InspectorPaneNumberParameterViewController.h"
#include "core/inspector/InspectorPaneParameterStackViewController.h"
#include "core/inspector/InspectorPaneViewController_ImageLayout.h"
#include "core/inspector/InspectorPaneViewController_PrinterOptions.h"
#include "core/inspector/InspectorSlidableLabel.h"
#include "core/inspector/PrintDocumentInspectorAdapter.h"
#include "core/inspector/tests/InspectorTestSupport.h"
#include "core/inspector/tests/QuietWindow.h"
#include "platform/MainThread.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace kestrom;
using namespace kestrom::test;

namespace {

const QByteArray density = R"("parameterProperties": [{"type": "number", "identifier": "density",
    "pane": "PrinterOptions", "minValue": -10, "maxValue": 10}])";

// The layout and printer-options panes over a real document holding a
// picture, so that every value goes through the document's own rules.
struct NumberFieldsOverPrintDocument : ::testing::Test {
    QTemporaryDir folder;
    std::unique_ptr<PrintDocument> document;
    std::unique_ptr<PrintDocumentInspectorAdapter> adapter;
    QWidget window;
    InspectorPaneViewController_ImageLayout* layout = new InspectorPaneViewController_ImageLayout;
    InspectorPaneViewController_PrinterOptions* options =
        new InspectorPaneViewController_PrinterOptions;

    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder.path()));
        platform::UserDefaults::setStandardFilePath(folder.filePath(QStringLiteral("d.plist")));
        document = std::make_unique<PrintDocument>();
        document->setDeviceDescriptor(model(density));
        QImage picture(400, 200, QImage::Format_Grayscale8);
        picture.fill(90);
        const QString path = folder.filePath(QStringLiteral("stamp.png"));
        ASSERT_TRUE(picture.save(path, "PNG"));
        ImageImport(*document, std::make_shared<QuietWindow>())
            .setImageByLoadingContentsOf(QUrl::fromLocalFile(path));
        settle();
        ASSERT_NE(document->originalImage(), nullptr);
        document->undoManager()->removeAllActions();
        adapter = std::make_unique<PrintDocumentInspectorAdapter>(*document);
        auto* column = new QVBoxLayout(&window);
        for (auto* pane : panes()) {
            column->addWidget(pane);
            pane->setDocument(adapter.get());
        }
        showAndActivate(&window);
        InspectorAnimations::clearRecords();
    }
    void TearDown() override {
        for (auto* pane : panes()) {
            pane->setDocument(nullptr);
        }
    }
    QList<InspectorPaneViewController*> panes() const { return {layout, options}; }
    static void settle() {
        DocumentWorkQueue::waitForDone();
        platform::MainThread::drain();
        QCoreApplication::processEvents();
    }

    InspectorNumberTextField* width() const { return layout->imageWidthTextField(); }
    InspectorNumberTextField* xOffset() const { return layout->imageXOffsetTextField(); }
    InspectorNumberTextField* densityField() const {
        for (auto* editor : options->parameterStack()->parameterViewControllers()) {
            if (auto* number = qobject_cast<InspectorPaneNumberParameterViewController*>(editor)) {
                return number->numberLabel();
            }
        }
        return nullptr;
    }
    // The stored value as the field shows it.
    static QString shown(const InspectorNumberTextField* field, double value) {
        return field->formatter().string(float(value)).value_or(QString());
    }
    QString storedWidth() const { return shown(width(), document->imageSizeForDisplay_mm().width); }
    double storedDensity() const {
        return document->valueForKeyPath(QStringLiteral("currentDeviceSetting.density")).toDouble();
    }
    // Types into the field as a user does: click, select everything, type.
    static void type(InspectorNumberTextField* field, const QString& text) {
        QTest::mouseClick(field, Qt::LeftButton);
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
    }
    static bool shook(InspectorNumberTextField* field) {
        return InspectorAnimations::wasRecorded(field, QStringLiteral("invalid"));
    }
};

const QStringList invalidTexts = {QStringLiteral("abc"), QStringLiteral("12,3,4"), QString(),
                                  QStringLiteral("1e999"), QStringLiteral("5+")};

} // namespace

TEST_F(NumberFieldsOverPrintDocument, InvalidTextGivesWayToTheStoredValueWhenAClickLeaves) {
    const QString before = storedWidth();
    ASSERT_FALSE(before.isEmpty());
    ASSERT_NE(densityField(), nullptr);
    document->setValueForKeyPath(QStringLiteral("currentDeviceSetting.density"), 3);
    document->undoManager()->removeAllActions();
    for (const QString& text : invalidTexts) {
        InspectorAnimations::clearRecords();
        type(width(), text);
        QTest::mouseClick(xOffset(), Qt::LeftButton);
        EXPECT_TRUE(xOffset()->hasFocus());
        EXPECT_EQ(width()->text(), before) << text.toStdString();
        EXPECT_TRUE(shook(width())) << text.toStdString();

        type(densityField(), text);
        QTest::mouseClick(width(), Qt::LeftButton);
        EXPECT_EQ(densityField()->text(), QStringLiteral("3")) << text.toStdString();
    }
    EXPECT_EQ(storedWidth(), before);
    EXPECT_EQ(storedDensity(), 3);
    EXPECT_FALSE(document->undoManager()->canUndo());
}

TEST_F(NumberFieldsOverPrintDocument, InvalidTextStaysInEditingAtReturnAndTab) {
    const QString before = storedWidth();
    for (const QString& text : invalidTexts) {
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Tab}) {
            InspectorAnimations::clearRecords();
            type(width(), text);
            QTest::keyClick(width(), key);
            QCoreApplication::processEvents();
            // The field keeps the focus and the typed text, so the shake
            // shows where and the text can be corrected.
            EXPECT_TRUE(width()->hasFocus());
            EXPECT_EQ(width()->text(), text) << text.toStdString() << " key " << key;
            EXPECT_TRUE(shook(width())) << text.toStdString() << " key " << key;
        }
    }
    EXPECT_EQ(storedWidth(), before);
    // Only leaving the field puts the stored value back.
    QTest::mouseClick(xOffset(), Qt::LeftButton);
    EXPECT_EQ(width()->text(), before);
    EXPECT_FALSE(document->undoManager()->canUndo());
}

TEST_F(NumberFieldsOverPrintDocument, AValueBeyondTheLimitsShowsWhatTheDocumentStored) {
    // The document sizes the picture in whole dots, so even a value inside
    // the limits comes back as the size it really has.
    type(width(), QStringLiteral("33.333"));
    QTest::keyClick(width(), Qt::Key_Return);
    EXPECT_EQ(width()->text(), storedWidth());
    EXPECT_NEAR(document->imageSizeForDisplay_mm().width, 33.33, 0.1);

    type(width(), QStringLiteral("5000"));
    QTest::keyClick(width(), Qt::Key_Tab);
    EXPECT_EQ(width()->text(), storedWidth());
    EXPECT_NEAR(document->imageSizeForDisplay_mm().width, 800, 0.1);
    EXPECT_FALSE(width()->hasFocus());

    type(width(), QStringLiteral("1"));
    QTest::mouseClick(xOffset(), Qt::LeftButton);
    EXPECT_EQ(width()->text(), storedWidth());
    EXPECT_NEAR(document->imageSizeForDisplay_mm().width, 5, 0.1);

    type(densityField(), QStringLiteral("2*20"));
    QTest::keyClick(densityField(), Qt::Key_Return);
    settle();
    EXPECT_EQ(storedDensity(), 10);
    EXPECT_EQ(densityField()->text(), QStringLiteral("10"));
    type(densityField(), QStringLiteral("-99"));
    QTest::mouseClick(width(), Qt::LeftButton);
    settle();
    EXPECT_EQ(storedDensity(), -10);
    EXPECT_EQ(densityField()->text(), QStringLiteral("-10"));

    // Each accepted value is one undo step, and undoing shows the old value.
    document->undoManager()->undo();
    EXPECT_EQ(densityField()->text(), QStringLiteral("10"));
}

// A caption dragged as a user drags it, the event loop running between the
// press, each move and the release: the value shows live, is stored once at
// the release, and one Undo takes it back.
TEST_F(NumberFieldsOverPrintDocument, ADraggedCaptionIsOneUndoStepAcrossLoopTurns) {
    InspectorSlidableLabel* caption = nullptr;
    for (auto* label : layout->findChildren<InspectorSlidableLabel*>()) {
        if (label->targetTextField() == xOffset()) {
            caption = label;
        }
    }
    ASSERT_NE(caption, nullptr);
    const double before = document->imageOffset_mm().x;
    ::testing::internal::CaptureStderr();
    const QPoint start = caption->rect().center();
    QTest::mousePress(caption, Qt::LeftButton, {}, start);
    QCoreApplication::processEvents();
    for (int dx : {5, 12, 20, 33, 41, 50}) {
        QTest::mouseMove(caption, start + QPoint(dx, 0));
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(document->imageOffset_mm().x, before); // shown, not stored yet
    QTest::mouseRelease(caption, Qt::LeftButton, {}, start + QPoint(50, 0));
    settle();
    EXPECT_EQ(document->imageOffset_mm().x, before + 10);
    EXPECT_EQ(xOffset()->text(), shown(xOffset(), before + 10));

    auto* undo = document->undoManager();
    ASSERT_TRUE(undo->canUndo());
    undo->undo();
    EXPECT_EQ(document->imageOffset_mm().x, before);
    EXPECT_FALSE(undo->canUndo());
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.find("ndo group"), std::string::npos) << said;
}
