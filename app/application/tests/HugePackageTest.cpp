#include "app/application/Application.h"
#include "app/simulator/TavrinSimulatorUsb.h"
#include "core/canvas/GridView.h"
#include "core/canvas/GridViewImageView.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/document/package/DocumentPackage.h"
#include "core/launch/AppDelegate.h"
#include "core/window/CompletionAlert.h"
#include "core/window/DocumentWindow.h"
#include "platform/Bundle.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/resource.h>

using kestrom::DocumentWindow;
using kestrom::PrintJobDocument;

namespace {

// A line of /proc/self/status in kilobytes ("VmHWM", "VmSize").
qint64 statusKilobytes(const char* name) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(QByteArray(name) + ':')) {
            return line.mid(qsizetype(qstrlen(name)) + 1).trimmed().split(' ').first().toLongLong();
        }
    }
    return -1;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool addressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool addressSanitizer = true;
#else
constexpr bool addressSanitizer = false;
#endif
#else
constexpr bool addressSanitizer = false;
#endif

} // namespace

// A package of a few kilobytes that says its picture is 2^31 - 1 pixels a
// side opens in the window at a size the window allows, its preview takes
// little memory, and it prints on the device played in memory.
TEST(HugePackageTest, APictureSizeAsLargeAsAnIntOpensPreviewsAndPrintsWithinBoundedMemory) {
    QTemporaryDir folder;
    platform::UserDefaults::setStandardFilePath(folder.filePath(QStringLiteral("defaults.plist")));
    lunvik::Application::registerDevicePlugin(
        platform::Bundle::named(QStringLiteral("RegionWorldwide")));
    lunvik::TavrinSimulatorUsb usb;

    const QString package = folder.filePath(QStringLiteral("Huge.lunvik"));
    {
        PrintJobDocument job;
        job.job().setOriginalImage(ambrel::OriginalImage::fromContentsOfURL(
            QUrl::fromLocalFile(QStringLiteral(LUNVIK_STENCIL_MARK))));
        ASSERT_TRUE(job.job().originalImage());
        kestrom::DocumentPackage::write(job.job(), package);
        const QString file = package + QStringLiteral("/Settings.plist");
        QVariantMap settings = platform::PropertyList::readFile(file).toMap();
        settings.insert(QStringLiteral("imageSize_px"),
                        QVariantMap{{QStringLiteral("Width"), 2147483647.0},
                                    {QStringLiteral("Height"), 2147483647.0}});
        platform::PropertyList::writeFile(file, settings);
    }

    // Address space for what the test has now and four gigabytes more: a
    // preview tiled over the whole picture would need tens of them. (The
    // workers' stacks and malloc's arenas, made as they first run, take
    // address space too, more of it on a busy machine.)
    if (!addressSanitizer) {
        const rlim_t limit = rlim_t(statusKilobytes("VmSize") + (qint64(4) << 20)) * 1024;
        const rlimit bound{limit, limit};
        ASSERT_EQ(::setrlimit(RLIMIT_AS, &bound), 0);
    }
    const qint64 peakBefore = statusKilobytes("VmHWM");

    kestrom::AppDelegate delegate;
    delegate.applicationWillFinishLaunching();
    delegate.applicationDidFinishLaunching({package});
    kestrom::DocumentController* controller = delegate.documentController();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller->documents().isEmpty(); }, 20000));
    auto* document = qobject_cast<PrintJobDocument*>(controller->documents().first());
    ASSERT_TRUE(document);
    EXPECT_EQ(document->filePath(), package);
    const kestrom::PrintDocument& job = document->job();
    ASSERT_TRUE(job.originalImage());
    // Brought to the longest side the window lets a picture have.
    EXPECT_EQ(job.imageSizeForDisplay_mm().width, 800.0);
    EXPECT_EQ(job.imageSizeForDisplay_mm().height, 800.0);

    DocumentWindow* window = DocumentWindow::windowFor(document);
    ASSERT_TRUE(window);
    auto* grid = window->findChild<kestrom::GridView*>();
    ASSERT_TRUE(grid);
    kestrom::GridViewImageView* preview = grid->imageView();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !preview->hasPendingDrawing() && !preview->tileViews().isEmpty(); }, 30000));
    // Only the part on the canvas is tiled.
    EXPECT_LT(preview->tileViews().size(), 64);
    for (const auto& tile : preview->tileViews()) {
        EXPECT_FALSE(tile.contents.isNull());
    }

    delegate.printDocument();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet")) ||
                   window->findChild<kestrom::CompletionAlert*>();
        },
        120000));
    if (auto* error = window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet"))) {
        FAIL() << error->text().toStdString();
    }
    ASSERT_EQ(usb.device().jobs().size(), 1);
    const QImage printed =
        usb.device().jobs().first().picture().convertToFormat(QImage::Format_Grayscale8);
    EXPECT_FALSE(printed.isNull());

    // About a quarter of a gigabyte goes to the print's canvas bitmaps.
    const qint64 grown = statusKilobytes("VmHWM") - peakBefore;
    EXPECT_LT(grown, addressSanitizer ? qint64(3) << 20 : qint64(1) << 20) << "kilobytes";
}
