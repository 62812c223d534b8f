// What a user waits for when the application starts, each case in fresh
// processes started as a file manager starts them, with its plain reference
// timed in the same iteration:
//
// - Start-up: the program `Lunvik` until its first window's first frame is
//   written out by its LUNVIK_SCREENSHOT hook, against a plain Qt window of
//   the same size doing the same (`plain_window_ms`): a program of its own
//   that links Qt Widgets alone (lunvik-plain-qt-window), and the same
//   window with a menu bar and a line of text (`plain_text_window_ms`), which
//   sets up fonts and the style's icons as any real window does. The three
//   start in turns, in an order that rotates, after one start of each that
//   is not counted (it fills the file cache).
// - A 6000 x 4000 photo package opened from the command line: `Lunvik
//   Photo.lunvik` until its window's first frame, and, in a process that
//   starts as the program does (the package read from the start, then the
//   application's own objects, AppDelegate) with the same argument, until
//   the first tile of the picture and until every tile is
//   drawn from the whole picture; the resident memory with the photo open.
//   The first frame's reference is the program's own start without a
//   document (`Lunvik`, until its empty window's first frame) and the JPEG
//   library's decode of the photo at an eighth, the canvas's size, in this
//   process: the frame takes no more than the start and 1.3 such decodes.
//   The sharp tiles' references are Qt decoding the same JPEG whole and
//   straight to the canvas's size (QImageReader::setScaledSize), and the
//   plain window. Likewise for the same photo stored progressive.
// - The first print of such a process, started as soon as the window shows
//   (no pause), against a later print of the same process once it has
//   settled (a second on, the first alert's movie player ready); to the
//   job's last byte on the in-memory device. Measured from the first frame,
//   it includes the wait for the whole picture; it is also given from when
//   the whole picture is in. Beside it, the first print of a process started
//   once the canvas has drawn every tile from the whole picture: what the
//   first print pays for being first, apart from the cores it shares with
//   the canvas when both start as the whole picture comes in.
//
// The start-up is also timed on an X display, when the benchmark runs on one
// (tools/with-x-display.sh): there a server maps and exposes each window, as
// on a user's desktop, and the first frame is read back from it.
//
// Times count from just before the process is started.

#include "A4Print.h"
#include "PhotoJpeg.h"
#include "ProcessStatus.h"

#include "app/tavrin/TavrinConnect.h"
#include "core/canvas/GridView.h"
#include "core/canvas/GridViewImageView.h"
#include "core/document/application/DocumentController.h"
#include "core/document/application/ImageImport.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/document/package/DocumentPackage.h"
#include "core/launch/AppDelegate.h"
#include "core/window/CompletionAlert.h"
#include "core/window/DocumentWindow.h"
#include "core/window/MoviePlayer.h"
#include "model/connections/ConnectPluginManager.h"
#include "platform/UserDefaults.h"
#include "platform/graphics/OrientedImageCache.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <csetjmp>
#include <cstdio>
#include <ctime>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

namespace {

const char* const startEnvironment = "LUNVIK_BENCH_START_NS";

qint64 monotonicNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

// Milliseconds since the parent started this process.
double sinceStart_ms() {
    return (monotonicNs() - qEnvironmentVariable(startEnvironment).toLongLong()) / 1e6;
}

bool exposed(QWidget* window) {
    return window && window->isVisible() && window->windowHandle() &&
           window->windowHandle()->isExposed();
}

// The child processes.

kestrom::DocumentWindow* shownDocumentWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<kestrom::DocumentWindow*>(widget);
        if (exposed(window)) {
            return window;
        }
    }
    return nullptr;
}

bool everyTileShown(const kestrom::GridViewImageView& view) {
    return !view.tileViews().isEmpty() &&
           std::all_of(view.tileViews().begin(), view.tileViews().end(),
                       [](const auto& tile) { return !tile.contents.isNull(); });
}

// Whether the window shows every tile from the whole picture and draws no
// more.
bool showsTheWholePicture(kestrom::DocumentWindow& window) {
    const auto* view = window.gridView()->imageView();
    auto* document = qobject_cast<kestrom::PrintJobDocument*>(window.document());
    const auto picture = document ? document->job().originalImage() : nullptr;
    return picture && picture->isFullyDecoded() && !view->showsScaledDecode() &&
           !view->isDrawingInBackground() && everyTileShown(*view);
}

enum class Child { open, printAtOnce, printOnceSettled };

// Opens the package as the program does and prints the times: first frame,
// first tile, all tiles from the whole picture, resident kilobytes; or, when
// it prints, the first print, started at the first frame or once the canvas
// shows the whole picture, and a later one.
int openChild(int argc, char** argv, const QString& package, Child child) {
    const bool print = child != Child::open;
    // As the program does: the device plug-in comes first, and the package
    // is read from the application's making on (its read needs the models to
    // place the picture).
    ambrel::ConnectPluginManager::shared().load(
        {std::make_shared<lunvik::TavrinConnect>(lunvik::TavrinConnect::Region::worldwide)});
    QApplication app(argc, argv);
    kestrom::AppDelegate::readPackagesAhead({package});
    QTemporaryDir folder;
    platform::UserDefaults::setStandardFilePath(folder.filePath(QStringLiteral("defaults.plist")));
    bench::InMemoryDevice device;
    kestrom::AppDelegate delegate;
    delegate.applicationWillFinishLaunching();
    delegate.applicationDidFinishLaunching({package});
    double frame = -1, tile = -1, sharp = -1, printStart = -1, firstPrint = -1, laterStart = -1,
           laterPrint = -1, wholeIn = -1, movieReady = -1;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        kestrom::DocumentWindow* window = shownDocumentWindow();
        if (!window) {
            return;
        }
        const double now = sinceStart_ms();
        if (frame < 0) {
            frame = now;
        }
        if (print && printStart < 0 &&
            (child == Child::printAtOnce || showsTheWholePicture(*window))) {
            printStart = now;
            delegate.printDocument();
        }
        if (print) {
            // When the whole picture is in: what the first print waits for
            // before it can start, whenever it is asked.
            if (wholeIn < 0) {
                auto* document = qobject_cast<kestrom::PrintJobDocument*>(window->document());
                const auto picture = document ? document->job().originalImage() : nullptr;
                if (picture && picture->isFullyDecoded()) {
                    wholeIn = now;
                }
            }
            const auto jobs = device.usb.device().jobs().size();
            if (firstPrint < 0 && jobs >= 1) {
                firstPrint = now - printStart;
                if (auto* alert = window->findChild<kestrom::CompletionAlert*>()) {
                    alert->done(0);
                }
            } else if (firstPrint >= 0 && laterStart < 0 && jobs == 1) {
                // The reference is a print of a process that has settled: a
                // second after the first job, and once the movie player the
                // first alert loads off the main thread is ready.
                const double firstEnd = printStart + firstPrint;
                const bool movieIn = !kestrom::CompletionAlert::canPlayMovies() ||
                                     kestrom::MoviePlayer::isPrepared();
                if (movieIn && movieReady < 0) {
                    movieReady = kestrom::CompletionAlert::canPlayMovies() ? now - firstEnd : 0;
                }
                if (movieIn && now - firstEnd >= 1000) {
                    laterStart = sinceStart_ms();
                    delegate.printDocument();
                }
            } else if (laterStart >= 0 && jobs >= 2) {
                laterPrint = now - laterStart;
                poll.stop();
                QApplication::exit(0);
            }
            return;
        }
        const auto* view = window->gridView()->imageView();
        if (tile < 0 && !view->tileViews().isEmpty() &&
            std::any_of(view->tileViews().begin(), view->tileViews().end(),
                        [](const auto& t) { return !t.contents.isNull(); })) {
            tile = now;
        }
        if (tile >= 0 && showsTheWholePicture(*window)) {
            sharp = now;
            poll.stop();
            QApplication::exit(0);
        }
    });
    poll.start(1);
    QTimer::singleShot(60000, [] { QApplication::exit(1); });
    const int status = app.exec();
    if (print) {
        std::printf("%.3f %.3f %.3f %.3f %.3f %.3f\n", frame, firstPrint, laterPrint,
                    printStart + firstPrint, wholeIn, movieReady);
    } else {
        // What the photo holds once its gray for the print is made too.
        platform::OrientedImageCache::waitForPreparations();
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 300) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        std::printf("%.3f %.3f %.3f %lld\n", frame, tile, sharp,
                    static_cast<long long>(bench::statusKilobytes("VmRSS:")));
    }
    std::fflush(stdout);
    return status;
}

// The parent.

struct Files {
    QTemporaryDir folder;
    QString photo;
    QString package;
    QByteArray bytes;

    explicit Files(bool progressive) : bytes(bench::photoJpeg(0, progressive)) {
        photo = folder.filePath(QStringLiteral("photo.jpg"));
        QFile file(photo);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        file.close();
        package = folder.filePath(QStringLiteral("Photo.lunvik"));
        platform::UserDefaults::setStandardFilePath(
            folder.filePath(QStringLiteral("defaults.plist")));
        ambrel::ConnectPluginManager::shared().load(
            {std::make_shared<lunvik::TavrinConnect>(lunvik::TavrinConnect::Region::worldwide)});
        kestrom::PrintJobDocument job;
        kestrom::ImageImport::applyOriginalImage(
            job.job(), ambrel::OriginalImage::fromData(bytes, QUrl::fromLocalFile(photo)), nullptr);
        kestrom::DocumentPackage::write(job.job(), package);
        platform::OrientedImageCache::waitForPreparations();
    }
};

Files& files() {
    static Files f(false);
    return f;
}

Files& progressiveFiles() {
    static Files f(true);
    return f;
}

struct Run {
    double exit_ms = -1;
    // When the first frame's picture file appeared (LUNVIK_SCREENSHOT): it
    // is made once the frame is drawn and before its PNG is encoded, which
    // takes longer for a busier picture and so is left out.
    double shot_ms = -1;
    QList<QByteArray> fields;
};

// Where the started programs show their windows: offscreen, or on the X
// display the benchmark was started on (DISPLAY), where a server maps and
// exposes the window and the first frame is read back from it.
enum class Display { offscreen, x11 };

// Starts the program with the arguments in a home of its own, without a
// session bus, and waits for it to end.
Run run(const QString& program, const QStringList& arguments, const QTemporaryDir& home,
        Display display = Display::offscreen) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), display == Display::x11
                                                              ? QStringLiteral("xcb")
                                                              : QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral("cache")));
    environment.insert(QStringLiteral("LUNVIK_SCREENSHOT"),
                       home.filePath(QStringLiteral("shot.png")));
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    const qint64 start = monotonicNs();
    environment.insert(QLatin1String(startEnvironment), QString::number(start));
    process.setProcessEnvironment(environment);
    const QString shot = home.filePath(QStringLiteral("shot.png"));
    QFile::remove(shot);
    process.start(program, arguments);
    Run result;
    QElapsedTimer limit;
    limit.start();
    while (!process.waitForFinished(1) && limit.elapsed() < 120000) {
        if (result.shot_ms < 0 && QFileInfo::exists(shot)) {
            result.shot_ms = (monotonicNs() - start) / 1e6;
        }
    }
    if (result.shot_ms < 0 && QFileInfo::exists(shot)) {
        result.shot_ms = (monotonicNs() - start) / 1e6;
    }
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0) {
        result.exit_ms = std::max(result.shot_ms, (monotonicNs() - start) / 1e6);
        result.fields = process.readAllStandardOutput().trimmed().split(' ');
    }
    return result;
}

QString self() {
    return QCoreApplication::applicationFilePath();
}

QString program() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Lunvik");
}

QString plainWindowProgram() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/lunvik-plain-qt-window");
}

double plainWindow_ms(const QTemporaryDir& home, const QStringList& arguments = {},
                      Display display = Display::offscreen) {
    const Run plain = run(plainWindowProgram(), arguments, home, display);
    return plain.exit_ms < 0 ? -1 : plain.shot_ms;
}

double plainTextWindow_ms(const QTemporaryDir& home, Display display) {
    return plainWindow_ms(home, {QStringLiteral("--with-text")}, display);
}

double qtDecode_ms(const QByteArray& bytes, const QSize& scaledTo = {}) {
    QElapsedTimer timer;
    timer.start();
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    if (!scaledTo.isEmpty()) {
        reader.setScaledSize(scaledTo);
    }
    const QImage image = reader.read();
    benchmark::DoNotOptimize(image.constBits());
    return timer.nsecsElapsed() / 1e6;
}

struct LibraryErrors : jpeg_error_mgr {
    std::jmp_buf jump;
};

extern "C" void leaveLibrary(j_common_ptr info) {
    std::longjmp(static_cast<LibraryErrors*>(info->err)->jump, 1);
}

// The JPEG library alone decoding the file at an eighth, with its defaults,
// into 32-bit pixels; -1 if it refuses the file.
double libraryEighthDecode_ms(const QByteArray& bytes) {
    QElapsedTimer timer;
    timer.start();
    jpeg_decompress_struct info{};
    LibraryErrors errors{};
    info.err = jpeg_std_error(&errors);
    errors.error_exit = leaveLibrary;
    jpeg_create_decompress(&info);
    QImage image;
    bool decoded = false;
    if (!setjmp(errors.jump)) {
        jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.constData()),
                     static_cast<unsigned long>(bytes.size()));
        jpeg_read_header(&info, TRUE);
        info.out_color_space = JCS_EXT_BGRX;
        info.scale_num = 1;
        info.scale_denom = 8;
        jpeg_start_decompress(&info);
        image = QImage(int(info.output_width), int(info.output_height), QImage::Format_RGB32);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = image.scanLine(int(info.output_scanline));
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        decoded = true;
    }
    jpeg_destroy_decompress(&info);
    benchmark::DoNotOptimize(image.constBits());
    return decoded ? timer.nsecsElapsed() / 1e6 : -1;
}

void startUpFirstFrame(benchmark::State& state, Display display) {
    QTemporaryDir home;
    run(program(), {}, home, display);
    plainWindow_ms(home, {}, display);
    plainTextWindow_ms(home, display);
    std::vector<double> lunvik, plain, plainText, ratio, textRatio;
    int turn = 0;
    for (auto _ : state) {
        Run app;
        double reference = -1;
        double textReference = -1;
        // Each of the three goes first, second and third in turn.
        for (int step = 0; step < 3; ++step) {
            switch ((turn + step) % 3) {
            case 0:
                app = run(program(), {}, home, display);
                break;
            case 1:
                reference = plainWindow_ms(home, {}, display);
                break;
            default:
                textReference = plainTextWindow_ms(home, display);
                break;
            }
        }
        ++turn;
        if (app.exit_ms < 0 || app.shot_ms < 0 || reference < 0 || textReference < 0) {
            state.SkipWithError("a start failed");
            return;
        }
        state.SetIterationTime(app.shot_ms / 1e3);
        lunvik.push_back(app.shot_ms);
        plain.push_back(reference);
        plainText.push_back(textReference);
        ratio.push_back(app.shot_ms / reference);
        textRatio.push_back(app.shot_ms / textReference);
    }
    state.counters["lunvik_ms"] = bench::median(lunvik);
    state.counters["plain_window_ms"] = bench::median(plain);
    state.counters["plain_text_window_ms"] = bench::median(plainText);
    state.counters["lunvik/plain"] = bench::median(lunvik) / bench::median(plain);
    state.counters["lunvik/plain_text"] = bench::median(lunvik) / bench::median(plainText);
    // Each start against the references next to it, which share its
    // moment's load on a busy machine.
    state.counters["median_pair_ratio"] = bench::median(ratio);
    state.counters["median_pair_ratio_text"] = bench::median(textRatio);
}

void BM_StartUpFirstFrame(benchmark::State& state) {
    startUpFirstFrame(state, Display::offscreen);
}

void BM_StartUpFirstFrameOnX11(benchmark::State& state) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        state.SkipWithError("no X display: run the benchmark under tools/with-x-display.sh");
        return;
    }
    startUpFirstFrame(state, Display::x11);
}

// The canvas a first window gives a 6000 x 4000 picture, in pixels.
const QSize canvasFit(750, 500);

void photoPackageOpen(benchmark::State& state, Files& f) {
    QTemporaryDir home;
    std::vector<double> frame, programFrame, tile, sharp, plain, emptyStart, whole, scaled, eighth,
        rss;
    for (auto _ : state) {
        const Run app = run(program(), {f.package}, home);
        const Run inProcess = run(self(), {QStringLiteral("--open-child"), f.package}, home);
        const Run empty = run(program(), {}, home);
        const double reference = plainWindow_ms(home);
        const double eighthMs = libraryEighthDecode_ms(f.bytes);
        if (app.exit_ms < 0 || app.shot_ms < 0 || inProcess.fields.size() != 4 ||
            empty.exit_ms < 0 || empty.shot_ms < 0 || reference < 0 || eighthMs < 0) {
            state.SkipWithError("an open failed");
            return;
        }
        programFrame.push_back(app.shot_ms);
        frame.push_back(inProcess.fields[0].toDouble());
        tile.push_back(inProcess.fields[1].toDouble());
        sharp.push_back(inProcess.fields[2].toDouble());
        rss.push_back(inProcess.fields[3].toDouble() * 1024);
        emptyStart.push_back(empty.shot_ms);
        plain.push_back(reference);
        eighth.push_back(eighthMs);
        whole.push_back(qtDecode_ms(f.bytes));
        scaled.push_back(qtDecode_ms(f.bytes, canvasFit));
        state.SetIterationTime(programFrame.back() / 1e3);
    }
    const double plainMs = bench::median(plain);
    const double emptyMs = bench::median(emptyStart);
    const double eighthMs = bench::median(eighth);
    const double wholeMs = bench::median(whole);
    const double scaledMs = bench::median(scaled);
    state.counters["program_first_frame_ms"] = bench::median(programFrame);
    state.counters["first_frame_ms"] = bench::median(frame);
    state.counters["first_tile_ms"] = bench::median(tile);
    state.counters["sharp_tiles_ms"] = bench::median(sharp);
    state.counters["empty_start_ms"] = emptyMs;
    state.counters["library_eighth_decode_ms"] = eighthMs;
    state.counters["plain_window_ms"] = plainMs;
    state.counters["qt_whole_decode_ms"] = wholeMs;
    state.counters["qt_scaled_decode_ms"] = scaledMs;
    // The targets: the first frame by the program's own empty start and 1.3
    // of the library's eighth decodes; sharp tiles by 1.2 whole decodes after
    // a plain window's start.
    state.counters["frame/(empty+1.3eighth)"] =
        bench::median(programFrame) / (emptyMs + 1.3 * eighthMs);
    state.counters["(sharp-plain)/whole"] = (bench::median(sharp) - plainMs) / wholeMs;
    state.counters["rss_MB"] = bench::median(rss) / 1e6;
    state.counters["rss/decoded"] = bench::median(rss) / (6000.0 * 4000.0 * 4.0);
}

void BM_PhotoPackageOpen(benchmark::State& state) {
    photoPackageOpen(state, files());
}

// The same photo stored progressive: its decode at an eighth reads every
// scan, while the package's thumbnail has one.
void BM_ProgressivePhotoPackageOpen(benchmark::State& state) {
    photoPackageOpen(state, progressiveFiles());
}

void BM_PhotoPackageFirstPrintWithoutAPause(benchmark::State& state) {
    Files& f = files();
    QTemporaryDir home;
    std::vector<double> first, later, firstEnd, fromWhole, movie;
    for (auto _ : state) {
        const Run child = run(self(), {QStringLiteral("--print-child"), f.package}, home);
        if (child.fields.size() != 6) {
            state.SkipWithError("the print failed");
            return;
        }
        first.push_back(child.fields[1].toDouble());
        later.push_back(child.fields[2].toDouble());
        firstEnd.push_back(child.fields[3].toDouble());
        // Polled once a millisecond, like the others.
        fromWhole.push_back(child.fields[3].toDouble() -
                            std::max(child.fields[4].toDouble(), child.fields[0].toDouble()));
        movie.push_back(child.fields[5].toDouble());
        state.SetIterationTime(first.back() / 1e3);
    }
    state.counters["first_print_ms"] = bench::median(first);
    state.counters["later_print_ms"] = bench::median(later);
    state.counters["first/later"] = bench::median(first) / bench::median(later);
    // From the process's start: the first print waits for the whole picture
    // wherever the window shows before it.
    state.counters["first_print_end_since_start_ms"] = bench::median(firstEnd);
    // From when the whole picture is in (or the window shows, if later): what
    // the first print pays beyond its wait for the picture, against a later
    // print.
    state.counters["first_print_from_whole_ms"] = bench::median(fromWhole);
    state.counters["first_from_whole/later"] = bench::median(fromWhole) / bench::median(later);
    // From the first job's last byte until the first alert's movie player,
    // loaded off the main thread, can play (polled; 0 where movies are not
    // built in): how long the alert shows the movie's place empty.
    state.counters["first_alert_movie_ready_ms"] = bench::median(movie);
}

void BM_PhotoPackageFirstPrintOnceSettled(benchmark::State& state) {
    Files& f = files();
    QTemporaryDir home;
    std::vector<double> first, later;
    for (auto _ : state) {
        const Run child = run(self(), {QStringLiteral("--settled-print-child"), f.package}, home);
        if (child.fields.size() != 6) {
            state.SkipWithError("the print failed");
            return;
        }
        first.push_back(child.fields[1].toDouble());
        later.push_back(child.fields[2].toDouble());
        state.SetIterationTime(first.back() / 1e3);
    }
    state.counters["first_print_ms"] = bench::median(first);
    state.counters["later_print_ms"] = bench::median(later);
    state.counters["first/later"] = bench::median(first) / bench::median(later);
}

} // namespace

BENCHMARK(BM_StartUpFirstFrame)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_StartUpFirstFrameOnX11)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_PhotoPackageOpen)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_ProgressivePhotoPackageOpen)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);
BENCHMARK(BM_PhotoPackageFirstPrintWithoutAPause)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);
BENCHMARK(BM_PhotoPackageFirstPrintOnceSettled)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);

int main(int argc, char** argv) {
    if (argc >= 3) {
        const QByteArray mode(argv[1]);
        const QString package = QString::fromLocal8Bit(argv[2]);
        if (mode == "--open-child") {
            return openChild(argc, argv, package, Child::open);
        }
        if (mode == "--print-child") {
            return openChild(argc, argv, package, Child::printAtOnce);
        }
        if (mode == "--settled-print-child") {
            return openChild(argc, argv, package, Child::printOnceSettled);
        }
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The photo package alone, for profiling the children by hand.
    if (argc >= 3 && QByteArray(argv[1]) == "--write-package") {
        return QFile::copy(files().package + QStringLiteral("/ImageData"),
                           QString::fromLocal8Bit(argv[2]) + QStringLiteral(".jpg")) &&
                       QProcess::execute(QStringLiteral("cp"),
                                         {QStringLiteral("-r"), files().package,
                                          QString::fromLocal8Bit(argv[2])}) == 0
                   ? 0
                   : 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
