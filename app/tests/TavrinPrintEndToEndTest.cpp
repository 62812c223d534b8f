#include "TavrinTestSupport.h"

#include "app/simulator/TavrinSimulatorServer.h"
#include "app/simulator/TavrinSimulatorUsb.h"
#include "app/tavrin/TavrinCommand.h"
#include "app/tavrin/TavrinDeviceConnection.h"
#include "platform/MainThread.h"
#include "platform/Progress.h"
#include "platform/tests/support/TestPictures.h"
#include "platform/usb/SocketUsbHost.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using ambrel::ImageRotation;
using ambrel::ImageSource;
using ambrel::OffsetBase;
using lunvik::TavrinDeviceConnection;
using lunvik::TavrinSimulatedDevice;
using lunvik::TavrinSimulatorUsb;
using namespace tavrin_test;

namespace {

// A placement of the test picture on the small model's canvas (236 x 1181
// pixels at 300 dpi) with the corners of its copies worked out by hand.
struct Placement {
    const char* name;
    OffsetBase anchor;
    double offsetX_mm;
    double offsetY_mm;
    int repeatX;
    int repeatY;
    double marginX_mm;
    double marginY_mm;
    int quarterTurns;
    bool mirror;
    QList<QPoint> corners;
};

const Placement placements[] = {
    // 2 x 3 copies of 64 x 40 with gaps of 24 and 59 px: 152 x 238.
    // x = trunc((236 - 152) / 2) + 12 = 54, y = trunc((1181 - 238) / 2) - 24 = 447.
    {"centred",
     OffsetBase::center,
     1,
     2,
     2,
     3,
     2,
     5,
     0,
     false,
     {{54, 447}, {142, 447}, {54, 546}, {142, 546}, {54, 645}, {142, 645}}},
    // 2 x 2 copies with gaps of 12 px: 140 x 92. Right: x = (236 - 140) - 35 = 61;
    // middle, 4 mm below the centre: y = trunc((1181 - 92) / 2) + 47 = 591.
    {"right",
     OffsetBase::right,
     3,
     -4,
     2,
     2,
     1,
     1,
     0,
     false,
     {{61, 591}, {137, 591}, {61, 643}, {137, 643}}},
    // 1 x 2 copies with a gap of 35 px: 64 x 115. Middle across: x = 86;
    // bottom, 10 mm up: y = (1181 - 115) - 118 = 948.
    {"bottom", OffsetBase::bottom, 0, 10, 1, 2, 0, 3, 0, false, {{86, 948}, {86, 1023}}},
    // Turned three quarters after mirroring: 40 x 64 at the top left, 24 and 35 in.
    {"turned and mirrored", OffsetBase::topLeft, 2, 3, 1, 1, 0, 0, 3, true, {{24, 35}}},
};

ambrel::OriginalImageDrawingOptions optionsFor(const Placement& p, const QImage& image,
                                               const ambrel::BlackConversion& conversion) {
    auto options = optionsAtOwnSize(image);
    options.imageBitmapConversion = conversion;
    options.imageOffsetBase = p.anchor;
    options.imageOffset_mm = {p.offsetX_mm, p.offsetY_mm};
    options.imageRepeatXCount = p.repeatX;
    options.imageRepeatYCount = p.repeatY;
    options.imageRepeatXMargin_mm = p.marginX_mm;
    options.imageRepeatYMargin_mm = p.marginY_mm;
    options.imageOrientation = *ImageRotation::fromRawValue(p.quarterTurns);
    options.flipsImageHorizontal = p.mirror;
    return options;
}

lunvik::TavrinReceivedJob printOnce(const std::shared_ptr<const ambrel::DeviceDescriptor>& model,
                                    const ambrel::PrintTask& t) {
    TavrinSimulatorUsb usb;
    TavrinDeviceConnection connection(model, ambrel::TransportType::usb);
    connection.print(t, std::make_shared<platform::Progress>());
    platform::MainThread::drain();
    EXPECT_TRUE(usb.device().protocolErrors().isEmpty());
    EXPECT_EQ(usb.device().jobs().size(), 1);
    return usb.device().jobs().value(0);
}

// Prints every placement and compares; gives the share of black among the
// pixels that were neither full black nor full white.
template <typename Black, typename White>
double checkEveryPlacement(const ambrel::BlackConversion& conversion, Black black, White white) {
    const auto model = smallModel();
    const auto picture = stencilMark();
    EXPECT_TRUE(picture);
    const QImage image(dataPath("stencil-mark.png"));
    int grays = 0;
    int blackGrays = 0;
    for (const Placement& p : placements) {
        const auto job = printOnce(
            model,
            task(model, ImageSource::originalImage(picture, optionsFor(p, image, conversion))));
        const QImage placed = placedPicture(image, p.quarterTurns, p.mirror);
        const QImage canvas = grayCanvas(236, 1181, placed, p.corners);
        QString report;
        const QImage imaged = job.picture();
        EXPECT_EQ(mismatches(imaged, canvas, 256, black, white, &report), 0)
            << p.name << ": " << report.toStdString();
        const int shift = dotShift(256, 236);
        for (int v = 0; v < canvas.height() && imaged.height() == canvas.height(); ++v) {
            for (int u = 0; u < canvas.width(); ++u) {
                const int gray = canvas.constScanLine(v)[u];
                if (gray != 0 && gray != 255) {
                    ++grays;
                    blackGrays += imaged.pixelIndex(u + shift, v);
                }
            }
        }
    }
    return grays ? double(blackGrays) / grays : 0;
}

TEST(TavrinPrintEndToEnd, thresholdPicturesLandPixelForPixel) {
    // Two of the four steps are dark: half of the gray pixels.
    EXPECT_DOUBLE_EQ(checkEveryPlacement(
                         ambrel::BlackConversion::threshold(), [](int gray) { return gray <= 127; },
                         [](int gray) { return gray >= 128; }),
                     0.5);
}

// The screen decides the gray steps; full black and full white must stay so.
TEST(TavrinPrintEndToEnd, halftonePicturesLandPixelForPixel) {
    const double share = checkEveryPlacement(
        ambrel::BlackConversion::halftone(), [](int gray) { return gray == 0; },
        [](int gray) { return gray == 255; });
    // Steps of 100, 127, 128 and 200 come out as a screen, not as solid areas.
    EXPECT_GT(share, 0.2);
    EXPECT_LT(share, 0.8);
}

TEST(TavrinPrintEndToEnd, theSameJobTwiceGivesTheSameBytes) {
    const auto model = smallModel();
    const auto picture = stencilMark();
    const QImage image(dataPath("stencil-mark.png"));
    for (const auto& conversion :
         {ambrel::BlackConversion::threshold(), ambrel::BlackConversion::halftone()}) {
        const auto t =
            task(model,
                 ImageSource::originalImage(picture, optionsFor(placements[0], image, conversion)));
        TavrinSimulatorUsb usb;
        TavrinDeviceConnection connection(model, ambrel::TransportType::usb);
        connection.print(t, nullptr);
        const QByteArray first = usb.device().receivedBytes();
        usb.device().clearHistory();
        TavrinDeviceConnection(model, ambrel::TransportType::usb).print(t, nullptr);
        EXPECT_EQ(usb.device().receivedBytes(), first);
        EXPECT_GT(first.size(), 1181 * 32);
        platform::MainThread::drain();
    }
}

// The plug-in's own A4 model on its 210 x 300 mm frame, at 600 dpi.
TEST(TavrinPrintEndToEnd, fullSizeFrameOfTheA4Model) {
    const auto model = pluginModel(QStringLiteral("Tavrin a4"));
    ASSERT_TRUE(model);
    int frame = -1;
    for (int i = 0; i < model->canvases().size(); ++i) {
        if (model->canvases()[i]->identifier() == QLatin1String("Frame300")) {
            frame = i;
        }
    }
    ASSERT_GE(frame, 0);
    const QImage image(dataPath("stencil-mark.png"));
    auto options = optionsAtOwnSize(image);
    options.imageRepeatXCount = 3;
    options.imageRepeatXMargin_mm = 10; // 236 px
    TavrinSimulatorUsb usb;
    TavrinDeviceConnection(model, ambrel::TransportType::usb)
        .print(task(model, ImageSource::originalImage(stencilMark(), options), {}, frame), nullptr);
    platform::MainThread::drain();
    ASSERT_EQ(usb.device().jobs().size(), 1);
    EXPECT_TRUE(usb.device().receivedBytes().contains(QByteArray::fromHex("1b7c308013af1b")));
    // 4961 x 7087 pixels; three copies and two gaps: 664 wide.
    const int x = (4961 - 664) / 2;
    const int y = (7087 - 40) / 2;
    const QImage canvas = grayCanvas(4961, 7087, placedPicture(image, 0, false),
                                     {{x, y}, {x + 300, y}, {x + 600, y}});
    QString report;
    EXPECT_EQ(mismatches(
                  usb.device().jobs().first().picture(), canvas, 4992,
                  [](int g) { return g <= 127; }, [](int g) { return g >= 128; }, &report),
              0)
        << report.toStdString();
}

// The largest page PDF allows, black all over and printed at its actual
// size (60000 pixels a side): it covers the whole canvas.
TEST(TavrinPrintEndToEnd, theLargestPageAtItsActualSizeCoversTheCanvas) {
    const auto model = smallModel();
    const auto page = ambrel::OriginalImage::fromData(
        testpictures::pdf({QRectF(0, 0, 14400, 14400), {}, 0, "0 0 0 rg 0 0 14400 14400 re f"}),
        QUrl::fromLocalFile(QStringLiteral("/p/largest.pdf")));
    ASSERT_TRUE(page);
    ambrel::OriginalImageDrawingOptions options;
    options.imageSize_px = page->size_px(model->dpi());
    EXPECT_EQ(options.imageSize_px, (ambrel::Size_px{60000, 60000}));
    const auto job = printOnce(model, task(model, ImageSource::originalImage(page, options)));
    QImage black(236, 1181, QImage::Format_Grayscale8);
    black.fill(0);
    QString report;
    EXPECT_EQ(mismatches(
                  job.picture(), black, 256, [](int g) { return g <= 127; },
                  [](int g) { return g >= 128; }, &report),
              0)
        << report.toStdString();
}

// The path the application takes with LUNVIK_USB_SIMULATOR_SOCKET set: the
// USB communicator over the socket backend to the simulator program's server.
TEST(TavrinPrintEndToEnd, throughTheSimulatorSocket) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("stencil.sock"));
    platform::UsbHost::Scope useSocket(std::make_shared<platform::SocketUsbHost>(path));
    TavrinSimulatedDevice device;
    lunvik::TavrinSimulatorServer server(device);
    ASSERT_TRUE(server.listen(path));
    server.start();
    const auto model = smallModel();
    const QImage image(dataPath("stencil-mark.png"));
    const auto options = optionsFor(placements[2], image, ambrel::BlackConversion::threshold());
    TavrinDeviceConnection(model, ambrel::TransportType::usb)
        .print(task(model, ImageSource::originalImage(stencilMark(), options)), nullptr);
    platform::MainThread::drain();
    server.stop();
    ASSERT_EQ(device.jobs().size(), 1);
    const QImage canvas = grayCanvas(236, 1181, image.convertToFormat(QImage::Format_Grayscale8),
                                     placements[2].corners);
    QString report;
    EXPECT_EQ(mismatches(
                  device.jobs().first().picture(), canvas, 256, [](int g) { return g <= 127; },
                  [](int g) { return g >= 128; }, &report),
              0)
        << report.toStdString();
}

} // namespace
