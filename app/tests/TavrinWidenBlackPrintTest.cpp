#include "TavrinTestSupport.h"

#include "app/simulator/TavrinSimulatorUsb.h"
#include "app/tavrin/TavrinDeviceConnection.h"
#include "platform/MainThread.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using ambrel::ImageSource;
using lunvik::TavrinDeviceConnection;
using lunvik::TavrinSimulatorUsb;
using namespace tavrin_test;

namespace {

// The small test model (236 dots across, 1181 columns, a head of 256 dots),
// with or without the widening of black offered.
std::shared_ptr<const ambrel::DeviceDescriptor> modelOffering(bool offersExpansion) {
    const QByteArray json = QStringLiteral(R"([{
        "modelName": "Tavrin widen", "printerType": "vessik", "headDotCount": 256, "dpi": 300,
        "canvases": [{"identifier": "C", "size_mm": {"width": 20, "height": 100}}],
        "offsetBases": ["center"],
        "parameterProperties": [{"type": "number", "identifier": "density",
                                 "minValue": -8, "maxValue": 8, "defaultValue": 3}],
        "additionalInfos": {"BlackConversion": {"threshold": {"isExpansionAvailable": %1}}}
    }])")
                                .arg(offersExpansion ? "true" : "false")
                                .toUtf8();
    return ambrel::DeviceDescriptor::deviceDescriptors(json, lunvik::TavrinConnect::pluginBundle())
        .first();
}

constexpr int W = 236;  // dots across the canvas
constexpr int H = 1181; // columns
constexpr int head = 256;

QByteArray columnsOf(const std::shared_ptr<const ambrel::DeviceDescriptor>& model,
                     const QImage& picture, qint64 level) {
    auto options = optionsAtOwnSize(picture);
    options.imageBitmapConversion = ambrel::BlackConversion::threshold({0.5, level});
    TavrinSimulatorUsb usb;
    TavrinDeviceConnection(model, ambrel::TransportType::usb)
        .print(task(model, ImageSource::originalImage(
                               ambrel::OriginalImage::fromImage(picture, {}, {}, 1), options)),
               nullptr);
    platform::MainThread::drain();
    EXPECT_EQ(usb.device().jobs().size(), 1);
    const auto job = usb.device().jobs().value(0);
    EXPECT_TRUE(job.isComplete());
    return job.columnData;
}

// The job as the bitmap the device was sent, one byte per dot (0 black): x
// along the columns in the order they were rendered, y across the head.
std::vector<std::uint8_t> sentBitmap(const QByteArray& columns) {
    lunvik::TavrinReceivedJob job;
    job.dotCount = head;
    job.columnCount = H;
    job.columnData = columns;
    job.columnByteCount = columns.size();
    const QImage imaged = job.picture();
    std::vector<std::uint8_t> bitmap(std::size_t(W * H), 255);
    const int shift = dotShift(head, W);
    for (int x = 0; x < H; ++x) {
        for (int y = 0; y < W; ++y) {
            // Columns go out last first, and the head takes the rows mirrored.
            const bool black = imaged.pixelIndex(W - 1 - y + shift, H - 1 - x) == 1;
            bitmap[std::size_t(y * H + x)] = black ? 0 : 255;
        }
    }
    return bitmap;
}

// The widening table written out again: every pixel of the growing colour
// paints around itself, in row order, on a field of the other colour.
std::vector<std::uint8_t> widened(const std::vector<std::uint8_t>& bw, int w, int h, int level) {
    const bool growsBlack = level > 0;
    const int m = std::abs(level);
    std::vector<std::uint8_t> out(bw.size(), growsBlack ? 255 : 0);
    const auto paint = [&](int x, int y) {
        if (x >= 0 && x < w && y >= 0 && y < h) {
            out[std::size_t(y * w + x)] = growsBlack ? 0 : 255;
        }
    };
    static const int offsets[][2] = {{0, -1},  {1, 0},  {-1, 0}, {0, 1},
                                     {-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if ((bw[std::size_t(y * w + x)] == 0) != growsBlack) {
                continue;
            }
            int count = 0; // neighbours painted, in the order of offsets
            switch (m) {
            case 1:
                count = (x % 2 == 0 && y % 2 == 0) ? 2 : 0;
                break;
            case 2:
                count = (x % 2 == 1 && y % 2 == 1) ? 0 : 2;
                break;
            case 3:
                count = 2;
                break;
            case 4:
                count = 4;
                break;
            case 5:
                count = 8;
                break;
            }
            paint(x, y);
            for (int i = 0; i < count; ++i) {
                paint(x + offsets[i][0], y + offsets[i][1]);
            }
        }
    }
    return out;
}

} // namespace

TEST(TavrinWidenBlackPrint, everyLevelReachesTheDeviceAsTheTableSays) {
    const auto model = modelOffering(true);
    const QImage picture = thinLines();
    const auto flat = sentBitmap(columnsOf(model, picture, 0));
    for (int level = -5; level <= 5; ++level) {
        if (level == 0) {
            continue;
        }
        const auto got = sentBitmap(columnsOf(model, picture, level));
        const auto want = widened(flat, H, W, level);
        int wrong = 0;
        for (std::size_t i = 0; i < got.size(); ++i) {
            wrong += got[i] != want[i];
        }
        EXPECT_EQ(wrong, 0) << "level " << level;
        EXPECT_NE(got, flat) << "level " << level;
    }
}

TEST(TavrinWidenBlackPrint, levelZeroAndModelsThatDoNotOfferItPrintAsBefore) {
    const QImage picture = thinLines();
    const QByteArray before = columnsOf(modelOffering(false), picture, 0);
    EXPECT_EQ(columnsOf(modelOffering(true), picture, 0), before);
    for (const qint64 level : {-5, 5}) {
        EXPECT_EQ(columnsOf(modelOffering(false), picture, level), before) << level;
        EXPECT_EQ(columnsOf(smallModel(), picture, level), before) << level;
    }
}
