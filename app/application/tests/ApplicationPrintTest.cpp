#include "app/application/Application.h"
#include "app/simulator/TavrinSimulatorUsb.h"
#include "app/tavrin/TavrinDeviceConnection.h"
#include "app/tests/TavrinTestSupport.h"
#include "core/canvas/GridView.h"
#include "core/canvas/GridViewController.h"
#include "core/canvas/GridViewImageView.h"
#include "core/document/application/ImageImport.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/document/package/DocumentPackage.h"
#include "core/document/package/DocumentWorkQueue.h"
#include "core/launch/AppDelegate.h"
#include "core/window/CompletionAlert.h"
#include "core/window/DocumentWindow.h"
#include "core/window/MoviePlayer.h"
#include "core/window/WindowRunPresenter.h"
#include "model/errors/ConnectionError.h"
#include "model/pictures/FullDecode.h"
#include "platform/Bundle.h"
#include "platform/Progress.h"
#include "platform/UserDefaults.h"
#include "platform/graphics/ImageLimits.h"
#include "platform/tests/support/TestPictures.h"
#include "platform/usb/SocketUsbHost.h"

#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

using kestrom::PrintJobDocument;

namespace {

bool waitUntil(const std::function<bool()>& condition, int milliseconds) {
    return QTest::qWaitFor(condition, milliseconds);
}

// The simulator program on a socket of its own, with the application's USB
// pointed at it and the stencil plug-in registered.
class ApplicationPrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        socket = folder.filePath(QStringLiteral("stencil.sock"));
        jobs = folder.filePath(QStringLiteral("jobs"));
        simulator.start(
            QStringLiteral(LUNVIK_SIMULATOR),
            QStringList{QStringLiteral("--socket"), socket, QStringLiteral("--png-dir"), jobs} +
                simulatorOptions());
        ASSERT_TRUE(simulator.waitForStarted());
        ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(socket); }, 10000));
        qputenv(platform::SocketUsbHost::environmentVariable, QFile::encodeName(socket));
        platform::UserDefaults::setStandardFilePath(
            folder.filePath(QStringLiteral("defaults.plist")));
        lunvik::Application::registerDevicePlugin(
            platform::Bundle::named(QStringLiteral("RegionWorldwide")));
    }

    // Faults the simulator program plays.
    virtual QStringList simulatorOptions() const { return {}; }

    void TearDown() override {
        simulator.terminate();
        simulator.waitForFinished();
    }

    // Prints the delegate's current document from its menu and waits for
    // the simulator's picture of the job, the given one of its run.
    QImage printFromMenu(kestrom::AppDelegate& delegate, PrintJobDocument* document,
                         int jobNumber = 1) {
        delegate.printDocument();
        const QString printed = QDir(jobs).filePath(QStringLiteral("job-%1.png").arg(jobNumber));
        auto* window = kestrom::DocumentWindow::windowFor(document);
        EXPECT_TRUE(window);
        if (!window) {
            return {};
        }
        EXPECT_TRUE(waitUntil(
            [&] {
                return window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet")) ||
                       window->findChild<kestrom::CompletionAlert*>();
            },
            60000));
        if (auto* error = window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet"))) {
            ADD_FAILURE() << error->text().toStdString();
            return {};
        }
        // The file may be there before the simulator has written all of it.
        // A large picture's job is more than Qt's reader reads by default.
        platform::ImageLimits::applyToImageReader();
        QImage picture;
        EXPECT_TRUE(waitUntil(
            [&] {
                picture = QImage(printed);
                return !picture.isNull();
            },
            10000));
        return picture.convertToFormat(QImage::Format_Grayscale8);
    }

    // The picture a simulated device on the in-memory bus makes of the task.
    static QImage expectedPicture(const ambrel::PrintTask& task) {
        lunvik::TavrinSimulatorUsb usb;
        lunvik::TavrinDeviceConnection connection(task.deviceDescriptor(), task.transportType());
        connection.print(task, std::make_shared<platform::Progress>());
        EXPECT_EQ(usb.device().jobs().size(), 1);
        if (usb.device().jobs().isEmpty()) {
            return {};
        }
        return usb.device().jobs().first().picture().convertToFormat(QImage::Format_Grayscale8);
    }

    static qint64 blackPixels(const QImage& picture) {
        qint64 black = 0;
        for (int y = 0; y < picture.height(); ++y) {
            const uchar* row = picture.constScanLine(y);
            black += std::count(row, row + picture.width(), uchar(0));
        }
        return black;
    }

    static ambrel::OriginalImage::Pointer stencilMark() {
        return ambrel::OriginalImage::fromContentsOfURL(
            QUrl::fromLocalFile(QStringLiteral(LUNVIK_STENCIL_MARK)));
    }

    // A new document of the delegate showing the stencil mark at the width.
    static PrintJobDocument* newMarkDocument(kestrom::AppDelegate& delegate, double width_mm) {
        delegate.newDocument();
        auto* document =
            qobject_cast<PrintJobDocument*>(delegate.documentController()->documents().first());
        if (document) {
            document->job().setOriginalImage(stencilMark());
            document->job().setImageSizeWithWidthForDisplay_mm(width_mm);
        }
        return document;
    }

    QTemporaryDir folder;
    QString socket;
    QString jobs;
    QProcess simulator;
};

} // namespace

// The whole road of a print: a document of the application, printed from
// its menu, reaches the simulator program over its socket as the device
// would image it.
TEST_F(ApplicationPrintTest, APrintedDocumentReachesTheSimulatorProgramPixelForPixel) {
    kestrom::AppDelegate delegate;
    delegate.applicationWillFinishLaunching();
    delegate.newDocument();
    auto* document =
        qobject_cast<PrintJobDocument*>(delegate.documentController()->documents().first());
    ASSERT_TRUE(document);
    document->job().setOriginalImage(stencilMark());
    ASSERT_TRUE(document->job().originalImage());
    document->job().setImageSizeWithWidthForDisplay_mm(60);
    const ambrel::PrintTask task = document->makePrintTask();

    const QImage received = printFromMenu(delegate, document);
    const QImage expected = expectedPicture(task);
    ASSERT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected);
    // The picture left its black marks.
    EXPECT_GT(blackPixels(received), 1000);
}

namespace {

// The distinct colours of a picture, up to 64.
int colourCount(const QImage& picture) {
    QSet<QRgb> colours;
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height() && colours.size() < 64; y += 4) {
        const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); x += 4) {
            colours.insert(row[x]);
        }
    }
    return int(colours.size());
}

} // namespace

// After a print to the simulator program, the stencil model's completion
// alert plays the plug-in's movie at once in a 640 x 360 player; closing
// the alert stops it.
TEST_F(ApplicationPrintTest, TheCompletionAlertPlaysTheModelsMovie) {
    if (!kestrom::CompletionAlert::canPlayMovies()) {
        GTEST_SKIP() << "built without Qt Multimedia: the alert shows its texts only";
    }
    kestrom::AppDelegate delegate;
    delegate.applicationWillFinishLaunching();
    delegate.newDocument();
    auto* document =
        qobject_cast<PrintJobDocument*>(delegate.documentController()->documents().first());
    ASSERT_TRUE(document);
    ASSERT_TRUE(document->job().deviceDescriptor()->completionAlertInfo());
    ASSERT_TRUE(document->job().deviceDescriptor()->completionAlertInfo()->videoFileUrl);
    document->job().setOriginalImage(stencilMark());
    document->job().setImageSizeWithWidthForDisplay_mm(40);
    ASSERT_FALSE(printFromMenu(delegate, document).isNull());

    QPointer<kestrom::CompletionAlert> alert =
        kestrom::DocumentWindow::windowFor(document)->findChild<kestrom::CompletionAlert*>();
    ASSERT_TRUE(alert);
    ASSERT_TRUE(alert->movieView());
    EXPECT_EQ(alert->movieView()->size(), QSize(640, 360));
    EXPECT_TRUE(alert->movieView()->isVisible());
    // Playing, and its position moves on.
    ASSERT_TRUE(waitUntil(
        [&] {
            return !alert->movieError().isEmpty() ||
                   (alert->isMoviePlaying() && alert->moviePosition() > 0);
        },
        20000))
        << "state " << alert->isMoviePlaying() << " at " << alert->moviePosition() << " ms";
    ASSERT_EQ(alert->movieError(), QString()) << alert->movieError().toStdString();
    const qint64 first = alert->moviePosition();
    EXPECT_TRUE(waitUntil([&] { return alert->moviePosition() >= first + 400; }, 20000))
        << "from " << first << " to " << alert->moviePosition() << " ms";
    EXPECT_TRUE(alert->isMoviePlaying());
    // Its pictures are decoded: the drawn movie has many colours.
    EXPECT_TRUE(waitUntil([&] { return colourCount(alert->currentMovieFrame()) >= 16; }, 10000));
    EXPECT_EQ(alert->currentMovieFrame().size(), QSize(640, 360));

    // The alert goes once the event loop turns; until then its player is
    // still there to ask.
    QTest::mouseClick(alert->okButton(), Qt::LeftButton);
    ASSERT_TRUE(alert);
    EXPECT_FALSE(alert->isMoviePlaying());
    EXPECT_TRUE(waitUntil([&] { return alert.isNull(); }, 10000));
}

namespace {

// Holds the movie player's loading, which runs on a thread of its own, until
// released; it then fails, as a module that cannot be loaded does, or goes
// on. Lets it go on at the latest when destroyed, so the application's end
// never waits for it.
class HeldMoviePlayerLoading {
public:
    HeldMoviePlayerLoading() {
        // The loading thread holds the state, which may outlive the test.
        kestrom::MoviePlayer::setPreparationHookForTesting([state = m_state] {
            std::unique_lock lock(state->mutex);
            state->loadingThread = std::this_thread::get_id();
            state->entered = true;
            state->changed.notify_all();
            state->changed.wait(lock, [&state] { return state->released; });
            return state->loads;
        });
    }
    ~HeldMoviePlayerLoading() {
        release(true);
        kestrom::MoviePlayer::setPreparationHookForTesting({});
    }

    void release(bool loads) {
        std::lock_guard lock(m_state->mutex);
        if (!m_state->released) {
            m_state->released = true;
            m_state->loads = loads;
        }
        m_state->changed.notify_all();
    }
    bool isEntered() const {
        std::lock_guard lock(m_state->mutex);
        return m_state->entered;
    }
    std::thread::id loadingThread() const {
        std::lock_guard lock(m_state->mutex);
        return m_state->loadingThread;
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        bool entered = false;
        bool released = false;
        bool loads = true;
        std::thread::id loadingThread;
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

} // namespace

// The first alert of a process shows at once, its movie's place empty,
// while the movie player's module loads on a thread of its own: the main
// thread goes on turning and never waits for it. Once loaded, the movie
// plays in that place.
TEST_F(ApplicationPrintTest, TheFirstAlertShowsWhileItsMoviePlayerLoadsOffTheMainThread) {
    if (!kestrom::CompletionAlert::canPlayMovies()) {
        GTEST_SKIP() << "built without Qt Multimedia: the alert shows its texts only";
    }
    if (kestrom::MoviePlayer::isPrepared()) {
        GTEST_SKIP() << "the movie player was loaded earlier in this process";
    }
    HeldMoviePlayerLoading loading;
    kestrom::AppDelegate delegate;
    delegate.applicationWillFinishLaunching();
    auto* document = newMarkDocument(delegate, 40);
    ASSERT_TRUE(document);
    ASSERT_FALSE(printFromMenu(delegate, document).isNull());

    QPointer<kestrom::CompletionAlert> alert =
        kestrom::DocumentWindow::windowFor(document)->findChild<kestrom::CompletionAlert*>();
    ASSERT_TRUE(alert);
    EXPECT_TRUE(alert->isVisible());
    ASSERT_TRUE(alert->movieView());
    EXPECT_TRUE(alert->movieView()->isVisible());
    EXPECT_EQ(alert->movieView()->size(), QSize(640, 360));
    EXPECT_FALSE(alert->isMoviePlaying());
    EXPECT_TRUE(alert->currentMovieFrame().isNull());
    // Loading, held, on a thread that is not the main thread, which turns.
    ASSERT_TRUE(waitUntil([&] { return loading.isEntered(); }, 10000));
    EXPECT_NE(loading.loadingThread(), std::this_thread::get_id());
    EXPECT_FALSE(kestrom::MoviePlayer::isPrepared());
    bool turned = false;
    QTimer::singleShot(0, [&turned] { turned = true; });
    EXPECT_TRUE(waitUntil([&] { return turned; }, 10000));
    EXPECT_TRUE(alert->isVisible());

    loading.release(true);
    ASSERT_TRUE(waitUntil(
        [&] {
            return !alert->movieError().isEmpty() ||
                   (alert->isMoviePlaying() && alert->moviePosition() > 0);
        },
        20000));
    ASSERT_EQ(alert->movieError(), QString()) << alert->movieError().toStdString();
    EXPECT_TRUE(kestrom::MoviePlayer::isPrepared());
    EXPECT_TRUE(waitUntil([&] { return colourCount(alert->currentMovieFrame()) >= 16; }, 10000));
    EXPECT_EQ(alert->movieView()->size(), QSize(640, 360));
    QTest::mouseClick(alert->okButton(), Qt::LeftButton);
    EXPECT_FALSE(alert->isMoviePlaying());
    EXPECT_TRUE(waitUntil([&] { return alert.isNull(); }, 10000));
}

// An alert closed as its movie starts, while the movie is still loading,
// closes at once: its player goes without the main thread waiting for the
// media back end, which is let go on later turns of the event loop. The
// next alert plays its movie again; one closed as the test ends leaves its
// back end to the application's end.
TEST_F(ApplicationPrintTest, AnAlertClosedAsItsMovieStartsClosesWithoutWaitingForIt) {
    if (!kestrom::CompletionAlert::canPlayMovies()) {
        GTEST_SKIP() << "built without Qt Multimedia: the alert shows its texts only";
    }
    kestrom::AppDelegate delegate;
    delegate.applicationWillFinishLaunching();
    auto* document = newMarkDocument(delegate, 40);
    ASSERT_TRUE(document);
    auto* window = kestrom::DocumentWindow::windowFor(document);
    ASSERT_FALSE(printFromMenu(delegate, document).isNull());
    QPointer<kestrom::CompletionAlert> alert = window->findChild<kestrom::CompletionAlert*>();
    ASSERT_TRUE(alert);
    // The movie has started: its player is made and asked to play.
    ASSERT_TRUE(waitUntil([&] { return alert->isMoviePlaying(); }, 20000));
    ASSERT_EQ(kestrom::MoviePlayer::lettingGoCount(), 0);

    // A turn of the event loop asked for before the close comes while the
    // closed player's back end is still being let go.
    int lettingGoAtTheTurn = -1;
    QTimer::singleShot(
        0, [&lettingGoAtTheTurn] { lettingGoAtTheTurn = kestrom::MoviePlayer::lettingGoCount(); });
    QTest::mouseClick(alert->okButton(), Qt::LeftButton);
    EXPECT_FALSE(alert->isVisible());
    EXPECT_FALSE(alert->isMoviePlaying());
    EXPECT_EQ(kestrom::MoviePlayer::lettingGoCount(), 1);
    ASSERT_TRUE(waitUntil([&] { return lettingGoAtTheTurn >= 0; }, 10000));
    EXPECT_EQ(lettingGoAtTheTurn, 1);
    EXPECT_TRUE(waitUntil([] { return kestrom::MoviePlayer::lettingGoCount() == 0; }, 30000));
    EXPECT_TRUE(waitUntil([&] { return alert.isNull(); }, 10000));

    // The next alert plays its movie.
    ASSERT_FALSE(printFromMenu(delegate, document, 2).isNull());
    alert = window->findChild<kestrom::CompletionAlert*>();
    ASSERT_TRUE(alert);
    ASSERT_TRUE(waitUntil(
        [&] {
            return !alert->movieError().isEmpty() ||
                   (alert->isMoviePlaying() && alert->moviePosition() > 0);
        },
        20000));
    ASSERT_EQ(alert->movieError(), QString()) << alert->movieError().toStdString();
    EXPECT_TRUE(waitUntil([&] { return colourCount(alert->currentMovieFrame()) >= 16; }, 10000));

    // Closed as it plays, and the test ends before its back end is let go.
    QTest::mouseClick(alert->okButton(), Qt::LeftButton);
    EXPECT_FALSE(alert->isMoviePlaying());
    EXPECT_EQ(kestrom::MoviePlayer::lettingGoCount(), 1);
}

// Should the movie player's module not load, the alert that waited for it
// keeps its texts and its button, without the movie's place; an alert closed
// before the module loaded starts no movie afterwards.
TEST_F(ApplicationPrintTest, AnAlertWhoseMoviePlayerCannotLoadKeepsItsTextsAlone) {
    if (!kestrom::CompletionAlert::canPlayMovies()) {
        GTEST_SKIP() << "built without Qt Multimedia: the alert shows its texts only";
    }
    if (kestrom::MoviePlayer::isPrepared()) {
        GTEST_SKIP() << "the movie player was loaded earlier in this process";
    }
    HeldMoviePlayerLoading loading;
    kestrom::AppDelegate delegate;
    delegate.applicationWillFinishLaunching();
    auto* document = newMarkDocument(delegate, 40);
    ASSERT_TRUE(document);
    auto* window = kestrom::DocumentWindow::windowFor(document);

    // Closed while the module is held: nothing plays once it is let go.
    ASSERT_FALSE(printFromMenu(delegate, document).isNull());
    QPointer<kestrom::CompletionAlert> closed = window->findChild<kestrom::CompletionAlert*>();
    ASSERT_TRUE(closed);
    ASSERT_TRUE(closed->movieView());
    QTest::mouseClick(closed->okButton(), Qt::LeftButton);
    EXPECT_TRUE(waitUntil([&] { return closed.isNull(); }, 10000));

    // A second print's alert while it is still held; then the module fails.
    ASSERT_FALSE(printFromMenu(delegate, document, 2).isNull());
    QPointer<kestrom::CompletionAlert> alert = window->findChild<kestrom::CompletionAlert*>();
    ASSERT_TRUE(alert);
    ASSERT_TRUE(alert->movieView());
    loading.release(false);
    ASSERT_TRUE(waitUntil([&] { return alert->movieView() == nullptr; }, 20000));
    EXPECT_TRUE(kestrom::MoviePlayer::isPrepared());
    EXPECT_TRUE(alert->isVisible());
    EXPECT_FALSE(alert->isMoviePlaying());
    EXPECT_EQ(alert->movieError(), QString());
    EXPECT_TRUE(alert->findChild<QLabel*>(QStringLiteral("message"))->isVisible());
    EXPECT_LT(alert->height(), 360);

    // A later alert knows at once: texts alone from the start.
    QTest::mouseClick(alert->okButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return alert.isNull(); }, 10000));
    ASSERT_FALSE(printFromMenu(delegate, document, 3).isNull());
    alert = window->findChild<kestrom::CompletionAlert*>();
    ASSERT_TRUE(alert);
    EXPECT_FALSE(alert->movieView());
    QTest::mouseClick(alert->okButton(), Qt::LeftButton);
    EXPECT_TRUE(waitUntil([&] { return alert.isNull(); }, 10000));
}

// A saved package given on the command line opens in its window and prints
// as the job that was saved.
TEST_F(ApplicationPrintTest, ASavedPackageOpenedAtStartPrintsAsTheJobThatWasSaved) {
    const QString package = folder.filePath(QStringLiteral("Mark.lunvik"));
    ambrel::PrintTask saved = [&] {
        kestrom::PrintJobDocument job;
        job.job().setOriginalImage(stencilMark());
        job.job().setImageSizeWithWidthForDisplay_mm(45);
        job.job().setImageRepeatXCount(2);
        kestrom::DocumentPackage::write(job.job(), package);
        return job.makePrintTask();
    }();

    kestrom::AppDelegate delegate;
    delegate.applicationWillFinishLaunching();
    delegate.applicationDidFinishLaunching({package});
    kestrom::DocumentController* controller = delegate.documentController();
    ASSERT_TRUE(waitUntil([&] { return !controller->documents().isEmpty(); }, 10000));
    ASSERT_EQ(controller->documents().size(), 1);
    auto* document = qobject_cast<PrintJobDocument*>(controller->documents().first());
    ASSERT_TRUE(document);
    EXPECT_EQ(document->filePath(), package);
    EXPECT_FALSE(document->isEdited());
    ASSERT_TRUE(kestrom::DocumentWindow::windowFor(document));
    EXPECT_TRUE(kestrom::DocumentWindow::windowFor(document)->isVisible());

    const QImage received = printFromMenu(delegate, document);
    const QImage expected = expectedPicture(saved);
    ASSERT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected);
    EXPECT_GT(blackPixels(received), 1000);
}

// A picture moved wholly off the canvas would expose a blank screen: the
// print is refused with the error sheet and the simulator gets no job; a
// picture partly off still prints what lies on the canvas.
TEST_F(ApplicationPrintTest, APictureWhollyOffTheCanvasIsRefusedAndOnePartlyOffPrints) {
    kestrom::AppDelegate delegate;
    delegate.applicationWillFinishLaunching();
    delegate.newDocument();
    auto* document =
        qobject_cast<PrintJobDocument*>(delegate.documentController()->documents().first());
    ASSERT_TRUE(document);
    auto& job = document->job();
    job.setOriginalImage(stencilMark());
    job.setImageSizeWithWidthForDisplay_mm(60);
    job.setImageOffsetBase(ambrel::OffsetBase::topLeft);
    ASSERT_TRUE(job.canvas());
    // 60 mm wide, ending a millimetre before the left edge.
    job.setImageOffset_mm({-61, 10});
    ASSERT_LT(job.allImageArea_mm().maxX(), 0);

    delegate.printDocument();
    auto* window = kestrom::DocumentWindow::windowFor(document);
    ASSERT_TRUE(window);
    QMessageBox* error = nullptr;
    ASSERT_TRUE(waitUntil(
        [&] {
            error = window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet"));
            return error != nullptr || window->findChild<kestrom::CompletionAlert*>();
        },
        60000));
    ASSERT_TRUE(error);
    const ambrel::ConnectionError outside(
        ambrel::ConnectionError::Case::documentImageIsNotInCanvas);
    EXPECT_EQ(outside.localizedDescription(),
              QStringLiteral("The picture lies outside the printable area."));
    EXPECT_TRUE(error->text().contains(outside.localizedDescription()))
        << error->text().toStdString();
    EXPECT_FALSE(window->findChild<kestrom::CompletionAlert*>());
    const QPointer<QMessageBox> sheet = error;
    error->accept();
    ASSERT_TRUE(
        waitUntil([&] { return !sheet && !window->runPresenter()->isShowingSheet(); }, 10000));

    // Half of it over the right edge.
    job.setImageOffset_mm({job.canvas()->size_mm().width - 30, 10});
    const ambrel::PrintTask task = document->makePrintTask();
    const QImage received = printFromMenu(delegate, document, 1);
    const QImage expected = expectedPicture(task);
    ASSERT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected);
    EXPECT_GT(blackPixels(received), 100);
    // The refused print left no job of its own before this one.
    EXPECT_FALSE(QFileInfo::exists(QDir(jobs).filePath(QStringLiteral("job-2.png"))));
}

namespace {

// The plug-in's model with the widening of black no longer offered, for the
// print as it was before the widening existed.
std::shared_ptr<const ambrel::DeviceDescriptor> withoutWidening(const QString& modelName) {
    const platform::Bundle* bundle = lunvik::TavrinConnect::pluginBundle();
    QJsonArray models =
        QJsonDocument::fromJson(
            bundle->dataForResource(QStringLiteral("VAZModelInfos"), QStringLiteral("json"))
                .value_or(QByteArray()))
            .array();
    for (qsizetype i = 0; i < models.size(); ++i) {
        QJsonObject model = models.at(i).toObject();
        if (model.value(QStringLiteral("modelName")).toString() == modelName) {
            QJsonObject infos = model.value(QStringLiteral("additionalInfos")).toObject();
            QJsonObject conversion = infos.value(QStringLiteral("BlackConversion")).toObject();
            conversion.insert(QStringLiteral("threshold"),
                              QJsonObject{{QStringLiteral("isExpansionAvailable"), false}});
            infos.insert(QStringLiteral("BlackConversion"), conversion);
            model.insert(QStringLiteral("additionalInfos"), infos);
            const auto descriptors = ambrel::DeviceDescriptor::deviceDescriptors(
                QJsonDocument(QJsonArray{model}).toJson(), bundle);
            return descriptors.isEmpty() ? nullptr : descriptors.first();
        }
    }
    return nullptr;
}

} // namespace

// Widen black reaches the device the same way through the application and the
// simulator program's socket as on the in-memory bus, and level 0 prints as
// the model did before it offered the widening.
TEST_F(ApplicationPrintTest, WidenedBlackReachesTheSimulatorProgramAsOnTheInMemoryDevice) {
    kestrom::AppDelegate delegate;
    delegate.applicationWillFinishLaunching();
    const auto model = tavrin_test::pluginModel(QStringLiteral("Tavrin a4"));
    ASSERT_TRUE(model);
    const auto plain = withoutWidening(model->modelName());
    ASSERT_TRUE(plain);

    QMap<qint64, QImage> received;
    int jobNumber = 0;
    for (const qint64 level : {qint64(0), qint64(-5), qint64(5)}) {
        SCOPED_TRACE(level);
        delegate.newDocument();
        auto* document =
            qobject_cast<PrintJobDocument*>(delegate.documentController()->documents().last());
        ASSERT_TRUE(document);
        delegate.documentController()->setCurrentDocument(document);
        document->job().setDeviceDescriptor(model);
        // The smallest canvas keeps the job short.
        for (const auto& canvas : model->canvases()) {
            if (canvas->identifier() == QStringLiteral("Postcard")) {
                document->job().setCanvas(canvas);
            }
        }
        ASSERT_EQ(document->job().canvas()->identifier(), QStringLiteral("Postcard"));
        const QImage lines = tavrin_test::thinLines();
        document->job().setOriginalImage(ambrel::OriginalImage::fromImage(lines, {}, {}, 1));
        // One picture pixel to one dot, so that its lines are one dot thin.
        document->job().setImageSizeWithWidthForDisplay_mm(model->dpi().mm(lines.width()));
        document->job().setBlackConversionType(ambrel::BlackConversionType::threshold);
        document->job().setValueForKeyPath(
            QStringLiteral("blackConversionOptions.threshold.expansionLevel"), level);
        const ambrel::PrintTask task = document->makePrintTask();

        received[level] = printFromMenu(delegate, document, ++jobNumber);
        const QImage expected = expectedPicture(task);
        ASSERT_EQ(received[level].size(), expected.size());
        EXPECT_TRUE(received[level] == expected);
        EXPECT_GT(blackPixels(received[level]), 1000);

        if (level == 0) {
            const ambrel::PrintTask before(
                plain, plain->canvases().at(model->canvases().indexOf(task.canvas())),
                task.transportType(), task.imageSource(), task.deviceSettingValues());
            const QImage unwidened = expectedPicture(before);
            ASSERT_EQ(received[level].size(), unwidened.size());
            EXPECT_TRUE(received[level] == unwidened);
        }
    }
    // The levels changed the print: more black widened, less narrowed.
    EXPECT_GT(blackPixels(received[5]), blackPixels(received[0]));
    EXPECT_LT(blackPixels(received[-5]), blackPixels(received[0]));
}

namespace {

// A simulator program that drops off the bus once 100,000 column bytes of a
// job have arrived.
class ApplicationPrintDeviceLostTest : public ApplicationPrintTest {
protected:
    QStringList simulatorOptions() const override {
        return {QStringLiteral("--fail-after-column-bytes"), QStringLiteral("100000")};
    }
};

} // namespace

// A device lost while the columns go out: the sheet tells how far the job got,
// that the screen is spoiled and what to do, not merely that no device is
// connected.
TEST_F(ApplicationPrintDeviceLostTest,
       TheErrorSaysTheJobWasInterruptedAndTheScreenIsPartlyExposed) {
    kestrom::AppDelegate delegate;
    delegate.applicationWillFinishLaunching();
    delegate.newDocument();
    auto* document =
        qobject_cast<PrintJobDocument*>(delegate.documentController()->documents().first());
    ASSERT_TRUE(document);
    document->job().setOriginalImage(stencilMark());
    document->job().setImageSizeWithWidthForDisplay_mm(60);
    const qint64 columnCount = document->job().deviceDescriptor()->dpi().imagePx(
        document->job().canvas()->size_mm().height);
    const qint64 columnBytes = document->job().deviceDescriptor()->headDotCount() / 8;

    delegate.printDocument();
    auto* window = kestrom::DocumentWindow::windowFor(document);
    ASSERT_TRUE(window);
    QMessageBox* sheet = nullptr;
    ASSERT_TRUE(waitUntil(
        [&] {
            sheet = window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet"));
            return sheet != nullptr;
        },
        60000));
    EXPECT_FALSE(window->findChild<kestrom::CompletionAlert*>());
    const QString text = sheet->text();
    const QRegularExpression sent(QStringLiteral("after (\\d+) of (\\d+) columns"));
    const auto match = sent.match(text);
    ASSERT_TRUE(match.hasMatch()) << text.toStdString();
    EXPECT_EQ(match.captured(2).toLongLong(), columnCount);
    // The socket takes bytes before the program reads them: the count is
    // what left the application, at least what the device took.
    EXPECT_GE(match.captured(1).toLongLong() * columnBytes, 100000 - 3200);
    EXPECT_LT(match.captured(1).toLongLong(), columnCount);
    EXPECT_TRUE(text.contains(QStringLiteral("partly exposed and probably spoiled")))
        << text.toStdString();
    EXPECT_TRUE(sheet->informativeText().contains(QStringLiteral("load a new one")))
        << sheet->informativeText().toStdString();
    EXPECT_FALSE(QFileInfo::exists(QDir(jobs).filePath(QStringLiteral("job-1.png"))));
}

namespace {

// A 3000 x 2000 photo-like JPEG, many times the canvas's size.
QByteArray largePhotoJpeg() {
    QImage image(3000, 2000, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            row[x] = qRgb(x * 255 / 3000, y * 255 / 2000, ((x / 50 + y / 50) % 2) * 200);
        }
    }
    return testpictures::encode(image, "jpeg", 90);
}

QString writeFile(const QTemporaryDir& folder, const QString& name, const QByteArray& bytes) {
    const QString path = folder.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

// Drops the file on the window's canvas, as the user does.
void drop(kestrom::DocumentWindow& window, const QString& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    window.gridViewController()->imageImport()->setImageWithPasteboard(&data);
}

// A new document of the launched application, shown in its window.
void openNewDocument(kestrom::AppDelegate& delegate, PrintJobDocument*& document,
                     kestrom::DocumentWindow*& window) {
    delegate.applicationWillFinishLaunching();
    delegate.newDocument();
    document = qobject_cast<PrintJobDocument*>(delegate.documentController()->documents().first());
    ASSERT_TRUE(document);
    window = kestrom::DocumentWindow::windowFor(document);
    ASSERT_TRUE(window);
    window->show();
    QTest::qWait(50);
}

bool everyTileShown(const kestrom::GridViewImageView& view) {
    return !view.tileViews().isEmpty() &&
           std::all_of(view.tileViews().begin(), view.tileViews().end(),
                       [](const auto& tile) { return !tile.contents.isNull(); });
}

} // namespace

// A large photo dropped on the window shows at once from a decode at the
// canvas's size while its whole pixels are still being decoded; a print
// started then waits for them and reaches the simulator program exactly as
// the picture decoded whole prints; the whole preview replaces the first.
TEST_F(ApplicationPrintTest, ALargePhotoShowsBeforeItsWholeDecodeAndPrintsItsWholePixels) {
    std::promise<void> releasePromise;
    std::shared_future<void> released = releasePromise.get_future().share();
    std::atomic<bool> held = false;
    ambrel::FullDecode::setHookForTesting([&] {
        held = true;
        released.wait();
        return true;
    });
    std::once_flag releasedOnce;
    const auto release = [&] { std::call_once(releasedOnce, [&] { releasePromise.set_value(); }); };
    std::thread releaser;
    const auto restore = qScopeGuard([&] {
        release();
        if (releaser.joinable()) {
            releaser.join();
        }
        kestrom::DocumentWorkQueue::waitForDone();
        ambrel::FullDecode::setHookForTesting({});
    });

    kestrom::AppDelegate delegate;
    PrintJobDocument* document = nullptr;
    kestrom::DocumentWindow* window = nullptr;
    ASSERT_NO_FATAL_FAILURE(openNewDocument(delegate, document, window));
    auto* imageView = window->gridView()->imageView();
    const QByteArray bytes = largePhotoJpeg();
    const QString path = writeFile(folder, QStringLiteral("photo.jpg"), bytes);

    drop(*window, path);
    ASSERT_TRUE(waitUntil(
        [&] {
            return document->job().originalImage() && imageView->showsScaledDecode() &&
                   everyTileShown(*imageView);
        },
        20000));
    const auto picture = document->job().originalImage();
    EXPECT_TRUE(held);
    EXPECT_FALSE(picture->isFullyDecoded());
    EXPECT_EQ(picture->imageOriginalSizeInfo(), ambrel::OriginalSizeInfo::px({3000, 2000}));
    EXPECT_EQ(picture->data(), bytes);

    // Printed while the whole pixels are still held back.
    releaser = std::thread([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        release();
    });
    const QImage received = printFromMenu(delegate, document);
    EXPECT_TRUE(picture->isFullyDecoded());
    ASSERT_TRUE(waitUntil(
        [&] {
            return !imageView->showsScaledDecode() && !imageView->hasPendingDrawing() &&
                   everyTileShown(*imageView);
        },
        10000));

    const auto whole = ambrel::OriginalImage::fromData(bytes, QUrl::fromLocalFile(path));
    document->job().setOriginalImage(whole);
    const QImage expected = expectedPicture(document->makePrintTask());
    ASSERT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected);
    EXPECT_GT(blackPixels(received), 1000);
}

// A large JPEG cut short is no picture on either road: the same error, the
// document's picture kept, and no crash.
TEST_F(ApplicationPrintTest, ATruncatedLargePhotoGivesTheSameErrorAsBefore) {
    kestrom::AppDelegate delegate;
    PrintJobDocument* document = nullptr;
    kestrom::DocumentWindow* window = nullptr;
    ASSERT_NO_FATAL_FAILURE(openNewDocument(delegate, document, window));
    const QByteArray bytes = largePhotoJpeg();
    const QString path = writeFile(folder, QStringLiteral("cut.jpg"), bytes.left(bytes.size() / 2));

    const auto errorText = [&] {
        QMessageBox* sheet = nullptr;
        EXPECT_TRUE(waitUntil(
            [&] { return (sheet = window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet"))); },
            20000));
        if (!sheet) {
            return QString();
        }
        const QString text = sheet->text() + QLatin1Char('\n') + sheet->informativeText();
        sheet->done(QMessageBox::Ok);
        sheet->deleteLater();
        QTest::qWait(50);
        return text;
    };
    drop(*window, path);
    const QString quickRoad = errorText();
    EXPECT_FALSE(document->job().originalImage());

    window->gridViewController()->imageImport()->setQuickDecodeBound({});
    drop(*window, path);
    const QString wholeRoad = errorText();
    EXPECT_FALSE(quickRoad.isEmpty());
    EXPECT_EQ(quickRoad, wholeRoad);
    EXPECT_TRUE(quickRoad.contains(QStringLiteral("cut.jpg"))) << quickRoad.toStdString();
    EXPECT_FALSE(document->job().originalImage());
}
