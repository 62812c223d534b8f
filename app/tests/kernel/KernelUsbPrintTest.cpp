#include "KernelUsbTestSupport.h"

#include "app/simulator/TavrinSimulatorUsb.h"
#include "app/tavrin/TavrinDeviceConnection.h"
#include "app/tavrin/TavrinJobInterruptedError.h"
#include "app/tests/TavrinTestSupport.h"
#include "model/errors/ConnectionError.h"
#include "platform/MainThread.h"
#include "platform/Progress.h"
#include "platform/tests/support/TestPictures.h"
#include "platform/usb/SocketUsbHost.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <iostream>

using ambrel::ConnectionError;
using ambrel::ImageSource;
using lunvik::TavrinDeviceConnection;
using lunvik::TavrinSimulatedDevice;
using ReplyMode = TavrinSimulatedDevice::ReplyMode;
using namespace kernel_usb_test;
using namespace tavrin_test;

namespace {

// Prints a task as the application does; the error it ends with, if any.
std::optional<platform::Error> print(const ambrel::PrintTask& t) {
    TavrinDeviceConnection connection(t.deviceDescriptor(), ambrel::TransportType::usb);
    std::optional<platform::Error> error;
    try {
        connection.print(t, std::make_shared<platform::Progress>());
    } catch (const platform::Error& e) {
        error = e;
    }
    platform::MainThread::drain();
    return error;
}

// What the simulated device on the in-memory bus receives for the task.
QByteArray receivedInMemory(const ambrel::PrintTask& t) {
    lunvik::TavrinSimulatorUsb usb;
    EXPECT_FALSE(print(t));
    return usb.device().receivedBytes();
}

// The same through libusb and the kernel boundary.
QByteArray receivedThroughLibusb(Device& usb, const ambrel::PrintTask& t) {
    usb.device().clearHistory();
    const auto error = print(t);
    EXPECT_FALSE(error) << error->localizedDescription().toStdString();
    return usb.device().receivedBytes();
}

ambrel::OriginalImageDrawingOptions repeated(const QImage& image, ambrel::BlackConversion c) {
    auto options = optionsAtOwnSize(image);
    options.imageBitmapConversion = c;
    options.imageOffsetBase = ambrel::OffsetBase::center;
    options.imageRepeatXCount = 2;
    options.imageRepeatYCount = 3;
    options.imageRepeatXMargin_mm = 2;
    options.imageRepeatYMargin_mm = 5;
    return options;
}

std::shared_ptr<const ambrel::Canvas>
canvasNamed(const std::shared_ptr<const ambrel::DeviceDescriptor>& model, const char* name) {
    for (const auto& canvas : model->canvases()) {
        if (canvas->identifier() == QLatin1String(name)) {
            return canvas;
        }
    }
    return nullptr;
}

} // namespace

// The jobs of the end-to-end prints reach the device through libusb byte
// for byte as they reach it on the in-memory bus.
TEST(KernelUsbPrint, ThresholdAndHalftoneJobsAreTheInMemoryDevicesBytes) {
    Device usb;
    const auto model = smallModel();
    const QImage image(dataPath("stencil-mark.png"));
    for (const auto& conversion :
         {ambrel::BlackConversion::threshold(), ambrel::BlackConversion::halftone()}) {
        const auto t =
            task(model, ImageSource::originalImage(stencilMark(), repeated(image, conversion)));
        const QByteArray expected = receivedInMemory(t);
        const QByteArray received = receivedThroughLibusb(usb, t);
        EXPECT_GT(received.size(), 1181 * 32);
        EXPECT_TRUE(received == expected) << received.size() << " vs " << expected.size();
        EXPECT_TRUE(usb.device().protocolErrors().isEmpty());
        EXPECT_EQ(usb.device().jobs().size(), 1);
    }
}

TEST(KernelUsbPrint, WidenedBlackJobsAreTheInMemoryDevicesBytes) {
    Device usb;
    const auto model = pluginModel(QStringLiteral("Tavrin a4"));
    ASSERT_TRUE(model);
    const auto postcard = canvasNamed(model, "Postcard");
    ASSERT_TRUE(postcard);
    const QImage lines = thinLines();
    for (const qint64 level : {qint64(-5), qint64(0), qint64(5)}) {
        auto options = optionsAtOwnSize(lines);
        options.imageBitmapConversion = ambrel::BlackConversion::threshold({0.5, level});
        const ambrel::PrintTask t(
            model, postcard, ambrel::TransportType::usb,
            ImageSource::originalImage(ambrel::OriginalImage::fromImage(lines, {}, {}, 1), options),
            {});
        const QByteArray expected = receivedInMemory(t);
        EXPECT_TRUE(receivedThroughLibusb(usb, t) == expected) << level;
    }
}

TEST(KernelUsbPrint, AColourPhotoJobIsTheInMemoryDevicesBytes) {
    Device usb;
    QImage photo(640, 400, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        for (int x = 0; x < photo.width(); ++x) {
            photo.setPixel(x, y, qRgb(x * 255 / 640, y * 255 / 400, ((x / 40 + y / 40) % 2) * 180));
        }
    }
    const auto picture = ambrel::OriginalImage::fromData(
        testpictures::encode(photo, "jpeg", 90), QUrl::fromLocalFile(QStringLiteral("/p/a.jpg")));
    ASSERT_TRUE(picture);
    const auto model = smallModel();
    auto options = optionsAtOwnSize(photo);
    options.imageBitmapConversion = ambrel::BlackConversion::halftone();
    const auto t = task(model, ImageSource::originalImage(picture, options));
    const QByteArray expected = receivedInMemory(t);
    EXPECT_TRUE(receivedThroughLibusb(usb, t) == expected);
}

// The largest canvas: the A4 model's 210 x 300 mm frame at 600 dpi. Prints
// the figures of the job through libusb and through the simulator program's
// socket.
TEST(KernelUsbPrint, TheLargestCanvasIsTheInMemoryDevicesBytes) {
    Device usb;
    const auto model = pluginModel(QStringLiteral("Tavrin a4"));
    ASSERT_TRUE(model);
    const auto frame = canvasNamed(model, "Frame300");
    ASSERT_TRUE(frame);
    const QImage image(dataPath("stencil-mark.png"));
    auto options = optionsAtOwnSize(image);
    options.imageRepeatXCount = 3;
    options.imageRepeatXMargin_mm = 10;
    const ambrel::PrintTask t(model, frame, ambrel::TransportType::usb,
                              ImageSource::originalImage(stencilMark(), options), {});
    using namespace std::chrono;
    const auto memoryStart = steady_clock::now();
    const QByteArray expected = receivedInMemory(t);
    std::cout << "A4 job on the in-memory bus: "
              << duration_cast<milliseconds>(steady_clock::now() - memoryStart).count()
              << " ms wall" << std::endl;

    const auto wallStart = steady_clock::now();
    const auto processorStart = processorTime() - usb.emulationProcessorTime();
    const QByteArray received = receivedThroughLibusb(usb, t);
    const auto wall = duration_cast<milliseconds>(steady_clock::now() - wallStart);
    const auto processor = duration_cast<milliseconds>(
        processorTime() - usb.emulationProcessorTime() - processorStart);
    EXPECT_TRUE(received == expected) << received.size() << " vs " << expected.size();
    EXPECT_GT(received.size(), 4'000'000);
    std::cout << "A4 job through libusb: " << received.size() << " bytes, " << wall.count()
              << " ms wall, " << processor.count() << " ms processor (without the emulation's "
              << duration_cast<milliseconds>(usb.emulationProcessorTime()).count() << " ms), "
              << usb.bulkTransferCount() << " bulk transfers" << std::endl;

    // The same job to the simulator program over its socket.
    QTemporaryDir folder;
    const QString socket = folder.filePath(QStringLiteral("stencil.sock"));
    QProcess simulator;
    QProcessEnvironment plain = QProcessEnvironment::systemEnvironment();
    plain.remove(QStringLiteral("LD_PRELOAD"));
    plain.remove(QStringLiteral("UMOCKDEV_DIR"));
    simulator.setProcessEnvironment(plain);
    simulator.start(QStringLiteral(LUNVIK_SIMULATOR), {QStringLiteral("--socket"), socket});
    ASSERT_TRUE(simulator.waitForStarted());
    ASSERT_TRUE(eventually([&] { return QFileInfo::exists(socket); }));
    {
        platform::UsbHost::Scope useSocket(std::make_shared<platform::SocketUsbHost>(socket));
        // The socket file is there a moment before the program takes
        // connections: a status read tells when it does.
        ASSERT_TRUE(eventually([&] {
            return !TavrinDeviceConnection(model, ambrel::TransportType::usb)
                        .getStatus(nullptr)
                        .error;
        }));
        const auto socketStart = steady_clock::now();
        const auto socketProcessorStart = processorTime();
        EXPECT_FALSE(print(t));
        std::cout << "A4 job through the simulator program's socket: "
                  << duration_cast<milliseconds>(steady_clock::now() - socketStart).count()
                  << " ms wall, "
                  << duration_cast<milliseconds>(processorTime() - socketProcessorStart).count()
                  << " ms processor" << std::endl;
    }
    simulator.terminate();
    simulator.waitForFinished();
}

TEST(KernelUsbPrint, TheStatusIsRead) {
    TavrinSimulatedDevice::Configuration c;
    c.firmware = "4.20";
    c.serial = "TV123456";
    c.headTemperature = 41;
    Device usb(c);
    TavrinDeviceConnection connection(smallModel(), ambrel::TransportType::usb);
    const ambrel::DeviceStatus status = connection.getStatus(nullptr);
    ASSERT_FALSE(status.error) << status.error->localizedDescription().toStdString();
    // The device's lines, among those the computer adds.
    EXPECT_TRUE(
        status.elements.contains(ambrel::DeviceStatusElement::firmware(QStringLiteral("4.20"))));
    EXPECT_TRUE(
        status.elements.contains(ambrel::DeviceStatusElement::serial(QStringLiteral("TV123456"))));
    EXPECT_TRUE(status.elements.contains(ambrel::DeviceStatusElement::headTemperature(41)));
}

namespace {

ambrel::PrintTask markTask() {
    const QImage image(dataPath("stencil-mark.png"));
    return task(smallModel(), ImageSource::originalImage(stencilMark(), optionsAtOwnSize(image)));
}

bool isCase(const std::optional<platform::Error>& e, ConnectionError::Case c) {
    return e && e->domain() == ConnectionError::domain && e->code() == qint64(c);
}

} // namespace

// The simulated device's own faults, through libusb.
TEST(KernelUsbPrint, ABusyDeviceIsNotSentTheJob) {
    TavrinSimulatedDevice::Configuration c;
    c.isBusy = true;
    Device usb(c);
    EXPECT_TRUE(isCase(print(markTask()), ConnectionError::Case::printerIsBusy));
    EXPECT_EQ(usb.device().commands(), QStringList{"S"});
}

TEST(KernelUsbPrint, ADeviceErrorEndsThePrint) {
    TavrinSimulatedDevice::Configuration c;
    c.errorBits = 0x0001;
    Device usb(c);
    const auto error = print(markTask());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(), QStringLiteral("The device's cover is open."));
    EXPECT_EQ(usb.device().commands(), QStringList{"S"});
}

// One bed per process: one test for each way of answering.
class KernelUsbUnreadableState : public ::testing::TestWithParam<ReplyMode> {};

TEST_P(KernelUsbUnreadableState, StillPrints) {
    TavrinSimulatedDevice::Configuration c;
    c.stateReplyMode = GetParam();
    Device usb(c);
    EXPECT_FALSE(print(markTask()));
    EXPECT_EQ(usb.device().jobs().size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Modes, KernelUsbUnreadableState,
                         ::testing::Values(ReplyMode::silent, ReplyMode::truncated,
                                           ReplyMode::wrongFrame));

TEST(KernelUsbPrint, ASilentInformationReplyFailsTheStatus) {
    TavrinSimulatedDevice::Configuration c;
    c.informationReplyMode = ReplyMode::silent;
    Device usb(c);
    const auto status =
        TavrinDeviceConnection(smallModel(), ambrel::TransportType::usb).getStatus(nullptr);
    EXPECT_TRUE(status.error);
}

// A device lost in the middle of the job: the print says how far it got,
// and the device plugged in again takes the next job without a restart.
TEST(KernelUsbPrint, ADeviceLostMidJobAndPluggedInAgain) {
    TavrinSimulatedDevice::Configuration c;
    c.failAfterColumnBytes = 10000;
    Device usb(c);
    const auto error = print(markTask());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), lunvik::TavrinJobInterruptedError::domain)
        << error->localizedDescription().toStdString();
    EXPECT_FALSE(usb.isPluggedIn());
    EXPECT_TRUE(eventually([&] { return usb.openFileCount() == 0; }));

    c.failAfterColumnBytes.reset();
    usb.device().setConfiguration(c);
    usb.plugIn();
    std::optional<platform::Error> again;
    EXPECT_TRUE(eventually([&] {
        again = print(markTask());
        return !again;
    })) << again->localizedDescription().toStdString();
    ASSERT_EQ(usb.device().jobs().size(), 1);
    EXPECT_TRUE(usb.device().jobs().first().isComplete());
}
