#include "core/document/application/PrintJobDocument.h"
#include "core/window/CompletionAlert.h"
#include "core/window/ErrorSheet.h"
#include "core/window/ProgressViewController.h"
#include "core/window/WidgetDocumentPanels.h"
#include "core/window/WindowRunPresenter.h"
#include "platform/Error.h"
#include "platform/Progress.h"

#include <QApplication>
#include <QCheckBox>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <optional>

namespace {

// Keys as a user types them: to the window that has the focus, through the
// window system's path, one for each turn of the event loop. These tests run
// offscreen and, where a display server can be started, on X11 as well,
// where the window system decides which window has the focus.
void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    // On a display the focus can be between windows for a moment after one
    // closes (the server's word on it comes late on a busy machine): a user
    // types once it has landed.
    QTest::qWaitFor([] { return QGuiApplication::focusWindow() != nullptr; }, 10000);
    QWindow* focus = QGuiApplication::focusWindow();
    ASSERT_TRUE(focus) << "no window takes keys";
    QTest::keyClick(focus, Qt::Key(key), modifiers);
    QCoreApplication::processEvents();
}

struct AlertKeyboardTest : ::testing::Test {
    QMainWindow window;
    kestrom::WindowRunPresenter presenter{&window};
    std::optional<std::pair<bool, bool>> answer;

    AlertKeyboardTest() {
        window.resize(500, 400);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    // A scripted run: its progress sheet comes down first, then the question.
    QMessageBox* askAsAScriptedRunDoes() {
        answer.reset();
        presenter.showProgressSheet(QStringLiteral("Printing"),
                                    std::make_shared<platform::Progress>());
        presenter.askScriptingAcceptance(
            [this](bool accepted, bool always) { answer = std::pair(accepted, always); });
        QCoreApplication::processEvents();
        const auto alerts =
            window.findChildren<QMessageBox*>(QStringLiteral("ScriptingAcceptanceAlert"));
        for (QMessageBox* alert : alerts) {
            if (alert->isVisible()) {
                return alert;
            }
        }
        return nullptr;
    }

    // Whether the keys reach the alert once the window system has had its
    // say (at once offscreen; after a round trip on a display).
    static bool hasTheKeys(const QWidget* alert) {
        return QTest::qWaitFor(
            [alert] {
                return alert->windowHandle() &&
                       QGuiApplication::focusWindow() == alert->windowHandle() &&
                       alert->isAncestorOf(QApplication::focusWidget());
            },
            3000);
    }
};

} // namespace

TEST_F(AlertKeyboardTest, TheScriptAcceptanceQuestionTakesTheKeysAsItAppears) {
    QMessageBox* alert = askAsAScriptedRunDoes();
    ASSERT_TRUE(alert);
    EXPECT_TRUE(hasTheKeys(alert));
    press(Qt::Key_Escape);
    ASSERT_TRUE(answer);
    EXPECT_FALSE(answer->first);

    // Return answers too, and does not accept.
    alert = askAsAScriptedRunDoes();
    ASSERT_TRUE(alert);
    EXPECT_TRUE(hasTheKeys(alert));
    press(Qt::Key_Return);
    ASSERT_TRUE(answer);
    EXPECT_FALSE(answer->first);

    // Tab moves through the question; Space on "Always" and on the accept
    // button accepts for good.
    alert = askAsAScriptedRunDoes();
    ASSERT_TRUE(alert);
    // Keys typed before the window system hands the alert the focus would
    // go to the window before it.
    EXPECT_TRUE(hasTheKeys(alert));
    QAbstractButton* accept = alert->buttons().first();
    for (int i = 0; i < 8 && QApplication::focusWidget() != alert->checkBox(); ++i) {
        press(Qt::Key_Tab);
    }
    ASSERT_EQ(QApplication::focusWidget(), alert->checkBox());
    press(Qt::Key_Space);
    EXPECT_TRUE(alert->checkBox()->isChecked());
    for (int i = 0; i < 8 && QApplication::focusWidget() != accept; ++i) {
        press(Qt::Key_Tab);
    }
    ASSERT_EQ(QApplication::focusWidget(), accept);
    press(Qt::Key_Space);
    ASSERT_TRUE(answer);
    EXPECT_TRUE(answer->first);
    EXPECT_TRUE(answer->second);
}

// The other alerts of a run: the error and the completion alert, after the
// sheet has gone, each answer the keyboard at once.
TEST_F(AlertKeyboardTest, TheErrorAndCompletionAlertsTakeTheKeysAsTheyAppear) {
    presenter.showProgressSheet(QStringLiteral("Printing"), std::make_shared<platform::Progress>());
    QCoreApplication::processEvents();
    presenter.dismissProgressSheet();
    platform::Error::UserInfo busy;
    busy.localizedDescription = QStringLiteral("The device is busy.");
    presenter.presentError(platform::Error(QStringLiteral("Test"), 1, busy));
    QCoreApplication::processEvents();
    // The sheet deletes itself once it closes.
    QPointer<QMessageBox> error = window.findChild<QMessageBox*>(QStringLiteral("ErrorSheet"));
    ASSERT_TRUE(error);
    EXPECT_TRUE(hasTheKeys(error));
    press(Qt::Key_Return);
    EXPECT_TRUE(!error || !error->isVisible());

    ambrel::DeviceDescriptor::CompletionAlertInfo info;
    info.message = QStringLiteral("Done.");
    bool closed = false;
    presenter.showCompletionAlert(info, [&closed] { closed = true; });
    QCoreApplication::processEvents();
    auto* completion = window.findChild<kestrom::CompletionAlert*>();
    ASSERT_TRUE(completion);
    EXPECT_TRUE(hasTheKeys(completion));
    press(Qt::Key_Return);
    EXPECT_TRUE(closed);
}

// The question before an edited document closes: each of its buttons answers
// to Alt and the letter its title marks.
TEST_F(AlertKeyboardTest, TheSaveChangesQuestionsButtonsAnswerToAltAndTheirLetters) {
    using Answer = kestrom::DocumentPanels::CloseAnswer;
    kestrom::PrintJobDocument document;
    kestrom::WidgetDocumentPanels panels;
    const std::pair<Qt::Key, Answer> keys[] = {
        {Qt::Key_S, Answer::save}, {Qt::Key_D, Answer::discard}, {Qt::Key_C, Answer::cancel}};
    for (const auto& [key, expected] : keys) {
        SCOPED_TRACE(QKeySequence(key).toString().toStdString());
        // Without a window manager a closed question hands the keys back to
        // no window; the user's click on the window does.
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        std::optional<Answer> answer;
        panels.askToSaveBeforeClosing(document, [&answer](Answer given) { answer = given; });
        QCoreApplication::processEvents();
        // The question deletes itself once answered.
        QPointer<QMessageBox> question;
        for (QMessageBox* box :
             window.findChildren<QMessageBox*>(QStringLiteral("SaveChangesQuestion"))) {
            if (box->isVisible()) {
                question = box;
            }
        }
        ASSERT_TRUE(question);
        EXPECT_TRUE(hasTheKeys(question));
        press(key, Qt::AltModifier);
        // A mnemonic clicks as the mouse does: the button is shown pressed
        // for a moment first.
        ASSERT_TRUE(QTest::qWaitFor([&answer] { return answer.has_value(); }, 3000));
        EXPECT_EQ(*answer, expected);
        EXPECT_TRUE(!question || !question->isVisible());
    }
}
