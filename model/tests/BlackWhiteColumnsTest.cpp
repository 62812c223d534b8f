#include "model/columns/BlackWhiteColumnPacker.h"
#include "model/columns/BlackWhiteSendable.h"
#include "model/connections/DeviceConnection.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "platform/MainThread.h"
#include "platform/Progress.h"
#include "platform/compute/Device.h"
#include "platform/compute/ThreadPool.h"
#include "transport/model/DeviceCommunicationContext.h"
#include "transport/model/PipeError.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <new>
#include <random>
#include <thread>
#include <vector>

using ambrel::BlackWhiteColumnPacker;
using ambrel::BlackWhiteSendable;
using ambrel::Size_px;
using Option = ambrel::BlackWhiteColumnsSendingOption;
using Options = ambrel::BlackWhiteColumnsSendingOptions;
using Bytes = std::vector<std::uint8_t>;

namespace {

// Keeps every piece it is given; optionally fails the n-th send.
class RecordingContext : public fennick::DeviceCommunicationContext {
public:
    std::vector<Bytes> sends;
    int failingSend = -1;

    Bytes stream() const {
        Bytes all;
        for (const auto& piece : sends) {
            all.insert(all.end(), piece.begin(), piece.end());
        }
        return all;
    }

protected:
    void performSend(const QByteArray& data) override {
        if (int(sends.size()) == failingSend) {
            throw fennick::PipeErrorMakeWithCode(fennick::PipeErrorCode::couldNotSendData);
        }
        sends.emplace_back(data.begin(), data.end());
    }
    QByteArray performRead(std::optional<qint64>) override { return {}; }
};

Bytes send(const Bytes& pixels, Size_px size, int head, Options options = {},
           qint64 maxBufferCount = 1 << 20) {
    RecordingContext context;
    BlackWhiteSendable::sendGrayColumns(pixels.data(), size, head, nullptr, options, maxBufferCount,
                                        context);
    return context.stream();
}

// The column stream as the device defines it, one dot at a time.
Bytes referenceColumns(const Bytes& pixels, Size_px size, int head, Options options) {
    const qint64 rows = std::min<qint64>(head, size.height);
    const qint64 offset = (head - rows) / 2;
    Bytes out;
    for (qint64 c = 0; c < size.width; ++c) {
        Bytes column(head / 8, 0);
        const qint64 x = options.testFlag(Option::reverseColumns) ? size.width - 1 - c : c;
        for (qint64 r = 0; r < rows; ++r) {
            qint64 d = r + offset;
            if (options.testFlag(Option::reverseRows)) {
                d = head - 1 - d;
            }
            if (pixels[r * size.width + x] < 128) {
                const int bit = options.testFlag(Option::reverseRowBits) ? 7 - d % 8 : d % 8;
                column[d / 8] |= std::uint8_t(1 << bit);
            }
        }
        out.insert(out.end(), column.begin(), column.end());
    }
    return out;
}

const Options allOptionSets[] = {
    {},
    Option::reverseRows,
    Option::reverseRowBits,
    Option::reverseColumns,
    Option::reverseRows | Option::reverseRowBits,
    Option::reverseRows | Option::reverseRowBits | Option::reverseColumns,
};

} // namespace

TEST(BlackWhiteColumns, threeRowsOnASixteenDotHead) {
    const Bytes black(3, 0);
    EXPECT_EQ(send(black, {1, 3}, 16), (Bytes{0xC0, 0x01}));
    EXPECT_EQ(send(black, {1, 3}, 16, Option::reverseRows), (Bytes{0x80, 0x03}));
    EXPECT_EQ(send(black, {1, 3}, 16, Option::reverseRows | Option::reverseRowBits),
              (Bytes{0x01, 0xC0}));
    // Only the first row black: dot 6.
    EXPECT_EQ(send({0, 255, 255}, {1, 3}, 16), (Bytes{0x40, 0x00}));
    EXPECT_EQ(send({0, 255, 255}, {1, 3}, 16, Option::reverseRowBits), (Bytes{0x02, 0x00}));
}

TEST(BlackWhiteColumns, columnOrderAndThreshold) {
    // Left pixel black, right pixel white, one row on an 8-dot head (dot 3).
    EXPECT_EQ(send({0, 255}, {2, 1}, 8), (Bytes{0x08, 0x00}));
    EXPECT_EQ(send({0, 255}, {2, 1}, 8, Option::reverseColumns), (Bytes{0x00, 0x08}));
    EXPECT_EQ(send({127, 128}, {2, 1}, 8), (Bytes{0x08, 0x00}));
    // Rows beyond the head are not sent; a picture without columns sends nothing.
    EXPECT_EQ(send(Bytes(10, 0), {1, 10}, 8), (Bytes{0xFF}));
    EXPECT_TRUE(send({}, {0, 5}, 16).empty());
    EXPECT_EQ(send({}, {3, 0}, 16), Bytes(6, 0));
}

TEST(BlackWhiteColumns, wordPackingMatchesDotByDot) {
    std::mt19937 random(7);
    const struct {
        int head;
        Size_px size;
    } shapes[] = {{8, {1, 1}},
                  {16, {9, 3}},
                  {16, {17, 16}},
                  {24, {23, 11}},
                  {32, {64, 40}},
                  {64, {130, 37}},
                  {64, {65, 64}},
                  {4992, {70, 101}},
                  {4992, {333, 19}},
                  // Whole blocks of 64 dots and 64 columns, off the byte
                  // grid, with stretches of columns and rows left over.
                  {128, {130, 100}},
                  {200, {700, 203}},
                  {136, {1000, 150}}};
    for (const auto& shape : shapes) {
        Bytes pixels(size_t(shape.size.width * shape.size.height));
        for (auto& p : pixels) {
            p = std::uint8_t(random());
        }
        for (const Options options : allOptionSets) {
            EXPECT_EQ(send(pixels, shape.size, shape.head, options),
                      referenceColumns(pixels, shape.size, shape.head, options))
                << shape.head << " " << shape.size.width << "x" << shape.size.height << " "
                << options.toInt();
        }
    }
}

TEST(BlackWhiteColumns, rowsMadeOnTheWayPackAsThePicturesOwn) {
    std::mt19937 random(11);
    const Size_px size{1100, 150};
    Bytes pixels(size_t(size.width * size.height));
    for (auto& p : pixels) {
        p = std::uint8_t(random());
    }
    for (const Options options : allOptionSets) {
        // Each row as its own negative: the source inverts the picture's bytes.
        const BlackWhiteColumnPacker packer(
            [&](qint64 row, qint64 first, qint64 count, std::uint8_t* out) {
                for (qint64 x = 0; x < count; ++x) {
                    out[x] = std::uint8_t(~pixels[size_t(row * size.width + first + x)]);
                }
            },
            size, 136, options);
        RecordingContext context;
        BlackWhiteSendable::sendPackedColumns(packer, nullptr, 3200, context);
        Bytes negative(pixels);
        for (auto& p : negative) {
            p = std::uint8_t(~p);
        }
        EXPECT_EQ(context.stream(), referenceColumns(negative, size, 136, options))
            << options.toInt();
    }
}

namespace {

// A context that counts its sends where the packing workers can see them.
class CountingContext : public RecordingContext {
public:
    std::atomic<int> count{0};

protected:
    void performSend(const QByteArray& data) override {
        RecordingContext::performSend(data);
        count.fetch_add(1);
    }
};

} // namespace

// The sender does not wait for the whole job: the first pieces go out while
// the later columns are still being packed, and a column that cannot be
// packed ends the job with its error.
TEST(BlackWhiteColumns, theFirstPiecesGoOutWhileLaterColumnsArePacked) {
    const auto device = platform::compute::Device::systemDefault();
    if (!device || device->threadPool().concurrency() < 2) {
        GTEST_SKIP() << "no compute workers to pack ahead of the sender";
    }
    const Size_px size{4096, 64};
    Bytes pixels(size_t(size.width * size.height));
    std::mt19937 random(5);
    for (auto& p : pixels) {
        p = std::uint8_t(random());
    }
    CountingContext context;
    std::atomic<bool> packedBeforeAnySend{false};
    const auto rows = [&](qint64 row, qint64 first, qint64 count, std::uint8_t* out) {
        if (first >= size.width / 2 && !packedBeforeAnySend.load()) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (context.count.load() == 0 && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::yield();
            }
            packedBeforeAnySend = packedBeforeAnySend || context.count.load() == 0;
        }
        std::memcpy(out, pixels.data() + row * size.width + first, size_t(count));
    };
    BlackWhiteSendable::sendPackedColumns(BlackWhiteColumnPacker(rows, size, 64, {}), nullptr, 3200,
                                          context);
    EXPECT_FALSE(packedBeforeAnySend.load());
    EXPECT_EQ(context.stream(), referenceColumns(pixels, size, 64, {}));

    // Memory running out while the end is packed: the job ends as a failed
    // send ends it, so that its connection can tell how far it got.
    RecordingContext failed;
    const auto failingRows = [&](qint64 row, qint64 first, qint64 count, std::uint8_t* out) {
        if (first + count > size.width - 300) {
            throw std::bad_alloc();
        }
        rows(row, first, count, out);
    };
    try {
        BlackWhiteSendable::sendPackedColumns(BlackWhiteColumnPacker(failingRows, size, 64, {}),
                                              nullptr, 3200, failed);
        FAIL() << "the packing failure was swallowed";
    } catch (const platform::Error& error) {
        EXPECT_EQ(fennick::ioReturn(error), platform::UsbResult::noMemory);
    }
    const Bytes all = referenceColumns(pixels, size, 64, {});
    const Bytes sent = failed.stream();
    ASSERT_LT(sent.size(), all.size());
    EXPECT_EQ(sent, Bytes(all.begin(), all.begin() + qsizetype(sent.size())));
}

TEST(BlackWhiteColumns, piecesHoldExactlyTheBufferSize) {
    RecordingContext context;
    const Bytes pixels(4 * 3, 0);
    BlackWhiteSendable::sendGrayColumns(pixels.data(), {4, 3}, 16, nullptr, {}, 3, context);
    ASSERT_EQ(context.sends.size(), 3u);
    EXPECT_EQ(context.sends[0].size(), 3u);
    EXPECT_EQ(context.sends[1].size(), 3u);
    EXPECT_EQ(context.sends[2].size(), 2u);
    EXPECT_EQ(context.stream(), referenceColumns(pixels, {4, 3}, 16, {}));
}

TEST(BlackWhiteColumns, progressEveryTwentyColumnsAndAtTheEnd) {
    for (const auto& [width, expected] : std::vector<std::pair<qint64, std::vector<qint64>>>{
             {21, {1, 21}}, {41, {1, 21, 41}}, {45, {1, 21, 41, 45}}, {1, {1}}}) {
        auto progress = std::make_shared<platform::Progress>(width);
        std::vector<qint64> reported;
        progress->addObserver([&reported](const platform::Progress& p, auto change) {
            if (change == platform::Progress::Change::Units) {
                reported.push_back(p.completedUnitCount());
            }
        });
        RecordingContext context;
        const Bytes pixels(size_t(width), 0);
        BlackWhiteSendable::sendGrayColumns(pixels.data(), {width, 1}, 8, progress, {}, 5, context);
        // The updates wait for the main thread.
        EXPECT_TRUE(reported.empty());
        platform::MainThread::drain();
        EXPECT_EQ(reported, expected) << width;
    }
}

TEST(BlackWhiteColumns, failedSendKeepsEarlierPiecesAndPassesTheError) {
    RecordingContext context;
    context.failingSend = 2;
    const Bytes pixels(10, 0);
    try {
        BlackWhiteSendable::sendGrayColumns(pixels.data(), {10, 1}, 16, nullptr, {}, 4, context);
        FAIL() << "the send failure was swallowed";
    } catch (const platform::Error& error) {
        EXPECT_EQ(fennick::pipeErrorCode(error), fennick::PipeErrorCode::couldNotSendData);
    }
    ASSERT_EQ(context.sends.size(), 2u);
    const Bytes all = referenceColumns(pixels, {10, 1}, 16, {});
    EXPECT_EQ(context.stream(), Bytes(all.begin(), all.begin() + 8));
}

namespace {

// A connection of a 16-dot head that adopts the column sender.
class ColumnConnection : public ambrel::DeviceConnection, public BlackWhiteSendable {
public:
    ColumnConnection() : DeviceConnection(sixteenDotModel(), ambrel::TransportType::usb) {}

    static std::shared_ptr<const ambrel::DeviceDescriptor> sixteenDotModel() {
        static const auto models = ambrel::DeviceDescriptor::deviceDescriptors(
            R"([{"modelName": "H16", "printerType": "test", "dpi": 300, "headDotCount": 16,
                 "canvases": [{"identifier": "A4", "size_mm": {"width": 297, "height": 210}}],
                 "offsetBases": ["center"]}])",
            platform::Bundle::named(QStringLiteral("AmbrelTestBundle")));
        return models.front();
    }
};

} // namespace

TEST(BlackWhiteColumns, picturesUseTheConnectionsHead) {
    QImage picture(2, 3, QImage::Format_ARGB32);
    picture.fill(Qt::black);
    // A transparent pixel counts as white.
    picture.setPixelColor(1, 0, QColor(0, 0, 0, 0));
    RecordingContext context;
    ColumnConnection().sendColumns(picture, nullptr, {}, 100, context);
    EXPECT_EQ(context.stream(), (Bytes{0xC0, 0x01, 0x80, 0x01}));

    QImage gray(2, 1, QImage::Format_Grayscale8);
    gray.setPixel(0, 0, qRgb(127, 127, 127));
    gray.setPixel(1, 0, qRgb(128, 128, 128));
    RecordingContext grayContext;
    ColumnConnection().sendColumns(gray, nullptr, Option::reverseColumns, 100, grayContext);
    EXPECT_EQ(grayContext.stream(), (Bytes{0x00, 0x00, 0x80, 0x00}));
}

TEST(BlackWhiteColumns, aPictureTooLargeToConvertFailsBeforeSending) {
    // One bit per pixel keeps this beyond the decoding cap yet cheap to make.
    QImage huge(600000, 1000, QImage::Format_Mono);
    ASSERT_FALSE(huge.isNull());
    huge.fill(0);
    RecordingContext context;
    try {
        ColumnConnection().sendColumns(huge, nullptr, {}, 100, context);
        FAIL() << "an unconverted picture was sent";
    } catch (const platform::Error& error) {
        EXPECT_EQ(error.domain(), QStringLiteral("PictureError"));
        EXPECT_FALSE(error.localizedDescription().startsWith(QStringLiteral("Error_")));
    }
    EXPECT_TRUE(context.sends.empty());
}
