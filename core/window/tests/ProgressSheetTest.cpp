#include "core/document/runs/ProgressiveRun.h"
#include "core/window/CompletionAlert.h"
#include "core/window/ProgressViewController.h"
#include "core/window/WindowRunPresenter.h"
#include "platform/Progress.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

using kestrom::ProgressViewController;

namespace {

bool waitUntil(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 5000);
}

} // namespace

TEST(ProgressSheetTest, EscapeCancelsTheProgressAndLeavesTheSheetUp) {
    QMainWindow window;
    window.show();
    ProgressViewController sheet(&window);
    auto progress = std::make_shared<platform::Progress>(10);
    sheet.setProgress(progress);
    sheet.setTitle(QStringLiteral("Printing"));
    sheet.open();
    EXPECT_EQ(sheet.windowModality(), Qt::WindowModal);
    QTest::keyClick(&sheet, Qt::Key_Escape);
    EXPECT_TRUE(progress->isCancelled());
    EXPECT_TRUE(sheet.isVisible());
    sheet.dismiss();
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_FALSE(sheet.progress());
}

TEST(ProgressSheetTest, ASheetWithoutProgressIgnoresEscape) {
    ProgressViewController sheet;
    sheet.open();
    QTest::keyClick(&sheet, Qt::Key_Escape);
    EXPECT_TRUE(sheet.isVisible());
}

TEST(ProgressSheetTest, ShowsTheProgressReportedFromAWorker) {
    ProgressViewController sheet;
    auto progress = std::make_shared<platform::Progress>(4);
    sheet.setProgress(progress);
    sheet.open();
    auto* bar = sheet.findChild<QProgressBar*>();
    ASSERT_TRUE(bar);
    std::thread([progress] {
        progress->setCompletedUnitCount(2);
        progress->setLocalizedDescription(QStringLiteral("Sending columns"));
    }).join();
    EXPECT_TRUE(waitUntil([bar] { return bar->value() == 500; }));
}

TEST(ProgressSheetTest, EscapeDuringARunCancelsItAndTheSheetStaysUntilTheRunEnds) {
    QMainWindow window;
    window.show();
    auto presenter = std::make_shared<kestrom::WindowRunPresenter>(&window);
    std::atomic<bool> release{false};
    bool ended = false;
    kestrom::ProgressiveRun::start(
        presenter, QStringLiteral("Printing"), nullptr,
        [&release](const std::shared_ptr<platform::Progress>& progress) {
            return kestrom::ProgressiveRun::Work([progress, &release] {
                // A device that only stops at its next checkpoint.
                while (!progress->isCancelled() || !release) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
                progress->throwIfCancelled();
            });
        },
        [&ended](bool) { ended = true; });
    ProgressViewController* sheet = presenter->progressSheet();
    ASSERT_TRUE(sheet);
    ASSERT_TRUE(sheet->isVisible());
    const auto progress = sheet->progress();
    QTest::keyClick(sheet, Qt::Key_Escape);
    EXPECT_TRUE(progress->isCancelled());
    QTest::qWait(50);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_FALSE(ended);
    release = true;
    ASSERT_TRUE(waitUntil([&ended] { return ended; }));
    EXPECT_FALSE(presenter->progressSheet());
    // A cancel is never reported.
    EXPECT_FALSE(presenter->isShowingSheet());
}

TEST(ProgressSheetTest, AFailedRunShowsItsErrorOverTheWindow) {
    QMainWindow window;
    window.show();
    auto presenter = std::make_shared<kestrom::WindowRunPresenter>(&window);
    bool ended = false;
    kestrom::ProgressiveRun::start(
        presenter, QStringLiteral("Cleaning"), nullptr,
        [](const std::shared_ptr<platform::Progress>&) {
            return kestrom::ProgressiveRun::Work([] {
                platform::Error::UserInfo info;
                info.localizedDescription = QStringLiteral("The device is busy.");
                info.localizedRecoverySuggestion = QStringLiteral("Try again later.");
                throw platform::Error(QStringLiteral("Test"), 3, info);
            });
        },
        [&ended](bool) { ended = true; });
    ASSERT_TRUE(waitUntil([&ended] { return ended; }));
    auto* box = window.findChild<QMessageBox*>(QStringLiteral("ErrorSheet"));
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
    EXPECT_EQ(box->text(), QStringLiteral("The device is busy."));
    EXPECT_EQ(box->informativeText(), QStringLiteral("Try again later."));
}

TEST(CompletionAlertTest, ShowsTheModelsTextsWithASingleOkButton) {
    ambrel::DeviceDescriptor::CompletionAlertInfo info{
        QStringLiteral("The stencil is ready"), QStringLiteral("Take the screen out."), {}};
    QMainWindow window;
    window.show();
    auto presenter = std::make_shared<kestrom::WindowRunPresenter>(&window);
    bool closed = false;
    presenter->showCompletionAlert(info, [&closed] { closed = true; });
    auto* alert = window.findChild<kestrom::CompletionAlert*>();
    ASSERT_TRUE(alert);
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(alert->windowModality(), Qt::WindowModal);
    const auto buttons = alert->findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons.first()->text(), QStringLiteral("OK"));
    EXPECT_EQ(alert->findChild<QLabel*>(QStringLiteral("message"))->text(), info.message);
    EXPECT_EQ(alert->findChild<QLabel*>(QStringLiteral("informativeText"))->text(),
              info.informativeText);
    EXPECT_FALSE(alert->movieView());
    QTest::mouseClick(buttons.first(), Qt::LeftButton);
    EXPECT_TRUE(closed);
}

TEST(ScriptingAcceptanceTest, ReturnDoesNotAcceptAndTheFirstButtonDoes) {
    QMainWindow window;
    window.show();
    kestrom::WindowRunPresenter presenter(&window);
    std::optional<std::pair<bool, bool>> answer;
    presenter.askScriptingAcceptance(
        [&answer](bool accepted, bool always) { answer = std::pair(accepted, always); });
    auto* alert = window.findChild<QMessageBox*>(QStringLiteral("ScriptingAcceptanceAlert"));
    ASSERT_TRUE(alert);
    QTest::keyClick(alert, Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&answer] { return answer.has_value(); }));
    EXPECT_FALSE(answer->first);

    answer.reset();
    presenter.askScriptingAcceptance(
        [&answer](bool accepted, bool always) { answer = std::pair(accepted, always); });
    // The first alert may still wait for its deletion.
    alert = window.findChildren<QMessageBox*>(QStringLiteral("ScriptingAcceptanceAlert")).last();
    alert->checkBox()->setChecked(true);
    QTest::mouseClick(alert->buttons().first(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&answer] { return answer.has_value(); }));
    EXPECT_TRUE(answer->first);
    EXPECT_TRUE(answer->second);
}
