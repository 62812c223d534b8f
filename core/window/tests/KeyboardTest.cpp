#include "core/canvas/GridView.h"
#include "core/canvas/GridViewImageSelectionView.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/document/tests/RunTestSupport.h"
#include "core/launch/AppDelegate.h"
#include "core/launch/MenuMnemonics.h"
#include "core/window/DocumentWindow.h"
#include "core/window/tests/ModelDocument.h"

#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

using kestrom::AppDelegate;
using kestrom::DocumentWindow;
using kestrom::MenuMnemonics;
using kestrom::PrintJobDocument;

namespace {

std::shared_ptr<const ambrel::DeviceDescriptor> keyModel() {
    const QByteArray json = R"([{
        "modelName": "Keys", "printerType": "slow", "headDotCount": 256, "dpi": 300,
        "canvases": [{"identifier": "A", "size_mm": {"width": 80, "height": 100}}],
        "offsetBases": ["center"]
    }])";
    return window_test::ModelDocument::model(json);
}

// A document window driven from the keyboard: every key goes to the window
// that has the focus, through the window system's path, one key for each
// turn of the event loop.
struct KeyboardTest : ::testing::Test, window_test::ModelDocument {
    KeyboardTest() : ModelDocument(keyModel(), QStringLiteral("Lunvik")) {
        document->job().setOriginalImage(run_test::picture());
        window = DocumentWindow::windowFor(document);
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    }

    static void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWindow* focus = QGuiApplication::focusWindow();
        // A closed menu leaves the keys nowhere offscreen; a window manager
        // gives them back to the window.
        if (!focus && QApplication::activeWindow()) {
            focus = QApplication::activeWindow()->windowHandle();
        }
        ASSERT_TRUE(focus) << "no window takes keys";
        QTest::keyClick(focus, Qt::Key(key), modifiers);
        QCoreApplication::processEvents();
    }

    QMenu* menuNamed(const QString& name) const {
        return delegate.mainMenu()->findChild<QMenu*>(name);
    }
    static QMenu* openMenu() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }
    static QChar mnemonic(const QString& title) { return MenuMnemonics::of(title); }
    static Qt::Key keyFor(QChar letter) { return Qt::Key(letter.toUpper().unicode()); }
};

} // namespace

TEST(MenuMnemonics, AreFoundGivenAndEscaped) {
    EXPECT_EQ(MenuMnemonics::of(QStringLiteral("Save &As…")), u'a');
    EXPECT_TRUE(MenuMnemonics::of(QStringLiteral("Black && White")).isNull());
    EXPECT_EQ(MenuMnemonics::of(QStringLiteral("Black && &White")), u'w');
    EXPECT_TRUE(MenuMnemonics::of(QStringLiteral("Trailing &")).isNull());

    // Word starts first, then any free letter; one already there is kept.
    EXPECT_EQ(MenuMnemonics::given(QStringLiteral("Make Stencil…"), QStringLiteral("m")),
              QStringLiteral("Make &Stencil…"));
    EXPECT_EQ(MenuMnemonics::given(QStringLiteral("Make Stencil…"), QStringLiteral("ms")),
              QStringLiteral("M&ake Stencil…"));
    EXPECT_EQ(MenuMnemonics::given(QStringLiteral("&Undo"), QStringLiteral("u")),
              QStringLiteral("&Undo"));
    EXPECT_EQ(MenuMnemonics::given(QStringLiteral("ab"), QStringLiteral("ab")),
              QStringLiteral("ab"));
    // A document named with an ampersand shows it, and still gets a letter.
    const QString title = MenuMnemonics::escaped(QStringLiteral("Cut & Print"));
    EXPECT_EQ(title, QStringLiteral("Cut && Print"));
    EXPECT_EQ(MenuMnemonics::given(title, QStringLiteral("c")), QStringLiteral("Cut && &Print"));
}

// Alt and a title's letter open each menu of the menu bar; there every item
// has a letter of its own, including the items titled at run time (the
// model's print command, the undo step, the picture's size command).
TEST_F(KeyboardTest, EveryMenuOpensByItsLetterAndEveryItemHasItsOwn) {
    ASSERT_TRUE(window);
    document->job().setImageRepeatXCount(2); // an undo step with a name
    const QList<QAction*> titles = window->menuBar()->actions();
    ASSERT_GE(titles.size(), 6);
    QString titleLetters;
    for (QAction* title : titles) {
        SCOPED_TRACE(title->text().toStdString());
        const QChar letter = mnemonic(title->text());
        ASSERT_FALSE(letter.isNull());
        EXPECT_FALSE(titleLetters.contains(letter));
        titleLetters += letter;

        press(keyFor(letter), Qt::AltModifier);
        QMenu* menu = openMenu();
        ASSERT_TRUE(menu) << "Alt+" << QString(letter).toStdString() << " opened nothing";
        EXPECT_EQ(menu, title->menu());
        QString itemLetters;
        for (QAction* item : menu->actions()) {
            if (item->isSeparator()) {
                continue;
            }
            const QChar itemLetter = mnemonic(item->text());
            EXPECT_FALSE(itemLetter.isNull()) << item->text().toStdString();
            EXPECT_FALSE(itemLetters.contains(itemLetter)) << item->text().toStdString();
            itemLetters += itemLetter;
        }
        press(Qt::Key_Escape);
        press(Qt::Key_Escape);
        EXPECT_FALSE(openMenu());
    }
    // The application's menu answers to the application's initial.
    press(Qt::Key_L, Qt::AltModifier);
    ASSERT_TRUE(openMenu());
    EXPECT_EQ(openMenu()->objectName(), QStringLiteral("Menu_Application"));
    EXPECT_EQ(openMenu()->title(), QStringLiteral("&Lunvik"));
    press(Qt::Key_Escape);
    press(Qt::Key_Escape);
}

TEST_F(KeyboardTest, AnItemIsChosenByItsLetterInTheOpenMenu) {
    ASSERT_TRUE(window);
    const int before = document->job().imageOrientation().rawValue();
    press(Qt::Key_P, Qt::AltModifier);
    ASSERT_TRUE(openMenu());
    EXPECT_EQ(openMenu()->objectName(), QStringLiteral("Menu_Picture"));
    press(Qt::Key_R); // Rotate Right
    EXPECT_FALSE(openMenu());
    EXPECT_NE(document->job().imageOrientation().rawValue(), before);
    press(Qt::Key_E, Qt::AltModifier);
    press(Qt::Key_U); // Undo Rotate Right
    EXPECT_EQ(document->job().imageOrientation().rawValue(), before);
}

TEST_F(KeyboardTest, CtrlShiftSAsksWhereToSave) {
    ASSERT_TRUE(window);
    press(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    // The panel deletes itself once it closes.
    QPointer<QFileDialog> panel = window->findChild<QFileDialog*>(QStringLiteral("SavePanel"));
    ASSERT_TRUE(panel);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(QGuiApplication::focusWindow(), panel->windowHandle());
    press(Qt::Key_Escape);
    EXPECT_TRUE(!panel || !panel->isVisible());
}

// Tab reaches the canvas, which shows that it has the keys; the arrow keys
// then move the picture by a millimetre, by five with Shift.
TEST_F(KeyboardTest, TabReachesTheCanvasAndTheArrowsMoveThePicture) {
    ASSERT_TRUE(window);
    kestrom::GridView* canvas = window->gridView();
    ASSERT_FALSE(canvas->hasFocus());
    for (int i = 0; i < 60 && QApplication::focusWidget() != canvas; ++i) {
        press(Qt::Key_Tab);
    }
    ASSERT_EQ(QApplication::focusWidget(), canvas);
    EXPECT_TRUE(canvas->showsKeyboardFocus());
    EXPECT_TRUE(canvas->imageSelectionView()->isSelected());
    // Drawn: the ring shows in the canvas's picture.
    const QImage focused = canvas->grab().toImage();

    const ambrel::Point_mm start = document->job().imageOffset_mm();
    press(Qt::Key_Left);
    EXPECT_DOUBLE_EQ(document->job().imageOffset_mm().x, start.x - 1);
    press(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(document->job().imageOffset_mm().y, start.y + 5);
    press(Qt::Key_Right);
    press(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(document->job().imageOffset_mm().x, start.x);
    EXPECT_DOUBLE_EQ(document->job().imageOffset_mm().y, start.y);

    // Tab goes on to the settings, and the ring goes.
    press(Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), canvas);
    EXPECT_FALSE(canvas->showsKeyboardFocus());
    EXPECT_NE(canvas->grab().toImage(), focused);
    // Shift+Tab comes back.
    press(Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), canvas);
}
