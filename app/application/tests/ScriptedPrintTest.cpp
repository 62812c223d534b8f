#include "ScriptingTestSupport.h"

#include "app/simulator/TavrinSimulatorUsb.h"
#include "app/tavrin/TavrinDeviceConnection.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/document/job/UserDefaultsKeys.h"
#include "core/scripting/ScriptingService.h"
#include "core/window/CompletionAlert.h"
#include "core/window/DocumentWindow.h"
#include "core/window/ProgressViewController.h"
#include "core/window/WindowRunPresenter.h"
#include "model/errors/ConnectionError.h"
#include "model/pictures/OriginalImageError.h"
#include "platform/Progress.h"
#include "platform/UserDefaults.h"
#include "platform/tests/support/TestPictures.h"
#include "platform/usb/SocketUsbHost.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <QProcess>
#include <QTest>

#include <unistd.h>

using kestrom::ScriptingService;

class ScriptedPrintTest : public ScriptingTest {
protected:
    void startSimulator() {
        m_socket = m_folder.filePath(QStringLiteral("stencil.sock"));
        m_jobs = m_folder.filePath(QStringLiteral("jobs"));
        m_simulator.start(QStringLiteral(LUNVIK_SIMULATOR), {QStringLiteral("--socket"), m_socket,
                                                             QStringLiteral("--png-dir"), m_jobs});
        ASSERT_TRUE(m_simulator.waitForStarted());
        ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(m_socket); }, 10000));
        qputenv(platform::SocketUsbHost::environmentVariable, QFile::encodeName(m_socket));
    }
    void TearDown() override {
        if (m_simulator.state() != QProcess::NotRunning) {
            m_simulator.terminate();
            m_simulator.waitForFinished();
        }
        ScriptingTest::TearDown();
    }
    // A script's print that goes on in the background while the test acts
    // as the user.
    static void startPrint(QProcess& gdbus, const QString& path) {
        gdbus.start(QStringLiteral("gdbus"),
                    {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                     ScriptingService::serviceName, QStringLiteral("--timeout"),
                     QStringLiteral("120"), QStringLiteral("--object-path"), path,
                     QStringLiteral("--method"), method("Print")});
    }
    void acceptScriptedPrints() {
        platform::UserDefaults::standard().setBool(
            kestrom::UserDefaultsKeys::scriptingPrintHasBeenAccepted().key(), true);
    }

    QString m_socket;
    QString m_jobs;
    QProcess m_simulator;
};

TEST_F(ScriptedPrintTest, AScriptedPrintAnswersWhenTheRunHasEndedAndTheSimulatorHasItsPicture) {
    startSimulator();
    acceptScriptedPrints();
    const QString path = pathOf(0);
    ASSERT_TRUE(call(path, method("LoadImage"), {loadArgument(quoted(stencilMark()))}).succeeded());
    document(0)->job().setImageSizeWithWidthForDisplay_mm(60);
    const ambrel::PrintTask task = document(0)->makePrintTask();

    const QString printed = QDir(m_jobs).filePath(QStringLiteral("job-1.png"));
    const GdbusResult print = call(path, method("Print"), {}, 120);
    ASSERT_TRUE(print.succeeded()) << print.error.toStdString();
    // The answer came once the run had ended: the sheet is gone, and a
    // scripted print shows no completion alert.
    auto* window = kestrom::DocumentWindow::windowFor(document(0));
    EXPECT_FALSE(window->runPresenter()->isShowingSheet());
    EXPECT_FALSE(window->findChild<kestrom::CompletionAlert*>());
    EXPECT_FALSE(window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet")));
    // The simulator writes its picture once it has the whole job.
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(printed); }, 10000));

    lunvik::TavrinSimulatorUsb usb;
    lunvik::TavrinDeviceConnection connection(task.deviceDescriptor(), task.transportType());
    connection.print(task, std::make_shared<platform::Progress>());
    ASSERT_EQ(usb.device().jobs().size(), 1);
    const QImage expected =
        usb.device().jobs().first().picture().convertToFormat(QImage::Format_Grayscale8);
    const QImage received = QImage(printed).convertToFormat(QImage::Format_Grayscale8);
    ASSERT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected);
}

TEST_F(ScriptedPrintTest, AScriptedPrintAnswersTheRunsErrorOrTheUsersRefusal) {
    const QString path = pathOf(0);
    auto* window = kestrom::DocumentWindow::windowFor(document(0));
    ASSERT_TRUE(window);

    // Refused in the question: 403, and the progress sheet is gone too.
    QProcess refusing;
    startPrint(refusing, path);
    ASSERT_TRUE(refusing.waitForStarted());
    QMessageBox* question = nullptr;
    ASSERT_TRUE(waitUntil(
        [&] {
            question = window->findChild<QMessageBox*>(QStringLiteral("ScriptingAcceptanceAlert"));
            return question != nullptr;
        },
        30000));
    // The call waits for the answer; a second print meanwhile finds the
    // printer busy.
    EXPECT_EQ(refusing.state(), QProcess::Running);
    const ambrel::ConnectionError busy(ambrel::ConnectionError::Case::printerIsBusy);
    const GdbusResult second = call(path, method("Print"), {}, 30);
    EXPECT_TRUE(
        second.error.contains(scriptError + QStringLiteral("8: ") + busy.localizedDescription()))
        << second.error.toStdString();
    for (QAbstractButton* button : question->buttons()) {
        if (question->buttonRole(button) == QMessageBox::RejectRole) {
            button->click();
        }
    }
    ASSERT_TRUE(waitUntil([&] { return refusing.state() == QProcess::NotRunning; }, 30000));
    GdbusResult refused;
    refused.error = QString::fromUtf8(refusing.readAllStandardError());
    const ambrel::ConnectionError notAllowed(
        ambrel::ConnectionError::Case::scriptingPrintIsNotAllowedByUser);
    EXPECT_TRUE(refused.error.contains(scriptError + QStringLiteral("403: ") +
                                       notAllowed.localizedDescription()))
        << refused.error.toStdString();
    EXPECT_TRUE(waitUntil([&] { return !window->runPresenter()->isShowingSheet(); }, 5000));

    // Accepted, without a picture: the connection error's number and text.
    acceptScriptedPrints();
    const GdbusResult failed = call(path, method("Print"), {}, 60);
    const ambrel::ConnectionError noImage(ambrel::ConnectionError::Case::noImageInDocument);
    EXPECT_TRUE(
        failed.error.contains(scriptError + QStringLiteral("3: ") + noImage.localizedDescription()))
        << failed.error.toStdString();
    EXPECT_FALSE(window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet")));
}

// A picture wholly off the canvas: the script gets the error, the simulator
// no job.
TEST_F(ScriptedPrintTest, AScriptedPrintOfAPictureOffTheCanvasAnswersTheErrorAndSendsNothing) {
    startSimulator();
    acceptScriptedPrints();
    const QString path = pathOf(0);
    ASSERT_TRUE(call(path, method("LoadImage"), {loadArgument(quoted(stencilMark()))}).succeeded());
    auto& job = document(0)->job();
    job.setImageSizeWithWidthForDisplay_mm(60);
    job.setImageOffsetBase(ambrel::OffsetBase::topLeft);
    job.setImageOffset_mm({-65, 10});
    ASSERT_LT(job.allImageArea_mm().maxX(), 0);

    const GdbusResult print = call(path, method("Print"), {}, 120);
    EXPECT_FALSE(print.succeeded());
    const ambrel::ConnectionError outside(
        ambrel::ConnectionError::Case::documentImageIsNotInCanvas);
    EXPECT_TRUE(print.error.contains(outside.localizedDescription())) << print.error.toStdString();
    auto* window = kestrom::DocumentWindow::windowFor(document(0));
    EXPECT_FALSE(window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet")));
    EXPECT_FALSE(QDir(m_jobs).exists(QStringLiteral("job-1.png")));
}

// With the defaults of a first launch, a script's print waits for the user:
// the question stands on top of the shown document window until answered,
// and once allowed for good the print goes out and later ones are not asked.
TEST_F(ScriptedPrintTest, WithFirstLaunchDefaultsTheQuestionIsShownOverTheWindowAndAnswered) {
    startSimulator();
    const QString acceptedKey = kestrom::UserDefaultsKeys::scriptingPrintHasBeenAccepted().key();
    ASSERT_FALSE(platform::UserDefaults::standard().boolValue(acceptedKey));
    auto* window = kestrom::DocumentWindow::windowFor(document(0));
    ASSERT_TRUE(window);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    const QString path = pathOf(0);
    ASSERT_TRUE(call(path, method("LoadImage"), {loadArgument(quoted(stencilMark()))}).succeeded());
    ASSERT_TRUE(call(path, method("ScaleImageToFit")).succeeded());

    QProcess printing;
    startPrint(printing, path);
    ASSERT_TRUE(printing.waitForStarted());
    QMessageBox* question = nullptr;
    ASSERT_TRUE(waitUntil(
        [&] {
            question = window->findChild<QMessageBox*>(QStringLiteral("ScriptingAcceptanceAlert"));
            return question && question->isVisible();
        },
        30000));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(question));
    // Modal over this window and on top of every other dialog: the progress
    // sheet opened first must not cover it.
    EXPECT_EQ(QApplication::activeModalWidget(), question);
    EXPECT_EQ(question->windowModality(), Qt::WindowModal);
    ASSERT_TRUE(question->windowHandle());
    // A sheet over the progress sheet, which would otherwise keep the keys.
    ASSERT_TRUE(window->runPresenter()->progressSheet());
    EXPECT_EQ(question->windowHandle()->transientParent(),
              window->runPresenter()->progressSheet()->windowHandle());
    EXPECT_EQ(question->window()->parentWidget()->window()->parentWidget(), window);
    EXPECT_TRUE(window->frameGeometry().contains(question->frameGeometry().center()));
    EXPECT_TRUE(window->runPresenter()->isShowingSheet());
    // The call waits for the user, and nothing reaches the device meanwhile.
    QTest::qWait(500);
    EXPECT_EQ(printing.state(), QProcess::Running);
    const QString first = QDir(m_jobs).filePath(QStringLiteral("job-1.png"));
    EXPECT_FALSE(QFileInfo::exists(first));

    QCheckBox* always = question->checkBox();
    ASSERT_TRUE(always);
    QTest::mouseClick(always, Qt::LeftButton);
    QCoreApplication::processEvents();
    ASSERT_TRUE(always->isChecked());
    QAbstractButton* allow = nullptr;
    for (QAbstractButton* button : question->buttons()) {
        if (question->buttonRole(button) == QMessageBox::AcceptRole) {
            allow = button;
        }
    }
    ASSERT_TRUE(allow);
    QTest::mouseClick(allow, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return printing.state() == QProcess::NotRunning; }, 120000));
    EXPECT_EQ(printing.exitCode(), 0) << printing.readAllStandardError().toStdString();
    EXPECT_TRUE(waitUntil([&] { return QFileInfo::exists(first); }, 10000));
    EXPECT_TRUE(platform::UserDefaults::standard().boolValue(acceptedKey));
    EXPECT_TRUE(waitUntil([&] { return !window->runPresenter()->isShowingSheet(); }, 5000));

    // Allowed for good: the next print is not asked and answers by itself.
    const GdbusResult again = call(path, method("Print"), {}, 120);
    EXPECT_TRUE(again.succeeded()) << again.error.toStdString();
    EXPECT_FALSE(window->findChild<QMessageBox*>(QStringLiteral("ScriptingAcceptanceAlert")));
    EXPECT_TRUE(waitUntil(
        [&] { return QFileInfo::exists(QDir(m_jobs).filePath(QStringLiteral("job-2.png"))); },
        10000));
}

// The program as a user starts it, offscreen, answers on the session bus.
TEST(ScriptingProgramTest, TheRunningProgramAnswersOnTheSessionBus) {
    QTemporaryDir folder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                       folder.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), folder.filePath(QStringLiteral("data")));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(LUNVIK_PROGRAM), {});
    ASSERT_TRUE(program.waitForStarted());

    const auto gdbus = [](const QStringList& arguments) {
        QProcess call;
        call.start(QStringLiteral("gdbus"),
                   QStringList{QStringLiteral("call"), QStringLiteral("--session"),
                               QStringLiteral("--dest"), ScriptingService::serviceName} +
                       arguments);
        call.waitForFinished(30000);
        return std::pair(call.exitCode(), QString::fromUtf8(call.readAllStandardOutput() +
                                                            call.readAllStandardError()));
    };
    const QStringList listDocuments{QStringLiteral("--object-path"),
                                    ScriptingService::applicationPath,
                                    QStringLiteral("--method"),
                                    QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                                    ScriptingService::applicationInterface,
                                    QStringLiteral("documents")};
    std::pair<int, QString> listed;
    QElapsedTimer timer;
    timer.start();
    do {
        listed = gdbus(listDocuments);
    } while ((listed.first != 0 || !listed.second.contains(QStringLiteral("Document/"))) &&
             timer.elapsed() < 20000 && program.state() == QProcess::Running);
    ASSERT_EQ(listed.first, 0) << listed.second.toStdString();
    const QString path = listed.second.section(u'\'', 1, 1);

    const auto renamed = gdbus({QStringLiteral("--object-path"), path, QStringLiteral("--method"),
                                QStringLiteral("org.freedesktop.DBus.Properties.Set"),
                                ScriptingTest::documentInterface, QStringLiteral("modelName"),
                                QStringLiteral("<'foo'>")});
    EXPECT_NE(renamed.first, 0);
    EXPECT_TRUE(renamed.second.contains(ScriptingTest::scriptError +
                                        QStringLiteral("8984: Invalid model name.")))
        << renamed.second.toStdString();
    EXPECT_EQ(program.state(), QProcess::Running);
    program.terminate();
    program.waitForFinished();
}
