#include "TavrinTestSupport.h"

#include "app/simulator/TavrinSimulatorUsb.h"
#include "app/tavrin/TavrinCommand.h"
#include "app/tavrin/TavrinCommandError.h"
#include "app/tavrin/TavrinDeviceConnection.h"
#include "app/tavrin/TavrinJobInterruptedError.h"
#include "model/errors/ConnectionError.h"
#include "platform/KeyboardModifiers.h"
#include "platform/MainThread.h"
#include "platform/Progress.h"
#include "platform/Workspace.h"
#include "platform/compute/ComputeTestHooks.h"
#include "transport/dari/UsbDeviceCommunicator.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using ambrel::ConnectionError;
using ambrel::ImageSource;
using lunvik::TavrinCommand;
using lunvik::TavrinDeviceConnection;
using lunvik::TavrinSimulatedDevice;
using lunvik::TavrinSimulatorUsb;
using ReplyMode = TavrinSimulatedDevice::ReplyMode;
using namespace tavrin_test;

namespace {

class TavrinPrint : public ::testing::Test {
protected:
    void SetUp() override {
        model = smallModel();
        picture = stencilMark();
        ASSERT_TRUE(picture);
    }

    ambrel::PrintTask markTask(QVariantMap settings = {}) {
        QImage image = QImage(dataPath("stencil-mark.png"));
        return task(model, ImageSource::originalImage(picture, optionsAtOwnSize(image)),
                    std::move(settings));
    }

    // Prints and gives the error the print ended with, if any.
    std::optional<platform::Error> print(TavrinSimulatorUsb& usb, const ambrel::PrintTask& t,
                                         std::shared_ptr<platform::Progress> progress = nullptr) {
        (void)usb;
        if (!progress) {
            progress = std::make_shared<platform::Progress>();
        }
        TavrinDeviceConnection connection(model, ambrel::TransportType::usb);
        try {
            connection.print(t, progress);
        } catch (const platform::Error& e) {
            platform::MainThread::drain();
            return e;
        }
        platform::MainThread::drain();
        return std::nullopt;
    }

    static bool isCase(const std::optional<platform::Error>& e, ConnectionError::Case c) {
        return e && e->domain() == ConnectionError::domain && e->code() == qint64(c);
    }

    std::shared_ptr<const ambrel::DeviceDescriptor> model;
    ambrel::OriginalImage::Pointer picture;
};

TEST_F(TavrinPrint, sendsStateQueryDensityYGeometryAndEveryColumn) {
    TavrinSimulatorUsb usb;
    auto progress = std::make_shared<platform::Progress>();
    EXPECT_FALSE(print(usb, markTask({{QStringLiteral("density"), -2.7}}), progress));
    const auto& device = usb.device();
    EXPECT_EQ(device.commands(), (QStringList{"S", "D", "Y", "0"}));
    EXPECT_TRUE(device.protocolErrors().isEmpty());
    ASSERT_EQ(device.jobs().size(), 1);
    const auto job = device.jobs().first();
    EXPECT_EQ(job.density, -2); // taken as a whole number, toward zero
    EXPECT_EQ(job.yValue, 0);
    EXPECT_EQ(job.dotCount, 256);
    // 100 mm at 300 dpi; the bitmap covers the canvas, so no blank columns
    // are added and nothing follows the columns.
    EXPECT_EQ(job.columnCount, 1181);
    const QByteArray expectedStart = TavrinCommand::stateQuery() + TavrinCommand::density(-2) +
                                     TavrinCommand::commandY(0) +
                                     TavrinCommand::jobGeometry(256, 1181);
    EXPECT_EQ(device.receivedBytes().left(expectedStart.size()), expectedStart);
    EXPECT_EQ(device.receivedBytes().size(), expectedStart.size() + 1181 * 32);
    // The progress ends determinate-less with the completion text.
    EXPECT_EQ(progress->completedUnitCount(), -1);
    EXPECT_FALSE(progress->localizedDescription().isEmpty());
}

TEST_F(TavrinPrint, densityFromTheModelsDefault) {
    TavrinSimulatorUsb usb;
    EXPECT_FALSE(print(usb, markTask()));
    EXPECT_EQ(usb.device().jobs().first().density, 3);
}

TEST_F(TavrinPrint, deviceErrorWinsOverBusy) {
    TavrinSimulatedDevice::Configuration c;
    c.errorBits = 0x0001;
    c.isBusy = true;
    TavrinSimulatorUsb usb(c);
    const auto error = print(usb, markTask());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), 0);
    EXPECT_EQ(error->localizedDescription(), QStringLiteral("The device's cover is open."));
    EXPECT_EQ(usb.device().commands(), QStringList{"S"});
}

TEST_F(TavrinPrint, busyDeviceIsNotSentTheJob) {
    TavrinSimulatedDevice::Configuration c;
    c.isBusy = true;
    TavrinSimulatorUsb usb(c);
    EXPECT_TRUE(isCase(print(usb, markTask()), ConnectionError::Case::printerIsBusy));
    EXPECT_EQ(usb.device().commands(), QStringList{"S"});
}

TEST_F(TavrinPrint, unreadableStateStillPrints) {
    for (const ReplyMode mode : {ReplyMode::silent, ReplyMode::truncated, ReplyMode::wrongFrame}) {
        TavrinSimulatedDevice::Configuration c;
        c.stateReplyMode = mode;
        TavrinSimulatorUsb usb(c);
        EXPECT_FALSE(print(usb, markTask())) << int(mode);
        EXPECT_EQ(usb.device().commands(), (QStringList{"S", "D", "Y", "0"})) << int(mode);
        EXPECT_EQ(usb.device().jobs().size(), 1) << int(mode);
    }
}

TEST_F(TavrinPrint, densityTheDeviceCannotTakeIsRefusedBeforeAnythingIsSent) {
    for (const double density : {128.0, -129.0, std::nan("")}) {
        TavrinSimulatorUsb usb;
        const auto error = print(usb, markTask({{QStringLiteral("density"), density}}));
        ASSERT_TRUE(error) << density;
        EXPECT_EQ(error->domain(), lunvik::TavrinCommandError::domain);
        EXPECT_TRUE(usb.device().receivedBytes().isEmpty()) << density;
    }
}

TEST_F(TavrinPrint, tooSmallPictureSendsNothing) {
    TavrinSimulatorUsb usb;
    auto options = optionsAtOwnSize(QImage(dataPath("stencil-mark.png")));
    options.imageSize_px = {9, 9};
    EXPECT_TRUE(isCase(print(usb, task(model, ImageSource::originalImage(picture, options))),
                       ConnectionError::Case::documentImageIsTooSmall));
    EXPECT_TRUE(usb.device().receivedBytes().isEmpty());
}

// A picture with no dot on the canvas would expose a blank screen: refused
// before the device is even opened.
TEST_F(TavrinPrint, pictureOffTheCanvasIsRefusedBeforeTheDeviceIsOpened) {
    TavrinSimulatorUsb usb;
    auto options = optionsAtOwnSize(QImage(dataPath("stencil-mark.png")));
    options.imageOffsetBase = ambrel::OffsetBase::topLeft;
    options.imageOffset_mm = {-40, 10};
    EXPECT_TRUE(isCase(print(usb, task(model, ImageSource::originalImage(picture, options))),
                       ConnectionError::Case::documentImageIsNotInCanvas));
    EXPECT_TRUE(usb.device().receivedBytes().isEmpty());
    EXPECT_TRUE(usb.usbDevice().writes().isEmpty());
    EXPECT_TRUE(usb.device().jobs().isEmpty());
}

// An unconverted gray picture would waste a screen.
TEST_F(TavrinPrint, conversionThatCannotRunFailsBeforeAnythingIsSent) {
    platform::compute::ComputeTestHooks::Scope noDevice(
        platform::compute::ComputeTestHooks::Fault::noDevice);
    TavrinSimulatorUsb usb;
    EXPECT_TRUE(print(usb, markTask()));
    EXPECT_TRUE(usb.device().receivedBytes().isEmpty());
}

TEST_F(TavrinPrint, cancelBeforeTheJobStopsAfterTheDensity) {
    TavrinSimulatorUsb usb;
    auto progress = std::make_shared<platform::Progress>();
    progress->cancel();
    EXPECT_TRUE(isCase(print(usb, markTask(), progress), ConnectionError::Case::userCancelled));
    EXPECT_EQ(usb.device().commands(), (QStringList{"S", "D"}));
}

// The device has no command to abort a job: from the first column on a
// cancel is refused, and a job sent whole is a finished print.
TEST_F(TavrinPrint, cancelWhileColumnsStreamIsRefusedAndTheJobEndsAsAFinishedPrint) {
    TavrinSimulatorUsb usb;
    auto progress = std::make_shared<platform::Progress>();
    auto& device = usb.device();
    bool cancellableWhileStreaming = false;
    usb.usbDevice().setWriteHandler([&](const QByteArray& data) {
        device.receive(data);
        const auto job = device.jobInProgress();
        if (job && !job->columnData.isEmpty()) {
            cancellableWhileStreaming = cancellableWhileStreaming || progress->isCancellable();
            progress->cancel();
        }
    });
    EXPECT_TRUE(progress->isCancellable());
    EXPECT_FALSE(print(usb, markTask(), progress));
    EXPECT_TRUE(progress->isCancelled());
    EXPECT_FALSE(cancellableWhileStreaming);
    EXPECT_FALSE(progress->isCancellable());
    ASSERT_EQ(device.jobs().size(), 1);
    EXPECT_TRUE(device.jobs().first().isComplete());
    EXPECT_EQ(progress->completedUnitCount(), -1); // the closing step ran
}

// A device lost after columns went out leaves a partly exposed screen, and
// the error says so and how far the job got; lost before any column, the
// transport's own error.
TEST_F(TavrinPrint, deviceLostAfterTheFirstColumnsSaysTheJobWasInterrupted) {
    const qint64 columnBytes = 256 / 8;
    const qint64 columnCount = 1181; // 100 mm at 300 dpi
    TavrinSimulatedDevice::Configuration c;
    c.failAfterColumnBytes = 10000;
    TavrinSimulatorUsb usb(c);
    std::optional<lunvik::TavrinJobInterruptedError> interrupted;
    try {
        TavrinDeviceConnection(model, ambrel::TransportType::usb)
            .print(markTask(), std::make_shared<platform::Progress>());
    } catch (const lunvik::TavrinJobInterruptedError& e) {
        interrupted = e;
    }
    platform::MainThread::drain();
    ASSERT_TRUE(interrupted);
    EXPECT_EQ(usb.device().jobInProgress()->columnData.size(), 10000);
    EXPECT_LE(interrupted->columnsSent() * columnBytes, 10000);
    EXPECT_GT(interrupted->columnsSent() * columnBytes,
              10000 - TavrinDeviceConnection::maxBufferCount);
    EXPECT_EQ(interrupted->columnCount(), columnCount);
    EXPECT_NE(interrupted->cause().domain(), ConnectionError::domain);
    const QString text = interrupted->localizedDescription();
    EXPECT_TRUE(text.contains(
        QStringLiteral("after %1 of %2 columns").arg(interrupted->columnsSent()).arg(columnCount)))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("partly exposed"))) << text.toStdString();
    EXPECT_TRUE(text.contains(interrupted->cause().localizedDescription())) << text.toStdString();
    EXPECT_TRUE(interrupted->localizedRecoverySuggestion().has_value());

    for (const qint64 taken : {qint64(0), columnBytes - 1}) {
        c.failAfterColumnBytes = taken;
        TavrinSimulatorUsb early(c);
        const auto plain = print(early, markTask());
        ASSERT_TRUE(plain) << taken;
        EXPECT_NE(plain->domain(), lunvik::TavrinJobInterruptedError::domain) << taken;
        EXPECT_NE(plain->domain(), ConnectionError::domain) << taken;
    }
}

TEST_F(TavrinPrint, anyTransportTypeUsesTheUsbDevice) {
    TavrinDeviceConnection connection(model, ambrel::TransportType::wifi);
    const auto usbCommunicator =
        std::dynamic_pointer_cast<const dari::UsbDeviceCommunicator>(connection.communicator());
    ASSERT_TRUE(usbCommunicator);
    EXPECT_EQ(usbCommunicator->vendorIdentifier(), 0x2A91u);
    EXPECT_EQ(usbCommunicator->productIdentifier(), 0xD010u);
    EXPECT_FALSE(usbCommunicator->forcesReadTimeout());
    TavrinSimulatorUsb usb;
    QImage image(dataPath("stencil-mark.png"));
    const auto wifiTask = task(model, ImageSource::originalImage(picture, optionsAtOwnSize(image)),
                               {}, 0, ambrel::TransportType::wifi);
    connection.print(wifiTask, std::make_shared<platform::Progress>());
    EXPECT_EQ(usb.device().jobs().size(), 1);
}

TEST_F(TavrinPrint, debugChordWritesThePartInsteadOfPrinting) {
    QTemporaryDir home;
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("Desktop")));
    qputenv("HOME", home.path().toLocal8Bit());
    qunsetenv("XDG_CONFIG_HOME");
    platform::Workspace::setRevealer([](const QString&) {});
    using M = platform::KeyboardModifiers;
    TavrinSimulatorUsb usb;

    // Three of the four keys print as usual.
    M::setSource([] { return M::Flags(M::shift | M::control | M::option); });
    EXPECT_FALSE(print(usb, markTask()));
    EXPECT_EQ(usb.device().jobs().size(), 1);

    M::setSource([] { return M::Flags(M::shift | M::control | M::option | M::command); });
    usb.usbDevice().clearWrites();
    EXPECT_TRUE(isCase(print(usb, markTask()), ConnectionError::Case::userCancelled));
    EXPECT_TRUE(usb.usbDevice().writes().isEmpty());
    EXPECT_EQ(
        QDir(home.filePath(QStringLiteral("Desktop/PRINT_DEBUG_PARTS"))).entryList(QDir::Files),
        QStringList{"0 {0, 0}, {100, 20}.png"});
    M::setSource({});
    platform::Workspace::setRevealer({});
}

class TavrinStatus : public ::testing::Test {
protected:
    QList<ambrel::DeviceStatusElement> read(TavrinSimulatorUsb& usb, const char* modelName) {
        (void)usb;
        TavrinDeviceConnection connection(smallModel(modelName), ambrel::TransportType::usb);
        const auto context = connection.openDevice(nullptr);
        return connection._getStatusElements(*context);
    }
};

TEST_F(TavrinStatus, firmwareSerialAndTemperature) {
    TavrinSimulatedDevice::Configuration c;
    c.firmware = "4.20";
    c.serial = "TV123456";
    c.headTemperature = 0xC8;
    TavrinSimulatorUsb usb(c);
    const auto elements = read(usb, "Tavrin test");
    EXPECT_EQ(elements, (QList<ambrel::DeviceStatusElement>{
                            ambrel::DeviceStatusElement::firmware(QStringLiteral("4.20")),
                            ambrel::DeviceStatusElement::serial(QStringLiteral("TV123456")),
                            ambrel::DeviceStatusElement::headTemperature(200)}));
    EXPECT_EQ(usb.device().commands(), (QStringList{"U", "S"}));
}

TEST_F(TavrinStatus, onlyTheLowestErrorIsShown) {
    TavrinSimulatedDevice::Configuration c;
    c.errorBits = 0x0006;
    c.isBusy = true; // not a failure here
    TavrinSimulatorUsb usb(c);
    const auto elements = read(usb, "Tavrin test");
    ASSERT_EQ(elements.size(), 4);
    EXPECT_EQ(elements[2].elementCase(), ambrel::DeviceStatusElement::Case::error);
    const auto error = std::get<ambrel::DeviceStatusElement::ErrorPointer>(elements[2].payload());
    EXPECT_EQ(error->code(), 1);
}

TEST_F(TavrinStatus, shortLayoutForModelsWhoseNameBeginsWithG) {
    TavrinSimulatedDevice::Configuration c;
    c.shortInformationLayout = true;
    c.firmware = "2.0";
    TavrinSimulatorUsb usb(c);
    EXPECT_EQ(read(usb, "Gest test").first(),
              ambrel::DeviceStatusElement::firmware(QStringLiteral("2.0")));
}

TEST_F(TavrinStatus, badStateReplyFailsWithoutPartialLines) {
    TavrinSimulatedDevice::Configuration c;
    c.stateReplyMode = ReplyMode::wrongFrame;
    TavrinSimulatorUsb usb(c);
    TavrinDeviceConnection connection(smallModel(), ambrel::TransportType::usb);
    const auto status = connection.getStatus(nullptr);
    ASSERT_TRUE(status.error);
    EXPECT_EQ(status.error->code(), qint64(ConnectionError::Case::receivedInvalidData));
    for (const auto& element : status.elements) {
        EXPECT_NE(element.elementCase(), ambrel::DeviceStatusElement::Case::firmware);
    }
    EXPECT_EQ(status.elements.last().elementCase(), ambrel::DeviceStatusElement::Case::error);
}

TEST(TavrinConnectPlugin, connectionsForTheStencilPrinterTypeOnly) {
    const lunvik::TavrinConnect plugin(lunvik::TavrinConnect::Region::worldwide);
    const auto a4 = pluginModel(QStringLiteral("Tavrin a4"));
    ASSERT_TRUE(a4);
    const auto connection = plugin.newConnection(a4, ambrel::TransportType::wifi);
    ASSERT_TRUE(std::dynamic_pointer_cast<TavrinDeviceConnection>(connection));
    EXPECT_EQ(connection->deviceDescriptor(), a4);
    EXPECT_EQ(connection->transportType(), ambrel::TransportType::wifi);
    const QByteArray otherType = QByteArray(R"([{"modelName": "X", "printerType": "Vessik",
        "dpi": 300, "canvases": [{"identifier": "C", "size_mm": {"width": 1, "height": 1}}],
        "offsetBases": ["center"]}])");
    const auto other =
        ambrel::DeviceDescriptor::deviceDescriptors(otherType, plugin.bundle()).first();
    EXPECT_FALSE(plugin.newConnection(other, ambrel::TransportType::usb));
    EXPECT_EQ(plugin.localizedStringTable(), lunvik::TavrinConnect::sharedStringTable());
}

} // namespace
