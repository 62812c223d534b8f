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
    PaneDocument document;
    QWidget window;
    InspectorPaneViewController_Image* pane = new InspectorPaneViewController_Image;
    QLineEdit* field = new QLineEdit;

    void SetUp() override {
        auto* column = new QVBoxLayout(&window);
        column->addWidget(pane);
        column->addWidget(field);
        pane->setDocument(document.adapter());
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
    document->setOriginalImage(nullptr);
    QMimeData data;
    const QString file = document.pngFile(QStringLiteral("stamp.png"));
    data.setUrls({QUrl::fromLocalFile(file)});
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
    PaneDocument::settle();
    ASSERT_NE(document->originalImage(), nullptr);
    EXPECT_EQ(document->originalImage()->fileURL(), QUrl::fromLocalFile(file));
    EXPECT_EQ(box->nameLabel()->text(), QStringLiteral("stamp.png"));

    // Data the document does not take is refused, and nothing arrives.
    QMimeData text;
    text.setText(QStringLiteral("words"));
    QDragEnterEvent refused(centre, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(box, &refused);
    EXPECT_EQ(refused.dropAction(), Qt::IgnoreAction);
    QDragMoveEvent refusedMove(centre, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(box, &refusedMove);
    EXPECT_FALSE(refusedMove.isAccepted());
    QDragLeaveEvent leave;
    QApplication::sendEvent(box, &leave);
    document->setOriginalImage(nullptr);
    pane->setDocument(nullptr);
    QDropEvent orphan(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(box, &orphan);
    EXPECT_FALSE(orphan.isAccepted());
    PaneDocument::settle();
    EXPECT_EQ(document->originalImage(), nullptr);
    EXPECT_EQ(document.window->errors, 0);
}

// Drags as the window system reports them to the window: an entry, moves,
// and a leave or a drop, at points of the window.
class WindowDrag {
public:
    WindowDrag(QWidget& window, const QMimeData& data) : m_window(window), m_data(data) {}
    void moveTo(const QWidget* over) {
        const QPoint at = over->mapTo(&m_window, over->rect().center());
        if (!m_entered) {
            m_entered = true;
            QDragEnterEvent enter(at, Qt::CopyAction, &m_data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(m_window.windowHandle(), &enter);
        }
        QDragMoveEvent move(at, Qt::CopyAction, &m_data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_window.windowHandle(), &move);
        m_lastAccepted = move.isAccepted();
        QCoreApplication::processEvents();
    }
    void leaveWindow() {
        QDragLeaveEvent leave;
        QApplication::sendEvent(m_window.windowHandle(), &leave);
        m_entered = false;
        QCoreApplication::processEvents();
    }
    bool lastMoveAccepted() const { return m_lastAccepted; }

private:
    QWidget& m_window;
    const QMimeData& m_data;
    bool m_entered = false;
    bool m_lastAccepted = false;
};

// The box shows a drag over it in the highlight colour and goes back to its
// own look when the drag leaves it, whether it takes the drag or not.
TEST_F(ImagePane, TheDropHighlightGoesWhenADragLeaves) {
    auto* box = pane->box();
    const QPalette::ColorRole own = box->backgroundRole();
    ASSERT_NE(own, QPalette::Highlight);

    QMimeData text;
    text.setText(QStringLiteral("words"));
    WindowDrag words(window, text);
    words.moveTo(box);
    EXPECT_TRUE(box->isDraggingEntered());
    EXPECT_EQ(box->backgroundRole(), QPalette::Highlight);
    EXPECT_FALSE(words.lastMoveAccepted()) << "words are no picture";
    words.moveTo(field);
    EXPECT_FALSE(box->isDraggingEntered());
    EXPECT_EQ(box->backgroundRole(), own);

    QMimeData file;
    file.setUrls({QUrl::fromLocalFile(document.pngFile(QStringLiteral("stamp.png")))});
    WindowDrag picture(window, file);
    picture.moveTo(box);
    EXPECT_TRUE(picture.lastMoveAccepted());
    EXPECT_EQ(box->backgroundRole(), QPalette::Highlight);
    picture.leaveWindow();
    EXPECT_FALSE(box->isDraggingEntered());
    EXPECT_EQ(box->backgroundRole(), own);

    // A page pushed over the box mid-drag ends it there too.
    picture.moveTo(box);
    ASSERT_EQ(box->backgroundRole(), QPalette::Highlight);
    box->hide();
    EXPECT_EQ(box->backgroundRole(), own);
    box->show();
    picture.leaveWindow();
    EXPECT_EQ(box->backgroundRole(), own);
}

TEST_F(ImagePane, ReturnChoosesAPictureOnlyWhileThereIsNone) {
    const auto picture = document->originalImage();
    document->setOriginalImage(nullptr);
    pressReturn();
    EXPECT_EQ(document.window->panels, 1);
    // A text field keeps its Return.
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(document.window->panels, 1);

    document->setOriginalImage(picture);
    pressReturn();
    EXPECT_EQ(document.window->panels, 1);
    EXPECT_EQ(pane->box()->nameLabel()->text(), QStringLiteral("logo.png"));
    EXPECT_EQ(pane->box()->sizeLabel()->text(), document->imageOriginalSizeDescription());
    EXPECT_FALSE(pane->box()->sizeLabel()->text().isEmpty());

    document->setInViewingMode(true);
    EXPECT_FALSE(pane->chooseImageButton()->isEnabled());
    document->setInViewingMode(false);
    EXPECT_TRUE(pane->chooseImageButton()->isEnabled());
}

TEST_F(ImagePane, CtrlChooseShowsThePictureFileOrBeepsWhenItIsGone) {
    // The picture's file does not exist: no panel either.
    pane->chooseImage(Qt::ControlModifier);
    EXPECT_EQ(document.window->panels, 0);
    pane->chooseImage(Qt::NoModifier);
    EXPECT_EQ(document.window->panels, 1);
    document->setOriginalImage(nullptr);
    pane->chooseImage(Qt::ControlModifier);
    EXPECT_EQ(document.window->panels, 2);
}

TEST_F(ImagePane, ThePictureLeavesTheWellAsATemporaryFileOfItsName) {
    std::unique_ptr<QMimeData> data(pane->makeDragData());
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(data->urls().size(), 1);
    const QString path = data->urls().front().toLocalFile();
    EXPECT_EQ(QFileInfo(path).fileName(), QStringLiteral("logo.png"));
    EXPECT_TRUE(path.startsWith(document.folder()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), document->originalImage()->data());
    // A second drag does not overwrite the first one's file.
    std::unique_ptr<QMimeData> again(pane->makeDragData());
    EXPECT_NE(again->urls().front().toLocalFile(), path);

    document->setOriginalImage(
        PaneDocument::picture(10, 10, QUrl::fromLocalFile(QStringLiteral("/pictures/README"))));
    EXPECT_EQ(pane->makeDragData(), nullptr);
    document->setOriginalImage(nullptr);
    EXPECT_EQ(pane->makeDragData(), nullptr);
}

TEST_F(ImagePane, TurnAndMirrorButtonsWriteTheDocument) {
    QTest::mouseClick(pane->rotateRightButton(), Qt::LeftButton);
    const ambrel::ImageRotation right = document->imageOrientation();
    EXPECT_NE(right, ambrel::ImageRotation::none);
    EXPECT_TRUE(right.isWidthHeightFlipped());
    QTest::mouseClick(pane->rotateLeftButton(), Qt::LeftButton);
    EXPECT_EQ(document->imageOrientation(), ambrel::ImageRotation::none);
    QTest::mouseClick(pane->rotateLeftButton(), Qt::LeftButton);
    EXPECT_TRUE(document->imageOrientation().isWidthHeightFlipped());
    EXPECT_NE(document->imageOrientation(), right);
    PaneDocument::settle();
    QTest::mouseClick(pane->mirrorButton(), Qt::LeftButton);
    EXPECT_TRUE(document->flipsImageHorizontal());
    PaneDocument::settle();
    document.undo().undo();
    EXPECT_FALSE(document->flipsImageHorizontal());
    EXPECT_FALSE(pane->mirrorButton()->isChecked());

    document->setOriginalImage(nullptr);
    EXPECT_FALSE(pane->rotateRightButton()->isEnabled());
    EXPECT_FALSE(pane->mirrorButton()->isEnabled());
}
