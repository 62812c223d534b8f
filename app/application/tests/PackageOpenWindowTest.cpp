#include "app/application/Application.h"
#include "core/canvas/GridView.h"
#include "core/canvas/GridViewImageView.h"
#include "core/document/application/DocumentController.h"
#include "core/document/application/ImageImport.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/document/package/DocumentPackage.h"
#include "core/document/package/DocumentSettings.h"
#include "core/document/package/DocumentWorkQueue.h"
#include "core/document/package/PackageReadAhead.h"
#include "core/launch/AppDelegate.h"
#include "core/scripting/ScriptingService.h"
#include "core/window/DocumentWindow.h"
#include "model/pictures/FullDecode.h"
#include "platform/Bundle.h"
#include "platform/Error.h"
#include "platform/FirstFrameGate.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "platform/graphics/ImageDecoder.h"
#include "platform/graphics/OrientedImageCache.h"
#include "platform/tests/support/TestPictures.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QtMath>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <mutex>
#include <optional>

using kestrom::PrintJobDocument;

namespace {

// A 3000 x 2000 photo-like JPEG, many times the canvas's size.
QByteArray photoJpeg() {
    QImage image(3000, 2000, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            row[x] = qRgb(x * 255 / 3000, y * 255 / 2000, ((x / 50 + y / 50) % 2) * 200);
        }
    }
    return testpictures::encode(image, "jpeg", 90);
}

// Holds every whole decode back until released, noting whether one ran on
// the main thread and how long the first was held.
class HeldDecode {
public:
    explicit HeldDecode(bool succeeds = true) {
        ambrel::FullDecode::setHookForTesting([this, succeeds] {
            if (QThread::currentThread() == qApp->thread()) {
                onMainThread = true;
            }
            ++started;
            if (!held.exchange(true)) {
                heldSince.start();
            }
            m_released.wait();
            return succeeds;
        });
    }
    ~HeldDecode() {
        release();
        kestrom::DocumentWorkQueue::waitForDone();
        ambrel::FullDecode::setHookForTesting({});
    }
    void release() {
        std::call_once(m_once, [&] {
            heldFor_ms = held ? heldSince.elapsed() : 0;
            m_promise.set_value();
        });
    }

    std::atomic<bool> held = false;
    std::atomic<int> started = 0;
    std::atomic<bool> onMainThread = false;
    QElapsedTimer heldSince;
    qint64 heldFor_ms = 0;

private:
    std::promise<void> m_promise;
    std::shared_future<void> m_released = m_promise.get_future().share();
    std::once_flag m_once;
};

// Counts the main thread's turns and keeps the longest time between two.
class TurnWatch {
public:
    TurnWatch() {
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            longest_ms = std::max(longest_ms, m_sinceLast.restart());
            ++turns;
        });
        m_sinceLast.start();
        m_timer.start();
    }
    qint64 longest_ms = 0;
    int turns = 0;

private:
    QTimer m_timer;
    QElapsedTimer m_sinceLast;
};

class PackageOpenWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::UserDefaults::setStandardFilePath(
            folder.filePath(QStringLiteral("defaults.plist")));
        lunvik::Application::registerDevicePlugin(
            platform::Bundle::named(QStringLiteral("RegionWorldwide")));
        package = folder.filePath(QStringLiteral("Photo.lunvik"));
        bytes = photoJpeg();
        PrintJobDocument job;
        // Brought in as the window brings a picture: fitted to the canvas.
        kestrom::ImageImport::applyOriginalImage(
            job.job(),
            ambrel::OriginalImage::fromData(
                bytes, QUrl::fromLocalFile(folder.filePath(QStringLiteral("photo.jpg")))),
            nullptr);
        job.job().setImageRepeatXCount(2);
        job.job().setValueForKeyPath(QStringLiteral("blackConversionOptions.threshold.threshold"),
                                     0.3);
        kestrom::DocumentPackage::write(job.job(), package);
    }

    // The package's document once the controller shows it.
    static PrintJobDocument* openedDocument(kestrom::AppDelegate& delegate) {
        kestrom::DocumentController* controller = delegate.documentController();
        if (!QTest::qWaitFor([&] { return !controller->documents().isEmpty(); }, 20000)) {
            return nullptr;
        }
        return qobject_cast<PrintJobDocument*>(controller->documents().first());
    }

    QTemporaryDir folder;
    QString package;
    QByteArray bytes;
};

QList<kestrom::DocumentWindow*> documentWindows() {
    QList<kestrom::DocumentWindow*> found;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<kestrom::DocumentWindow*>(widget)) {
            found << window;
        }
    }
    return found;
}

QMessageBox* errorSheet() {
    for (QWidget* widget : QApplication::allWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget);
            box && box->objectName() == QStringLiteral("ErrorSheet")) {
            return box;
        }
    }
    return nullptr;
}

bool everyTileShown(const kestrom::GridViewImageView& view) {
    return !view.tileViews().isEmpty() &&
           std::all_of(view.tileViews().begin(), view.tileViews().end(),
                       [](const auto& tile) { return !tile.contents.isNull(); });
}

} // namespace

// A photo package given on the command line shows its window with its
// settings and its picture's small tiles while the whole decode is held
// back; the main thread never waits for that decode (it goes on turning
// while the decode is held) and never runs one. Once
// released, the whole tiles replace the small ones and the document is
// the package as saved.
TEST_F(PackageOpenWindowTest, APhotoPackageShowsBeforeItsWholeDecodeWithoutHoldingTheMainThread) {
    platform::OrientedImageCache::waitForPreparations();
    platform::OrientedImageCache::dropKeptGray();
    const int grayBefore = platform::OrientedImageCache::colourPicturesMadeGray();
    HeldDecode decode;
    TurnWatch watch;
    kestrom::AppDelegate delegate;
    delegate.applicationWillFinishLaunching();
    delegate.applicationDidFinishLaunching({package});
    PrintJobDocument* document = openedDocument(delegate);
    ASSERT_TRUE(document);
    auto* window = kestrom::DocumentWindow::windowFor(document);
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    auto* imageView = window->gridView()->imageView();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return imageView->showsScaledDecode() && everyTileShown(*imageView); }, 20000));

    const auto picture = document->job().originalImage();
    ASSERT_TRUE(picture);
    EXPECT_TRUE(decode.held);
    EXPECT_FALSE(picture->isFullyDecoded());
    EXPECT_EQ(picture->data(), bytes);
    EXPECT_EQ(picture->imageOriginalSizeInfo(), ambrel::OriginalSizeInfo::px({3000, 2000}));
    EXPECT_EQ(document->job().imageRepeatXCount(), 2);
    EXPECT_DOUBLE_EQ(
        document->job()
            .valueForKeyPath(QStringLiteral("blackConversionOptions.threshold.threshold"))
            .toDouble(),
        0.3);
    EXPECT_EQ(document->filePath(), package);
    EXPECT_FALSE(document->isEdited());

    // The main thread goes on turning while the decode stays held.
    const int turnsBefore = watch.turns;
    QTest::qWait(1500);
    EXPECT_GT(watch.turns, turnsBefore);
    decode.release();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return picture->isFullyDecoded() && !imageView->showsScaledDecode() &&
                   !imageView->hasPendingDrawing() && everyTileShown(*imageView);
        },
        20000));
    EXPECT_FALSE(decode.onMainThread);
    // For the record only: a busy machine stretches any turn.
    std::cout << "longest main thread turn " << watch.longest_ms << " ms, whole decode held "
              << decode.heldFor_ms << " ms, " << watch.turns << " turns\n";
    EXPECT_TRUE(picture->decodeFully());
    EXPECT_EQ(picture->cgImage()->size(), QSize(3000, 2000));
    EXPECT_FALSE(document->isEdited());
    // The print's gray of the photo is made during the open, once, from the
    // rows as they were decoded: neither missed nor made again afterwards.
    platform::OrientedImageCache::waitForPreparations();
    EXPECT_EQ(platform::OrientedImageCache::colourPicturesMadeGray() - grayBefore, 1);
}

// Pixels that turn out not to decode after the window showed: the document
// stays open with its settings, without the picture, and its window says that
// the picture could not be read; nothing of the package is written over.
TEST_F(PackageOpenWindowTest,
       AWholeDecodeThatFailsAfterTheWindowShowedLeavesItOpenWithoutThePicture) {
    HeldDecode decode(false);
    kestrom::AppDelegate delegate;
    delegate.applicationWillFinishLaunching();
    delegate.applicationDidFinishLaunching({package});
    PrintJobDocument* document = openedDocument(delegate);
    ASSERT_TRUE(document);
    auto* window = kestrom::DocumentWindow::windowFor(document);
    ASSERT_TRUE(window);
    ASSERT_TRUE(document->job().originalImage());
    decode.release();
    QMessageBox* sheet = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (sheet = errorSheet()) != nullptr; }, 20000));
    ASSERT_TRUE(sheet->parentWidget());
    EXPECT_EQ(sheet->parentWidget()->window(), window);
    EXPECT_EQ(sheet->text(),
              QStringLiteral("The picture of the document “Photo.lunvik” could not be read."));
    EXPECT_TRUE(sheet->informativeText().contains(QStringLiteral("damaged")))
        << sheet->informativeText().toStdString();
    EXPECT_EQ(delegate.documentController()->documents(), QList<kestrom::Document*>{document});
    EXPECT_EQ(kestrom::DocumentWindow::windowFor(document), window);
    EXPECT_FALSE(document->job().originalImage());
    EXPECT_EQ(document->job().imageRepeatXCount(), 2);
    EXPECT_FALSE(document->isEdited());
    ASSERT_TRUE(document->unreadPicture());
    EXPECT_EQ(document->unreadPicture()->data, bytes);
    sheet->done(QMessageBox::Ok);
}

// The window is made while the package is read; a package that then fails
// to open leaves no window behind, only the error and a new untitled window.
TEST_F(PackageOpenWindowTest, APackageThatFailsToOpenLeavesNoWindowMadeForIt) {
    QFile settings(package + QStringLiteral("/Settings.plist"));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
    settings.write("not a property list");
    settings.close();
    kestrom::AppDelegate delegate;
    delegate.applicationWillFinishLaunching();
    delegate.applicationDidFinishLaunching({package});
    const auto windows = [] {
        QList<kestrom::DocumentWindow*> found;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<kestrom::DocumentWindow*>(widget)) {
                found << window;
            }
        }
        return found;
    };
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto found = windows();
            return found.size() == 1 && found.first()->document() &&
                   !found.first()->document()->filePath();
        },
        20000));
    QTest::qWait(100);
    const auto found = windows();
    ASSERT_EQ(found.size(), 1);
    EXPECT_TRUE(found.first()->isVisible());
    EXPECT_FALSE(found.first()->document()->filePath());
}

// A package whose picture announces more pixels than any decode may take
// opens with its settings and without the picture, and its window says that
// the picture is too large to be read.
TEST_F(PackageOpenWindowTest, APackageWithAPictureBeyondTheLimitsOpensWithoutItAndSaysSo) {
    QByteArray huge = bytes;
    const qsizetype frame = huge.indexOf(QByteArray("\xff\xc0", 2));
    ASSERT_GT(frame, 0);
    huge.replace(frame + 5, 4, QByteArray::fromHex("fde8fde8")); // 65000 x 65000
    QFile picture(package + QStringLiteral("/ImageData"));
    ASSERT_TRUE(picture.open(QIODevice::WriteOnly | QIODevice::Truncate));
    picture.write(huge);
    picture.close();
    kestrom::AppDelegate delegate;
    delegate.applicationWillFinishLaunching();
    delegate.applicationDidFinishLaunching({package});
    QMessageBox* sheet = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (sheet = errorSheet()) != nullptr; }, 20000));
    EXPECT_EQ(sheet->text(),
              QStringLiteral("The picture of the document “Photo.lunvik” could not be read."));
    EXPECT_TRUE(sheet->informativeText().contains(QStringLiteral("more pixels")))
        << sheet->informativeText().toStdString();
    ASSERT_EQ(documentWindows().size(), 1);
    auto* opened = qobject_cast<PrintJobDocument*>(documentWindows().first()->document());
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->filePath(), package);
    ASSERT_TRUE(sheet->parentWidget());
    EXPECT_EQ(sheet->parentWidget()->window(), documentWindows().first());
    EXPECT_FALSE(opened->job().originalImage());
    EXPECT_EQ(opened->job().imageRepeatXCount(), 2);
    sheet->done(QMessageBox::Ok);
}

// Started with a package, the program reads it from its first moment: the
// read is under way, its whole decode begun, before the application's
// objects or any window exist, and the window then shows what that read
// gave, beginning no read of its own. Pictures and paths that are nothing
// among the arguments are left to the open.
TEST_F(PackageOpenWindowTest,
       APackageGivenAtTheStartIsReadBeforeItsWindowIsBuiltAndShownFromThatRead) {
    HeldDecode decode;
    const QString picture = folder.filePath(QStringLiteral("photo.jpg"));
    QFile file(picture);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    kestrom::AppDelegate::readPackagesAhead(
        {picture, package, folder.filePath(QStringLiteral("Missing.lunvik"))});
    EXPECT_EQ(kestrom::PackageReadAhead::pendingCount(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return decode.held.load(); }, 20000));
    EXPECT_TRUE(documentWindows().isEmpty());

    kestrom::AppDelegate delegate;
    delegate.applicationWillFinishLaunching();
    delegate.applicationDidFinishLaunching({package});
    EXPECT_EQ(kestrom::PackageReadAhead::pendingCount(), 0);
    PrintJobDocument* document = openedDocument(delegate);
    ASSERT_TRUE(document);
    auto* window = kestrom::DocumentWindow::windowFor(document);
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    auto* imageView = window->gridView()->imageView();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return imageView->showsScaledDecode() && everyTileShown(*imageView); }, 20000));
    const auto shown = document->job().originalImage();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->data(), bytes);
    EXPECT_EQ(document->job().imageRepeatXCount(), 2);
    EXPECT_EQ(document->filePath(), package);
    EXPECT_FALSE(document->isEdited());

    decode.release();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return shown->isFullyDecoded() && !imageView->showsScaledDecode() &&
                   !imageView->hasPendingDrawing() && everyTileShown(*imageView);
        },
        20000));
    kestrom::DocumentWorkQueue::waitForDone();
    EXPECT_EQ(decode.started, 1);
}

// Started with a photo package, the program first decodes the picture to the
// size the first window shows it at, which the package's settings tell
// before the picture is read: the first decode covers the picture as shown
// (it is not blurred) and is smaller than the decode to the window's
// canvas. Settings that name no canvas leave the decode to the canvas.
class FirstDecodeTest : public PackageOpenWindowTest {
protected:
    struct Opened {
        QSize decoded; // the picture's first decode
        QSize shown;   // one copy on the canvas, in device pixels
    };

    // Opens the package as the program does when started with it, the
    // whole decode held back.
    std::optional<Opened> open() {
        HeldDecode decode;
        kestrom::AppDelegate::readPackagesAhead({package});
        kestrom::AppDelegate delegate;
        delegate.applicationWillFinishLaunching();
        delegate.applicationDidFinishLaunching({package});
        PrintJobDocument* document = openedDocument(delegate);
        auto* window = document ? kestrom::DocumentWindow::windowFor(document) : nullptr;
        if (!window) {
            ADD_FAILURE() << "no window";
            return std::nullopt;
        }
        auto* imageView = window->gridView()->imageView();
        if (!QTest::qWaitFor(
                [&] { return imageView->showsScaledDecode() && everyTileShown(*imageView); },
                20000)) {
            ADD_FAILURE() << "no first tiles";
            return std::nullopt;
        }
        const QSizeF shown = window->gridView()->lastLayout().imageRect_pt.size() *
                             window->gridView()->backingScaleFactor();
        Opened opened{document->job().originalImage()->scaledDecode().size(),
                      QSize(qCeil(shown.width()), qCeil(shown.height()))};
        decode.release();
        return opened;
    }

    // What the decode to the window's canvas gives.
    QSize canvasDecode() const {
        const auto decoded = platform::ImageDecoder::decodeScaled(
            bytes, kestrom::DocumentWindow::firstWindowDecodeBound().fallback);
        return decoded ? decoded->decoded.image.size() : QSize();
    }
};

TEST_F(FirstDecodeTest, APhotoPackageIsFirstDecodedAtTheSizeItsFirstWindowShowsIt) {
    const auto opened = open();
    ASSERT_TRUE(opened);
    EXPECT_GE(opened->decoded.width(), opened->shown.width());
    EXPECT_GE(opened->decoded.height(), opened->shown.height());
    EXPECT_LT(opened->decoded.width(), canvasDecode().width());
}

TEST_F(FirstDecodeTest, APhotoPackageWhoseSettingsNameNoCanvasIsFirstDecodedToTheCanvas) {
    QFile file(package + QStringLiteral("/Settings.plist"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QVariantMap settings = kestrom::DocumentSettings::parse(file.readAll(), package);
    file.close();
    ASSERT_EQ(settings.remove(QStringLiteral("canvasIdentifier")), 1);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(platform::PropertyList::toData(settings, platform::PropertyList::Format::Binary));
    file.close();
    const auto opened = open();
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->decoded, canvasDecode());
}

// A damaged package given at the start gives the error its open always
// gave, once the application is up to show it, beside a new untitled
// window; the read that found the damage shows nothing by itself.
TEST_F(PackageOpenWindowTest, ADamagedPackageGivenAtTheStartGivesItsErrorOnceTheApplicationIsUp) {
    QFile settings(package + QStringLiteral("/Settings.plist"));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
    settings.write("not a property list");
    settings.close();
    QString expected;
    try {
        kestrom::DocumentPackage::load(package);
    } catch (const platform::Error& e) {
        expected = e.localizedDescription();
    }
    ASSERT_FALSE(expected.isEmpty());
    kestrom::AppDelegate::readPackagesAhead({package});
    kestrom::DocumentWorkQueue::waitForDone();
    QTest::qWait(50);
    EXPECT_FALSE(errorSheet());

    kestrom::AppDelegate delegate;
    delegate.applicationWillFinishLaunching();
    delegate.applicationDidFinishLaunching({package});
    QMessageBox* sheet = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (sheet = errorSheet()) != nullptr; }, 20000));
    EXPECT_TRUE(sheet->text().contains(expected)) << sheet->text().toStdString();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto found = documentWindows();
            return found.size() == 1 && found.first()->document() &&
                   !found.first()->document()->filePath();
        },
        20000));
    sheet->done(QMessageBox::Ok);
}

// While another copy of the application has the bus name, the files go to
// it: nothing is read ahead here.
TEST_F(PackageOpenWindowTest, NothingIsReadAheadWhileAnotherCopyRuns) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.isConnected());
    ASSERT_TRUE(bus.interface()->registerService(kestrom::ScriptingService::serviceName).isValid());
    kestrom::AppDelegate::readPackagesAhead({package});
    EXPECT_EQ(kestrom::PackageReadAhead::pendingCount(), 0);
    ASSERT_TRUE(bus.interface()->unregisterService(kestrom::ScriptingService::serviceName));
    kestrom::AppDelegate::readPackagesAhead({package});
    EXPECT_EQ(kestrom::PackageReadAhead::pendingCount(), 1);
    kestrom::PackageReadAhead::dropAll();
    kestrom::DocumentWorkQueue::waitForDone();
}

// Started with a package, the print's gray keeps to one thread while the
// package's window draws its first frame: the gate is still closed when that
// window paints first, and opens after. Without any window it opens after a
// while all the same.
TEST_F(PackageOpenWindowTest, TheFirstFrameGateOpensOnceThePackagesWindowHasPainted) {
    const auto reopen = qScopeGuard([] { platform::FirstFrameGate::open(); });
    struct FirstPaint : QObject {
        std::optional<bool> gateOpen;
        bool eventFilter(QObject* watched, QEvent* event) override {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (!gateOpen && event->type() == QEvent::Paint && widget &&
                qobject_cast<kestrom::DocumentWindow*>(widget->window())) {
                gateOpen = platform::FirstFrameGate::isOpen();
            }
            return false;
        }
    } firstPaint;
    qApp->installEventFilter(&firstPaint);
    const auto removeFilter = qScopeGuard([&] { qApp->removeEventFilter(&firstPaint); });
    kestrom::AppDelegate::readPackagesAhead({package});
    EXPECT_FALSE(platform::FirstFrameGate::isOpen());
    {
        kestrom::AppDelegate delegate;
        delegate.applicationWillFinishLaunching();
        delegate.applicationDidFinishLaunching({package});
        ASSERT_TRUE(openedDocument(delegate));
        ASSERT_TRUE(QTest::qWaitFor([] { return platform::FirstFrameGate::isOpen(); }, 20000));
        ASSERT_TRUE(firstPaint.gateOpen.has_value());
        EXPECT_FALSE(*firstPaint.gateOpen);
        kestrom::DocumentWorkQueue::waitForDone();
    }

    kestrom::AppDelegate::readPackagesAhead({package});
    kestrom::PackageReadAhead::dropAll();
    EXPECT_FALSE(platform::FirstFrameGate::isOpen());
    EXPECT_TRUE(QTest::qWaitFor([] { return platform::FirstFrameGate::isOpen(); }, 20000));
    kestrom::DocumentWorkQueue::waitForDone();
}
