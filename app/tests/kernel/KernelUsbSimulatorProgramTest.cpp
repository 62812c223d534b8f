#include "KernelUsbTestSupport.h"

#include "app/simulator/TavrinSimulatorUsb.h"
#include "app/tavrin/TavrinDeviceConnection.h"
#include "app/tests/TavrinTestSupport.h"
#include "platform/MainThread.h"
#include "platform/Progress.h"
#include "platform/tests/support/TestPictures.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kernel_usb_test;
using namespace tavrin_test;

// The simulator program serves the device on its emulated bus; a program
// started with the environment it prints (here this test's process) prints a
// photo through libusb, and the program's picture of the job is the
// in-memory device's.
TEST(KernelUsbSimulatorProgram, APhotoPrintedOnTheProgramsBusIsTheInMemoryDevicesPicture) {
    QTemporaryDir folder;
    const QString jobs = folder.filePath(QStringLiteral("jobs"));
    QProcess simulator;
    // Started as a user starts it, without the preload library.
    QProcessEnvironment plain = QProcessEnvironment::systemEnvironment();
    plain.remove(QStringLiteral("LD_PRELOAD"));
    plain.remove(QStringLiteral("UMOCKDEV_DIR"));
    simulator.setProcessEnvironment(plain);
    simulator.start(QStringLiteral(LUNVIK_SIMULATOR),
                    {QStringLiteral("--usb"), QStringLiteral("--png-dir"), jobs});
    ASSERT_TRUE(simulator.waitForStarted());
    ASSERT_TRUE(simulator.waitForReadyRead(20000));
    const QString environment = QString::fromLocal8Bit(simulator.readLine()).trimmed();
    const QStringList parts = environment.split(QLatin1Char(' '));
    ASSERT_EQ(parts.size(), 2) << environment.toStdString();
    ASSERT_TRUE(parts[0].startsWith(QStringLiteral("UMOCKDEV_DIR="))) << environment.toStdString();
    ASSERT_TRUE(parts[1].contains(QStringLiteral("libumockdev-preload.so.0")));
    // This process already runs with the preload library; the bed is the
    // program's.
    qputenv("UMOCKDEV_DIR", parts[0].mid(13).toLocal8Bit());

    QImage photo(480, 300, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        for (int x = 0; x < photo.width(); ++x) {
            photo.setPixel(x, y, qRgb(x * 255 / 480, y * 255 / 300, ((x / 30 + y / 30) % 2) * 200));
        }
    }
    const auto picture = ambrel::OriginalImage::fromData(
        testpictures::encode(photo, "jpeg", 90), QUrl::fromLocalFile(QStringLiteral("/p/b.jpg")));
    ASSERT_TRUE(picture);
    const auto model = smallModel();
    auto options = optionsAtOwnSize(photo);
    options.imageBitmapConversion = ambrel::BlackConversion::halftone();
    const auto t = task(model, ambrel::ImageSource::originalImage(picture, options));

    lunvik::TavrinDeviceConnection(model, ambrel::TransportType::usb)
        .print(t, std::make_shared<platform::Progress>());
    platform::MainThread::drain();
    const QString written = QDir(jobs).filePath(QStringLiteral("job-1.png"));
    QImage received;
    ASSERT_TRUE(eventually([&] {
        received = QImage(written);
        return !received.isNull();
    })) << simulator.readAllStandardError().toStdString();

    QImage expected;
    {
        lunvik::TavrinSimulatorUsb memory;
        lunvik::TavrinDeviceConnection(model, ambrel::TransportType::usb)
            .print(t, std::make_shared<platform::Progress>());
        ASSERT_EQ(memory.device().jobs().size(), 1);
        expected = memory.device().jobs().first().picture();
    }
    EXPECT_TRUE(received.convertToFormat(QImage::Format_Grayscale8) ==
                expected.convertToFormat(QImage::Format_Grayscale8));

    simulator.terminate();
    ASSERT_TRUE(simulator.waitForFinished(10000));
    EXPECT_EQ(simulator.exitStatus(), QProcess::NormalExit);
    // The program took its bed with it.
    EXPECT_FALSE(QDir(parts[0].mid(13)).exists());
}
