#include "core/inspector/InspectorFileDropDestinationBox.h"
#include "core/inspector/InspectorPaneViewController_Image.h"
#include "core/inspector/tests/InspectorTestSupport.h"

#include <QDragEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace kestrom;
using namespace kestrom::test;

namespace {

struct ImagePane : ::testing::Test {
    QTemporaryDir runtime;
    FakeInspectorDocument document;
    QWidget window;
    InspectorPaneViewController_Image* pane = new InspectorPaneViewController_Image;
    QLineEdit* field = new QLineEdit;

    void SetUp() override {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        auto* column = new QVBoxLayout(&window);
        column->addWidget(pane);
        column->addWidget(field);
        pane->setDocument(&document);
        window.resize(310, 300);
        showAndActivate(&window);
    }
    // Return pressed while the window itself has the focus.
    void pressReturn() {
        window.setFocus();
        QTest::keyClick(&window, Qt::Key_Return);
    }
};

} // namespace

TEST_F(ImagePane, AFileDroppedOnTheWellGoesToTheDocument) {
    document.hasImage = false;
    document.announce(QStringLiteral("originalImage"));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QStringLiteral("/pictures/logo.png"))});
    auto* box = pane->box();
    const QPoint centre = box->rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(box, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_TRUE(box->isDraggingEntered());
    QDropEvent drop(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(box, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_FALSE(box->isDraggingEntered());
    EXPECT_EQ(document.droppedURLs, QList<QUrl>{QUrl::fromLocalFile("/pictures/logo.png")});

    // Data the document does not take is refused, and nothing arrives.
    QMimeData text;
    text.setText(QStringLiteral("words"));
    QDragEnterEvent refused(centre, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(box, &refused);
    EXPECT_FALSE(refused.isAccepted());
    pane->setDocument(nullptr);
    QDropEvent orphan(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(box, &orphan);
    EXPECT_FALSE(orphan.isAccepted());
    EXPECT_EQ(document.droppedURLs.size(), 1);
}

TEST_F(ImagePane, ReturnChoosesAPictureOnlyWhileThereIsNone) {
    document.hasImage = false;
    document.announce(QStringLiteral("originalImage"));
    pressReturn();
    EXPECT_EQ(document.openPanelRequests, 1);
    // A text field keeps its Return.
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(document.openPanelRequests, 1);

    document.hasImage = true;
    document.announce(QStringLiteral("originalImage"));
    pressReturn();
    EXPECT_EQ(document.openPanelRequests, 1);
    EXPECT_EQ(pane->box()->nameLabel()->text(), QStringLiteral("logo.png"));
    EXPECT_EQ(pane->box()->sizeLabel()->text(), QStringLiteral("640 × 480 px"));

    document.viewing = true;
    document.announce(QStringLiteral("inViewingMode"));
    EXPECT_FALSE(pane->chooseImageButton()->isEnabled());
    document.viewing = false;
    document.announce(QStringLiteral("inViewingMode"));
    EXPECT_TRUE(pane->chooseImageButton()->isEnabled());
}

TEST_F(ImagePane, CtrlChooseShowsThePictureFileOrBeepsWhenItIsGone) {
    // The picture's file does not exist: no panel either.
    pane->chooseImage(Qt::ControlModifier);
    EXPECT_EQ(document.openPanelRequests, 0);
    pane->chooseImage(Qt::NoModifier);
    EXPECT_EQ(document.openPanelRequests, 1);
    document.hasImage = false;
    pane->chooseImage(Qt::ControlModifier);
    EXPECT_EQ(document.openPanelRequests, 2);
}

TEST_F(ImagePane, ThePictureLeavesTheWellAsATemporaryFileOfItsName) {
    std::unique_ptr<QMimeData> data(pane->makeDragData());
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(data->urls().size(), 1);
    const QString path = data->urls().front().toLocalFile();
    EXPECT_EQ(QFileInfo(path).fileName(), QStringLiteral("logo.png"));
    EXPECT_TRUE(path.startsWith(runtime.path()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), document.imageData);
    // A second drag does not overwrite the first one's file.
    std::unique_ptr<QMimeData> again(pane->makeDragData());
    EXPECT_NE(again->urls().front().toLocalFile(), path);

    document.fileURL = QUrl::fromLocalFile(QStringLiteral("/pictures/README"));
    EXPECT_EQ(pane->makeDragData(), nullptr);
    document.hasImage = false;
    EXPECT_EQ(pane->makeDragData(), nullptr);
}

TEST_F(ImagePane, TurnAndMirrorButtonsWriteTheDocument) {
    QTest::mouseClick(pane->rotateRightButton(), Qt::LeftButton);
    EXPECT_EQ(document.orientation, 1);
    QTest::mouseClick(pane->rotateLeftButton(), Qt::LeftButton);
    QTest::mouseClick(pane->rotateLeftButton(), Qt::LeftButton);
    EXPECT_EQ(document.orientation, 3);
    QTest::mouseClick(pane->mirrorButton(), Qt::LeftButton);
    EXPECT_TRUE(document.flips);
    document.undo.undo();
    EXPECT_FALSE(pane->mirrorButton()->isChecked());

    document.hasImage = false;
    document.announce(QStringLiteral("originalImage"));
    EXPECT_FALSE(pane->rotateRightButton()->isEnabled());
    EXPECT_FALSE(pane->mirrorButton()->isEnabled());
}
