#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/HeifDecoder.h"
#include "platform/graphics/ImageDecoder.h"
#include "platform/graphics/PdfPage.h"
#include "platform/graphics/PictureCodecs.h"
#include "platform/tests/support/ChildProcesses.h"
#include "platform/tests/support/HostilePdfs.h"
#include "platform/tests/support/PictureWorkerTestSettings.h"
#include "platform/tests/support/TestPictures.h"
#include "platform/worker/PictureWorkerClient.h"
#include "platform/worker/PictureWorkerError.h"
#include "platform/worker/PictureWorkerLimits.h"
#include "platform/worker/PictureWorkerPool.h"
#include "platform/worker/program/PictureWorkerTestFaults.h"

#include <QFile>
#include <QImage>
#include <QThread>

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>

using platform::ImageDecoder;
using platform::PdfPage;
using platform::PictureRefusal;
using platform::PictureWorkerError;
using Faults = platform::PictureWorkerTestFaults;
namespace tp = testpictures;

namespace {

// Whether a file whose name starts with the prefix is mapped into this
// process. The test programs link libheif themselves; the module and poppler
// tell whether the decoders were loaded here.
bool mapped(const QString& namePrefix) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read /proc/self/maps\n");
        std::exit(3);
    }
    const QByteArray needle = '/' + namePrefix.toLocal8Bit();
    for (const QByteArray& line : maps.readAll().split('\n')) {
        if (line.contains(needle)) {
            return true;
        }
    }
    return false;
}

bool decodersMapped() {
    return mapped(platform::PictureCodecs::moduleFileName()) ||
           mapped(QStringLiteral("libpoppler"));
}

// Ends the process with a line saying what went wrong, for the checks that
// run in a process of their own.
void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "failed: %s\n", what);
        std::exit(1);
    }
}

QImage picture() {
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setPixel(0, 0, qRgb(0, 0, 0));
    return image;
}

// A 200 x 100 pt page with a black square in its lower left quarter; the
// marker makes its worker play that fault.
QByteArray page(const char* marker = nullptr) {
    QString content = QStringLiteral("0 0 0 rg 0 0 100 50 re f");
    if (marker) {
        content = QStringLiteral("% ") + QLatin1String(marker) + u'\n' + content;
    }
    return tp::pdf({QRectF(0, 0, 200, 100), {}, 0, content});
}

// The page drawn at 72 dpi, gray; throws what PdfPage::draw throws.
QImage drawn(const PdfPage& page) {
    auto context = platform::GraphicsContext::makeBitmap(
        platform::GraphicsContext::PixelFormat::gray8, 200, 100);
    context->setGrayFillColor(1, 1);
    context->fill(QRectF(0, 0, 200, 100));
    page.draw(*context);
    return context->bitmap().copy();
}

bool showsTheSquare(const QImage& image) {
    return qGray(image.pixel(50, 75)) < 64 && qGray(image.pixel(150, 25)) > 192;
}

std::vector<pid_t> workers() {
    return ChildProcesses::pictureWorkers(getpid());
}

PictureWorkerError::Cause causeOfDrawing(const PdfPage& page) {
    try {
        drawn(page);
    } catch (const PictureWorkerError& error) {
        return error.cause();
    }
    ADD_FAILURE() << "the page was drawn";
    return PictureWorkerError::Cause::brokeProtocol;
}

} // namespace

// In a fresh process: in one that ran other tests, workers may be running.
// Pictures whose cost their header tells start no worker; a PDF page and a
// HEIC picture do, and are read and drawn there, never mapping the decoders
// into this process.
TEST(PictureWorker, theDecodersAreNeverMappedIntoTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            for (const char* format : {"png", "jpeg", "bmp", "tiff"}) {
                require(ImageDecoder::decode(tp::encode(picture(), format)).has_value(),
                        "a picture Qt reads did not decode");
            }
            require(ImageDecoder::decode(tp::gif(picture())).has_value(), "a GIF did not decode");
            require(!ImageDecoder::decode(QByteArray(64, 'x')).has_value(), "noise decoded");
            require(!platform::HeifDecoder::canDecode(QByteArray("\0\0\0\x0c"
                                                                 "ftyp",
                                                                 8)),
                    "eight bytes were taken for a HEIC file");
            require(!PdfPage::firstPage(QByteArray("plain text")), "text opened as a page");
            require(workers().empty(), "an ordinary picture started a worker");

            const auto opened = PdfPage::firstPage(page());
            require(opened != nullptr, "the PDF did not open");
            require(opened->size() == QSizeF(200, 100), "the PDF page has the wrong size");
            require(showsTheSquare(drawn(*opened)), "the page was not drawn");
            const QByteArray heic = tp::heic(picture());
            if (!heic.isEmpty()) {
                require(ImageDecoder::sniffFormat(heic) == "heic", "the HEIC file was not told");
                const auto decoded = ImageDecoder::decode(heic);
                require(decoded && decoded->image.size() == QSize(40, 30) &&
                            qGray(decoded->image.pixel(0, 0)) < 64 &&
                            qGray(decoded->image.pixel(20, 15)) > 192,
                        "the HEIC file did not decode whole");
            }
            require(!workers().empty(), "no worker drew the page");
            require(!decodersMapped(), "the decoders are mapped into the program");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

// The worker tries, once confined, what it must not do: each is refused by
// the system-call filter; what it needs (reading a file) works. Its limits
// are the ones set, and the kernel holds it to them.
TEST(PictureWorker, itsConfinementForbidsWritingFilesSocketsAndPrograms) {
    {
        // A worker of a user's program does not answer the probe at all.
        const PictureWorkerTestSettings plain(false);
        EXPECT_FALSE(platform::PictureWorkerClient::probeSandbox());
    }
    const PictureWorkerTestSettings faults(true);
    const auto probed = platform::PictureWorkerClient::probeSandbox();
    ASSERT_TRUE(probed);
    EXPECT_EQ(probed->openForReading, 0);
    EXPECT_EQ(probed->openForWriting, EPERM);
    EXPECT_EQ(probed->createFile, EPERM);
    EXPECT_EQ(probed->openSocket, EPERM);
    EXPECT_EQ(probed->execute, EPERM);
    EXPECT_LE(probed->cpuLimit, platform::PictureWorkerLimits::processorSecondsCeiling);
#ifndef LUNVIK_SANITIZED_BUILD
    EXPECT_LE(probed->addressSpaceLimit, platform::PictureWorkerLimits::addressSpaceCeiling());
    EXPECT_EQ(probed->mapBeyondLimit, ENOMEM);
#endif
    // The probe's file was not made.
    for (const pid_t worker : workers()) {
        EXPECT_FALSE(QFile::exists(QStringLiteral("/tmp/lunvik-worker-probe.%1").arg(worker)));
    }
}

// A document that crashes the library when it is opened (the test marker,
// and a real one that overflows the library's stack) is refused as one
// that cannot be drawn; the next document opens in a fresh worker.
TEST(PictureWorker, aDocumentThatCrashesItsWorkerIsRefusedAndTheNextOneOpens) {
    const PictureWorkerTestSettings faults(true);
    for (const QByteArray& hostile : {page(Faults::crashOnOpen), tp::nestedFunctionPdf(200000)}) {
        PictureRefusal why = PictureRefusal::noPicture;
        EXPECT_FALSE(PdfPage::firstPage(hostile, &why));
        EXPECT_EQ(why, PictureRefusal::cannotBeDrawn);
        const auto next = PdfPage::firstPage(page());
        ASSERT_TRUE(next);
        EXPECT_TRUE(showsTheSquare(drawn(*next)));
    }
    // A function nested less deep is a page like any other.
    EXPECT_TRUE(PdfPage::firstPage(tp::nestedFunctionPdf(1000)));
}

// A page whose drawing crashes its worker fails that drawing, and every
// later one at once, without costing another worker; other pages draw.
TEST(PictureWorker, aPageThatCrashesItsWorkerWhileDrawnFailsFromThenOn) {
    const PictureWorkerTestSettings faults(true);
    const auto good = PdfPage::firstPage(page());
    const auto crashing = PdfPage::firstPage(page(Faults::crashOnRender));
    ASSERT_TRUE(good && crashing);
    EXPECT_EQ(causeOfDrawing(*crashing), PictureWorkerError::Cause::crashed);
    const std::vector<pid_t> before = workers();
    EXPECT_EQ(causeOfDrawing(*crashing), PictureWorkerError::Cause::crashed);
    EXPECT_EQ(workers(), before);
    EXPECT_TRUE(showsTheSquare(drawn(*good)));
}

// A drawing that never ends misses its deadline: its worker is killed, so
// that no processor stays busy with it, and the next drawing gets a fresh
// worker.
TEST(PictureWorker, aStalledDrawingMissesItsDeadlineAndItsWorkerIsKilled) {
    const PictureWorkerTestSettings faults(true, 800);
    const auto stalling = PdfPage::firstPage(page(Faults::stallOnRender));
    ASSERT_TRUE(stalling);
    const std::vector<pid_t> before = workers();
    EXPECT_EQ(causeOfDrawing(*stalling), PictureWorkerError::Cause::missedDeadline);
    const std::vector<pid_t> after = workers();
    EXPECT_TRUE(std::any_of(before.begin(), before.end(), [&](pid_t worker) {
        return std::find(after.begin(), after.end(), worker) == after.end() &&
               kill(worker, 0) != 0 && errno == ESRCH;
    })) << "the stalled worker is still there";
    EXPECT_LT(ChildProcesses::busyMilliseconds(workers(), 300), 100);
    const auto next = PdfPage::firstPage(page());
    ASSERT_TRUE(next);
    EXPECT_TRUE(showsTheSquare(drawn(*next)));
}

// A worker killed from outside (the system short of memory, a person)
// fails the drawing it was doing; the page is not to blame and draws again.
TEST(PictureWorker, aWorkerKilledFromOutsideFailsOnlyTheDrawingItWasDoing) {
    const PictureWorkerTestSettings faults(true);
    const auto slow = PdfPage::firstPage(page(Faults::slowRender));
    ASSERT_TRUE(slow);
    auto drawing = std::async(std::launch::async, [&] { return causeOfDrawing(*slow); });
    QThread::msleep(500);
    for (const pid_t worker : workers()) {
        kill(worker, SIGKILL);
    }
    EXPECT_EQ(drawing.get(), PictureWorkerError::Cause::killed);
    // Once the killed ones are gone (the idle ones among them are not given
    // another request), the page draws.
    while (!workers().empty()) {
        QThread::msleep(10);
    }
    EXPECT_TRUE(showsTheSquare(drawn(*slow)));
}

// Idle workers killed from outside are waited for while no request comes,
// the one kept warm too: none is left a zombie. The reaper looks every
// quarter of the idle lifetime; a worker idle that long is ended anyway,
// so the wait stays below it.
TEST(PictureWorker, idleWorkersKilledFromOutsideAreReapedWithoutAnotherRequest) {
    auto& pool = platform::PictureWorkerPool::shared();
    ASSERT_TRUE(PdfPage::firstPage(page()));
    const std::vector<pid_t> idle = pool.processes();
    ASSERT_FALSE(idle.empty());
    for (const pid_t worker : idle) {
        kill(worker, SIGKILL);
    }
    const auto limit =
        std::chrono::steady_clock::now() + platform::PictureWorkerLimits::idleLifetime * 3 / 4;
    const auto reaped = [](pid_t worker) { return kill(worker, 0) != 0 && errno == ESRCH; };
    while (!std::all_of(idle.begin(), idle.end(), reaped) &&
           std::chrono::steady_clock::now() < limit) {
        QThread::msleep(100);
    }
    for (const pid_t worker : idle) {
        EXPECT_TRUE(reaped(worker)) << worker;
    }
}

// Ending the workers, as the program does when it ends, fails the drawings
// under way at once, however long they would take; the page is not to
// blame.
TEST(PictureWorker, endingTheWorkersFailsTheDrawingsUnderWay) {
    const PictureWorkerTestSettings faults(true);
    const auto stalling = PdfPage::firstPage(page(Faults::stallOnRender));
    ASSERT_TRUE(stalling);
    auto drawing = std::async(std::launch::async, [&] { return causeOfDrawing(*stalling); });
    while (ChildProcesses::busyMilliseconds(workers(), 100) < 20) {
    }
    platform::PictureWorkerPool::shared().endAll();
    EXPECT_EQ(drawing.get(), PictureWorkerError::Cause::killed);
    EXPECT_TRUE(workers().empty());
}

// Drawings at once each take a worker of their own, up to the limit, and
// each gets the pixels one drawing alone gets.
TEST(PictureWorker, drawingsAtOnceShareTheWorkersAndAgreeWithOneAlone) {
    const auto opened = PdfPage::firstPage(
        tp::pdf({QRectF(0, 0, 200, 100),
                 {},
                 0,
                 QStringLiteral("0 0 0 rg 0 0 100 50 re f 0.5 g 120 60 30 30 re f")}));
    ASSERT_TRUE(opened);
    const QImage alone = opened->render(QRectF(0, 0, 200, 100), 144, 144, true);
    ASSERT_FALSE(alone.isNull());
    std::vector<std::future<QImage>> drawings;
    for (int i = 0; i < 12; ++i) {
        drawings.push_back(std::async(std::launch::async, [&] {
            return opened->render(QRectF(0, 0, 200, 100), 144, 144, true);
        }));
    }
    for (auto& drawing : drawings) {
        EXPECT_EQ(drawing.get(), alone);
    }
    const std::size_t count = workers().size();
    EXPECT_GE(count, 2u);
    EXPECT_LE(count, platform::PictureWorkerLimits::maximumWorkers());
}
