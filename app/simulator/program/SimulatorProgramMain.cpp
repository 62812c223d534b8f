// Plays a stencil device so the application can print to it without
// hardware: on a local socket (start the application with the socket path in
// LUNVIK_USB_SIMULATOR_SOCKET), or with --usb on a USB bus emulated at the
// kernel boundary, which the application reaches through libusb as it
// reaches the real device (start it with the environment this prints).

#include "app/simulator/TavrinJobPictureFolder.h"
#include "app/simulator/TavrinSimulatedDevice.h"
#include "app/simulator/TavrinSimulatorServer.h"
#include "app/simulator/kernel/TavrinKernelUsbDevice.h"
#include "app/simulator/program/CommandInput.h"
#include "app/simulator/program/KernelUsbCommands.h"
#include "app/simulator/program/StopSignals.h"
#include "platform/ModuleLoader.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QTextStream>

#include <QFileInfo>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <unistd.h>

using lunvik::TavrinJobPictureFolder;
using lunvik::TavrinSimulatedDevice;
using lunvik::TavrinSimulatorServer;

namespace {

TavrinSimulatorServer* runningServer = nullptr;
// How long a program using the device has to let it go once the signal came.
constexpr int letGoMilliseconds = 2000;

void stopOnSignal(int) {
    if (runningServer) {
        runningServer->stop();
    }
}

void line(const QString& text) {
    QTextStream(stderr) << text << Qt::endl;
}

std::optional<TavrinSimulatedDevice::ReplyMode> replyMode(const QString& name) {
    using Mode = TavrinSimulatedDevice::ReplyMode;
    if (name == QLatin1String("normal")) {
        return Mode::normal;
    }
    if (name == QLatin1String("silent")) {
        return Mode::silent;
    }
    if (name == QLatin1String("truncated")) {
        return Mode::truncated;
    }
    if (name == QLatin1String("wrong-frame")) {
        return Mode::wrongFrame;
    }
    return std::nullopt;
}

void reportJob(const lunvik::TavrinReceivedJob& job, int number, TavrinJobPictureFolder* pictures) {
    line(QStringLiteral("job %1: density %2, Y %3, %4 dots x %5 columns")
             .arg(number)
             .arg(job.density)
             .arg(job.yValue)
             .arg(job.dotCount)
             .arg(job.columnCount));
    if (pictures) {
        QString error;
        const QString path = pictures->save(job.picture(), &error);
        line(path.isEmpty() ? error : QStringLiteral("wrote ") + path);
    }
}

// The environment that makes a program see the emulated bus: the bed's
// folder and umockdev's preload library, after the library that lets a
// program run as root be refused a node like any user when it is beside this
// program's build.
QString usbEnvironment(const lunvik::TavrinKernelUsbDevice& usb) {
    QString preload = QStringLiteral("libumockdev-preload.so.0");
    const QString access =
        platform::ModuleLoader::folder() + QStringLiteral("/liblunvik-usb-node-access.so");
    if (QFileInfo::exists(access)) {
        preload = QFileInfo(access).canonicalFilePath() + QLatin1Char(':') + preload;
    }
    return QStringLiteral("UMOCKDEV_DIR=%1 LD_PRELOAD=%2").arg(usb.rootDirectory(), preload);
}

// The application beside this program in its build, named so that the
// printed command works from any folder; else where a build puts it.
QString applicationProgram() {
    const QFileInfo beside(QCoreApplication::applicationDirPath() + QStringLiteral("/Lunvik"));
    return beside.isExecutable() ? beside.canonicalFilePath() : QStringLiteral("build/bin/Lunvik");
}

// Unplugs the device, as a cable is pulled, before its bed goes: a program
// using it sees its transfers end and lets its files go. A call made on the
// bed after it went would end that program's process instead (umockdev's
// preload library aborts it). One that holds on is waited for a short while
// only.
void letTheDeviceGo(lunvik::TavrinKernelUsbDevice& usb) {
    usb.unplug();
    if (usb.openFileCount() == 0) {
        return;
    }
    line(QStringLiteral("unplugged; waiting up to %1 s for the application to let the device go")
             .arg(letGoMilliseconds / 1000));
    const QDeadlineTimer grace(letGoMilliseconds);
    while (usb.openFileCount() > 0 && !grace.hasExpired()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// Serves the device on the emulated bus until SIGINT or SIGTERM, taking the
// kernel-side faults as commands on standard input.
int serveOnUsb(const TavrinSimulatedDevice::Configuration& configuration,
               TavrinJobPictureFolder* pictures) {
    // Before the bed, whose threads must not take the signals: one taken
    // there, or one that came just before the wait for commands, would
    // leave the program waiting on its input for ever.
    lunvik::StopSignals stop;
    // Started in the background of a shell (with &), the program would be
    // stopped at a read of the terminal, or at a line it writes there, and
    // the device with it: the application waiting on it would hang.
    std::signal(SIGTTIN, SIG_IGN);
    std::signal(SIGTTOU, SIG_IGN);

    lunvik::TavrinKernelUsbDevice usb(configuration);
    usb.setJobFinishedHandler([pictures](const lunvik::TavrinReceivedJob& job,
                                         int number) { reportJob(job, number, pictures); },
                              true);
    line(QStringLiteral("serving a stencil device on an emulated USB bus at ") + usb.nodePath());
    line(QStringLiteral("start the application with:"));
    line(QStringLiteral("  ") + usbEnvironment(usb) + QLatin1Char(' ') + applicationProgram());
    line(lunvik::KernelUsbCommands::summary());
    // Standard output carries the environment alone, for scripts.
    std::cout << usbEnvironment(usb).toStdString() << std::endl;

    lunvik::KernelUsbCommands commands(usb);
    lunvik::CommandInput input(STDIN_FILENO, stop.fileDescriptor());
    input.inBackground = [] {
        line(QStringLiteral(
            "in the background: commands are read once the simulator is in the foreground (fg)"));
    };
    // With no more commands it serves on until the signal.
    while (const auto text = input.next()) {
        const QString answer = commands.run(QString::fromUtf8(*text));
        if (!answer.isEmpty()) {
            line(answer);
        }
    }
    letTheDeviceGo(usb);
    return 0;
}

} // namespace

// The bed announces devices (uevents) from paths in its /sys, which only a
// process under umockdev's preload library sees: with --usb, the program
// runs itself again under it.
void preloadTheEmulationForUsb(char** argv) {
    bool usb = false;
    for (char** argument = argv + 1; *argument; ++argument) {
        usb |= std::strcmp(*argument, "--usb") == 0;
    }
    const char* preload = std::getenv("LD_PRELOAD");
    if (!usb || (preload && std::strstr(preload, "libumockdev-preload"))) {
        return;
    }
    // Libraries preloaded already stay first: a dynamic sanitizer runtime
    // must.
    std::string libraries = "libumockdev-preload.so.0";
    if (preload && *preload) {
        libraries = std::string(preload) + ":" + libraries;
    }
    setenv("LD_PRELOAD", libraries.c_str(), 1);
    execv("/proc/self/exe", argv);
    std::perror("cannot run again with libumockdev-preload.so.0");
}

int main(int argc, char** argv) {
    preloadTheEmulationForUsb(argv);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lunvik-tavrin-simulator"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays a stencil device on a local socket or on an emulated USB bus and writes each "
        "received job as a PNG."));
    parser.addHelpOption();
    const QCommandLineOption socketOption(
        QStringLiteral("socket"), QStringLiteral("Socket path to serve."), QStringLiteral("path"));
    const QCommandLineOption usbOption(
        QStringLiteral("usb"),
        QStringLiteral("Serve on a USB bus emulated at the kernel boundary, for the application's "
                       "libusb backend; prints the environment to start it with. Takes the "
                       "kernel-side faults as commands on standard input."));
    const QCommandLineOption pngOption(QStringLiteral("png-dir"),
                                       QStringLiteral("Folder for the rebuilt pictures."),
                                       QStringLiteral("folder"));
    const QCommandLineOption busyOption(QStringLiteral("busy"),
                                        QStringLiteral("Report the device as busy."));
    const QCommandLineOption errorOption(QStringLiteral("error-bits"),
                                         QStringLiteral("Error bits to report (0-65535)."),
                                         QStringLiteral("bits"), QStringLiteral("0"));
    const QCommandLineOption temperatureOption(QStringLiteral("temperature"),
                                               QStringLiteral("Head temperature in °C."),
                                               QStringLiteral("celsius"), QStringLiteral("28"));
    const QCommandLineOption firmwareOption(QStringLiteral("firmware"),
                                            QStringLiteral("Firmware text."),
                                            QStringLiteral("text"), QStringLiteral("1.02"));
    const QCommandLineOption serialOption(QStringLiteral("serial"),
                                          QStringLiteral("Serial number text."),
                                          QStringLiteral("text"), QStringLiteral("SIM00001"));
    const QCommandLineOption shortOption(
        QStringLiteral("short-layout"),
        QStringLiteral("Answer U as models whose name begins with G do."));
    const QCommandLineOption modelOption(
        QStringLiteral("model"),
        QStringLiteral("Answer U in the layout of this model (e.g. \"Gest 300\")."),
        QStringLiteral("name"));
    const QCommandLineOption stateModeOption(
        QStringLiteral("state-reply"),
        QStringLiteral("How S is answered: normal, silent, truncated or wrong-frame."),
        QStringLiteral("mode"), QStringLiteral("normal"));
    const QCommandLineOption informationModeOption(
        QStringLiteral("information-reply"),
        QStringLiteral("How U is answered: normal, silent, truncated or wrong-frame."),
        QStringLiteral("mode"), QStringLiteral("normal"));
    const QCommandLineOption failOption(
        QStringLiteral("fail-after-column-bytes"),
        QStringLiteral("Disconnect after this many column bytes of a job."),
        QStringLiteral("count"));
    parser.addOptions({socketOption, usbOption, pngOption, busyOption, errorOption,
                       temperatureOption, firmwareOption, serialOption, shortOption, modelOption,
                       stateModeOption, informationModeOption, failOption});
    parser.process(app);

    if (parser.isSet(socketOption) == parser.isSet(usbOption)) {
        line(QStringLiteral("one of --socket and --usb is required"));
        return 2;
    }
    TavrinSimulatedDevice::Configuration configuration;
    bool ok = true;
    configuration.isBusy = parser.isSet(busyOption);
    const uint bits = parser.value(errorOption).toUInt(&ok, 0);
    if (!ok || bits > 0xFFFF) {
        line(QStringLiteral("--error-bits must be 0-65535"));
        return 2;
    }
    configuration.errorBits = quint16(bits);
    configuration.headTemperature = parser.value(temperatureOption).toInt(&ok);
    if (!ok || configuration.headTemperature < 0 || configuration.headTemperature > 255) {
        line(QStringLiteral("--temperature must be 0-255"));
        return 2;
    }
    configuration.firmware = parser.value(firmwareOption).toLatin1();
    configuration.serial = parser.value(serialOption).toLatin1();
    configuration.shortInformationLayout =
        parser.isSet(shortOption) ||
        (parser.isSet(modelOption) &&
         TavrinSimulatedDevice::Configuration::modelUsesShortInformationLayout(
             parser.value(modelOption)));
    const auto stateMode = replyMode(parser.value(stateModeOption));
    const auto informationMode = replyMode(parser.value(informationModeOption));
    if (!stateMode || !informationMode) {
        line(QStringLiteral("reply modes are normal, silent, truncated or wrong-frame"));
        return 2;
    }
    configuration.stateReplyMode = *stateMode;
    configuration.informationReplyMode = *informationMode;
    if (parser.isSet(failOption)) {
        configuration.failAfterColumnBytes = parser.value(failOption).toLongLong(&ok);
        if (!ok || *configuration.failAfterColumnBytes < 0) {
            line(QStringLiteral("--fail-after-column-bytes must be a count"));
            return 2;
        }
    }

    const QString pngFolder = parser.value(pngOption);
    if (!pngFolder.isEmpty() && !QDir().mkpath(pngFolder)) {
        line(QStringLiteral("cannot make ") + pngFolder);
        return 1;
    }
    std::unique_ptr<TavrinJobPictureFolder> pictures;
    if (!pngFolder.isEmpty()) {
        pictures = std::make_unique<TavrinJobPictureFolder>(pngFolder);
    }

    if (parser.isSet(usbOption)) {
        return serveOnUsb(configuration, pictures.get());
    }

    TavrinSimulatedDevice device(configuration);
    TavrinSimulatorServer server(device);
    // A long session must not grow: what was received is reported, then
    // forgotten.
    server.setKeepsHistory(false);
    QString error;
    if (!server.listen(parser.value(socketOption), &error)) {
        line(error);
        return 1;
    }
    server.log = [](const QString& text) { line(QStringLiteral("connection ") + text); };
    server.jobFinished = [&](const lunvik::TavrinReceivedJob& job, int index) {
        reportJob(job, index + 1, pictures.get());
    };
    runningServer = &server;
    std::signal(SIGINT, stopOnSignal);
    std::signal(SIGTERM, stopOnSignal);
    line(QStringLiteral("serving a stencil device on ") + parser.value(socketOption));
    line(configuration.shortInformationLayout
             ? QStringLiteral("answering U in the short layout of models whose name begins with G")
             : QStringLiteral("answering U in the long layout; for a model whose name begins "
                              "with G, start with --model \"<name>\" or --short-layout"));
    if (pictures) {
        line(QStringLiteral("job pictures go to %1, from job-%2.png on")
                 .arg(pngFolder)
                 .arg(pictures->nextNumber()));
    }
    server.run();
    runningServer = nullptr;
    return 0;
}
