#include "RunTestSupport.h"

#include "core/document/job/UserDefaultsKeys.h"
#include "core/document/runs/MaintenanceRun.h"
#include "core/document/runs/PrintRun.h"
#include "core/document/runs/ProgressiveRun.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using ambrel::ConnectionError;
using kestrom::PrintRun;
using run_test::FakeConnection;
using run_test::RecordingPresenter;
using Behaviour = FakeConnection::Behaviour;

namespace {

// The task a complete document gives, as the run asks for it.
PrintRun::TaskMaker taskFor(const std::shared_ptr<const ambrel::DeviceDescriptor>& model) {
    return [model] {
        return ambrel::PrintTask(model, model->canvases().first(), ambrel::TransportType::usb,
                                 ambrel::ImageSource::originalImage(run_test::picture(), {}), {});
    };
}

// What a document without a picture answers.
ambrel::PrintTask noPicture() {
    throw ConnectionError(ConnectionError::Case::noImageInDocument);
}

struct PrintRunFixture : ::testing::Test {
    std::shared_ptr<const ambrel::DeviceDescriptor> plain = run_test::model("Plain");
    std::shared_ptr<const ambrel::DeviceDescriptor> alerting = run_test::model("Alerting");
    std::shared_ptr<RecordingPresenter> presenter = std::make_shared<RecordingPresenter>();
    bool ended = false;
    QTemporaryDir defaultsFolder;

    PrintRunFixture() {
        platform::UserDefaults::setStandardFilePath(
            defaultsFolder.filePath(QStringLiteral("defaults.plist")));
    }
    static bool acceptedAlways() {
        return platform::UserDefaults::standard().boolValue(
            kestrom::UserDefaultsKeys::scriptingPrintHasBeenAccepted().key());
    }
    static void setAcceptedAlways(bool accepted) {
        platform::UserDefaults::standard().setBool(
            kestrom::UserDefaultsKeys::scriptingPrintHasBeenAccepted().key(), accepted);
    }

    void print(const std::shared_ptr<const ambrel::DeviceDescriptor>& model,
               std::shared_ptr<FakeConnection> connection, PrintRun::TaskMaker makeTask,
               std::shared_ptr<platform::ScriptCommand> command = {}) {
        PrintRun::run(presenter, model, connection, std::move(makeTask), command,
                      [this] { ended = true; });
        ASSERT_TRUE(run_test::waitUntil([this] { return ended; }));
    }
};

} // namespace

TEST_F(PrintRunFixture, WithoutPictureTheSheetComesAndGoesAndTheErrorIsShown) {
    auto connection = std::make_shared<FakeConnection>(plain, Behaviour::succeed);
    print(plain, connection, &noPicture);
    EXPECT_EQ(presenter->events, (QStringList{"sheet", "dismiss", "beep", "error"}));
    EXPECT_EQ(presenter->errorIsConnectionCase, ConnectionError::Case::noImageInDocument);
    EXPECT_TRUE(connection->printedModel.isEmpty());
    EXPECT_EQ(presenter->sheetTitle, plain->printProgressTitle());
}

TEST_F(PrintRunFixture, SuccessRunsOnAWorkerAndAsksForTheCompletionAlert) {
    auto connection = std::make_shared<FakeConnection>(alerting, Behaviour::succeed);
    print(alerting, connection, taskFor(alerting));
    EXPECT_EQ(connection->printedModel, QStringLiteral("Alerting"));
    EXPECT_FALSE(connection->printedOnMainThread);
    EXPECT_EQ(presenter->events, (QStringList{"sheet", "dismiss", "completion"}));
    ASSERT_TRUE(presenter->completion);
    EXPECT_EQ(presenter->completion->message, QStringLiteral("The stencil is ready"));
    EXPECT_EQ(presenter->completion->informativeText,
              QStringLiteral("Take the screen out of the device."));
}

TEST_F(PrintRunFixture, SuccessOnAModelWithoutAlertEndsQuietly) {
    print(plain, std::make_shared<FakeConnection>(plain, Behaviour::succeed), taskFor(plain));
    EXPECT_EQ(presenter->events, (QStringList{"sheet", "dismiss"}));
}

TEST_F(PrintRunFixture, AFailingDevicePresentsItsErrorWithItsRecoverySuggestion) {
    print(alerting, std::make_shared<FakeConnection>(alerting, Behaviour::fail), taskFor(alerting));
    EXPECT_EQ(presenter->events, (QStringList{"sheet", "dismiss", "beep", "error"}));
    EXPECT_EQ(presenter->errorIsConnectionCase, ConnectionError::Case::printerIsBusy);
    const auto suggestion =
        ConnectionError(ConnectionError::Case::printerIsBusy).localizedRecoverySuggestion();
    ASSERT_TRUE(suggestion && !suggestion->isEmpty());
    EXPECT_EQ(presenter->errorSuggestion, suggestion);
    EXPECT_FALSE(presenter->completion);
}

TEST_F(PrintRunFixture, ACancelledRunPresentsNothing) {
    auto connection = std::make_shared<FakeConnection>(alerting, Behaviour::waitForCancel);
    PrintRun::run(presenter, alerting, connection, taskFor(alerting), {}, [this] { ended = true; });
    ASSERT_TRUE(presenter->sheetProgress);
    presenter->sheetProgress->cancel();
    ASSERT_TRUE(run_test::waitUntil([this] { return ended; }));
    EXPECT_EQ(presenter->events, (QStringList{"sheet", "dismiss"}));
}

TEST_F(PrintRunFixture, ACancellationErrorCountsAsAUserCancel) {
    EXPECT_TRUE(kestrom::ProgressiveRun::isUserCancellation(platform::CancellationError()));
    EXPECT_TRUE(kestrom::ProgressiveRun::isUserCancellation(
        ConnectionError(ConnectionError::Case::userCancelled)));
    EXPECT_FALSE(kestrom::ProgressiveRun::isUserCancellation(
        ConnectionError(ConnectionError::Case::printerIsBusy)));
}

TEST_F(PrintRunFixture, AScriptPrintGetsTheErrorCodeAndNoAlerts) {
    setAcceptedAlways(true);
    int replies = 0;
    auto command = run_test::scriptCommand(&replies);
    print(alerting, std::make_shared<FakeConnection>(alerting, Behaviour::fail), taskFor(alerting),
          command);
    EXPECT_TRUE(command->isFinished());
    EXPECT_EQ(replies, 1);
    // The case's position among the connection errors.
    EXPECT_EQ(command->scriptErrorNumber(), 8);
    EXPECT_EQ(command->scriptErrorString(),
              ConnectionError(ConnectionError::Case::printerIsBusy).localizedDescription());
    EXPECT_EQ(presenter->events, (QStringList{"sheet", "dismiss"}));

    ended = false;
    presenter->events.clear();
    auto succeeding = run_test::scriptCommand();
    print(alerting, std::make_shared<FakeConnection>(alerting, Behaviour::succeed),
          taskFor(alerting), succeeding);
    EXPECT_EQ(presenter->events, (QStringList{"sheet", "dismiss"}));
    EXPECT_TRUE(succeeding->isFinished());
    EXPECT_FALSE(succeeding->hasError());
}

TEST_F(PrintRunFixture, ARefusedScriptPrintIsNotSentAndTheSheetGoes) {
    presenter->acceptScripts = false;
    presenter->acceptAlways = true;
    auto connection = std::make_shared<FakeConnection>(alerting, Behaviour::succeed);
    auto command = run_test::scriptCommand();
    print(alerting, connection, taskFor(alerting), command);
    EXPECT_EQ(presenter->events, (QStringList{"sheet", "ask", "dismiss"}));
    EXPECT_TRUE(connection->printedModel.isEmpty());
    EXPECT_EQ(command->scriptErrorNumber(), 403);
    EXPECT_EQ(command->scriptErrorString(),
              ConnectionError(ConnectionError::Case::scriptingPrintIsNotAllowedByUser)
                  .localizedDescription());
    EXPECT_TRUE(command->isFinished());
    EXPECT_FALSE(acceptedAlways());
}

TEST_F(PrintRunFixture, AcceptingAlwaysIsRememberedOnlyWhenChecked) {
    print(plain, std::make_shared<FakeConnection>(plain, Behaviour::succeed), taskFor(plain),
          run_test::scriptCommand());
    EXPECT_FALSE(acceptedAlways());
    ended = false;
    presenter->acceptAlways = true;
    auto connection = std::make_shared<FakeConnection>(plain, Behaviour::succeed);
    print(plain, connection, taskFor(plain), run_test::scriptCommand());
    EXPECT_TRUE(acceptedAlways());
    EXPECT_EQ(connection->printedModel, QStringLiteral("Plain"));
    EXPECT_EQ(presenter->events.count(QStringLiteral("ask")), 2);

    // Accepted for good: the next script run is not asked.
    ended = false;
    print(plain, std::make_shared<FakeConnection>(plain, Behaviour::succeed), taskFor(plain),
          run_test::scriptCommand());
    EXPECT_EQ(presenter->events.count(QStringLiteral("ask")), 2);
}

TEST_F(PrintRunFixture, UserInterfaceRunsNeverAskForAcceptance) {
    print(plain, std::make_shared<FakeConnection>(plain, Behaviour::succeed), taskFor(plain));
    EXPECT_FALSE(presenter->events.contains(QStringLiteral("ask")));
    EXPECT_FALSE(platform::UserDefaults::standard().contains(
        kestrom::UserDefaultsKeys::scriptingPrintHasBeenAccepted().key()));
}

TEST_F(PrintRunFixture, WithoutAWindowTheRefusalIsPresentedWithoutBeep) {
    presenter->window = false;
    auto connection = std::make_shared<FakeConnection>(plain, Behaviour::succeed);
    print(plain, connection, taskFor(plain));
    EXPECT_EQ(presenter->events, (QStringList{"sheet", "dismiss", "error"}));
    EXPECT_EQ(presenter->errorIsConnectionCase,
              ConnectionError::Case::scriptingPrintIsNotAllowedByUser);
    EXPECT_TRUE(connection->printedModel.isEmpty());
}

TEST_F(PrintRunFixture, WithoutTransportThePrintActionDoesNothing) {
    PrintRun::printDocument(presenter, plain, std::nullopt, taskFor(plain));
    PrintRun::printDocument(nullptr, plain, ambrel::TransportType::usb, taskFor(plain));
    EXPECT_TRUE(presenter->events.isEmpty());
}

TEST_F(PrintRunFixture, AClosedWindowIsNotTouchedWhenTheRunEnds) {
    auto connection = std::make_shared<FakeConnection>(alerting, Behaviour::waitForCancel);
    std::weak_ptr<RecordingPresenter> gone = presenter;
    PrintRun::run(presenter, alerting, connection, taskFor(alerting), {}, [this] { ended = true; });
    const auto progress = presenter->sheetProgress;
    presenter.reset();
    ASSERT_TRUE(gone.expired());
    progress->cancel();
    EXPECT_TRUE(run_test::waitUntil([this] { return ended; }));
}

TEST_F(PrintRunFixture, MaintenanceFailuresAreShownAndSuccessIsSilent) {
    const ambrel::MaintenanceAction action = plain->maintenanceActions().first();
    auto failing = std::make_shared<FakeConnection>(plain, Behaviour::fail);
    kestrom::MaintenanceRun::run(presenter, failing, action, [this] { ended = true; });
    ASSERT_TRUE(run_test::waitUntil([this] { return ended; }));
    EXPECT_EQ(failing->maintained, QStringLiteral("clean"));
    EXPECT_EQ(presenter->events, (QStringList{"sheet", "dismiss", "beep", "error"}));
    EXPECT_EQ(presenter->sheetTitle, action.progressTitle);

    ended = false;
    presenter->events.clear();
    kestrom::MaintenanceRun::run(presenter,
                                 std::make_shared<FakeConnection>(plain, Behaviour::succeed),
                                 action, [this] { ended = true; });
    ASSERT_TRUE(run_test::waitUntil([this] { return ended; }));
    EXPECT_EQ(presenter->events, (QStringList{"sheet", "dismiss"}));

    kestrom::MaintenanceRun::perform(presenter, plain, std::nullopt, action);
    EXPECT_EQ(presenter->sheetsShown, 2);
}

TEST_F(PrintRunFixture, QuittingCancelsTheRunsStillGoing) {
    auto connection = std::make_shared<FakeConnection>(plain, Behaviour::waitForCancel);
    PrintRun::run(presenter, plain, connection, taskFor(plain), {}, [this] { ended = true; });
    kestrom::ProgressiveRun::cancelAll();
    ASSERT_TRUE(run_test::waitUntil([this] { return ended; }));
    EXPECT_EQ(presenter->events, (QStringList{"sheet", "dismiss"}));
}
