#include "SplitTestSupport.h"
#include "imaging/print/ImageSplittable_mm.h"
#include "imaging/print/ImageSplitter_mm.h"
#include "model/columns/BlackWhiteSendable.h"
#include "model/connections/DeviceConnection.h"
#include "model/errors/ConnectionError.h"
#include "platform/MainThread.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utility>

using ambrel::ConnectionError;
using Case = ConnectionError::Case;
using quenta::ImageSplitter_mm;
using quenta::SplitPart_mm;
using splittest::failure;

namespace {

const QString movable = QStringLiteral(R"({"canMoveHeadYPosition": true})");

std::vector<SplitPart_mm> split(const QImage& image,
                                const ambrel::OriginalImageDrawingOptions& options,
                                const QString& imageSplit = {}, double dpi = 25.4,
                                qint64 head = 100, double canvasHeight = 100) {
    const auto device = splittest::model(dpi, head, 200, canvasHeight, imageSplit);
    return ImageSplitter_mm::generateBitmaps(*device, splittest::task(device, image, options),
                                             false);
}

TEST(ImageSplitterMm, refusesWhatCannotBePrinted) {
    const auto device = splittest::model(25.4, 100, 200, 100);
    const ambrel::PrintTask canvasSized(device, device->canvases().first(),
                                        ambrel::TransportType::usb,
                                        ambrel::ImageSource::canvasSizedImage({}));
    EXPECT_EQ(failure([&] { ImageSplitter_mm::generateBitmaps(*device, canvasSized, false); }),
              Case::noImageInDocument);
    const QImage small = splittest::picture(9, 9, {QRect(0, 0, 9, 9)});
    EXPECT_EQ(failure([&] { split(small, splittest::optionsFor(small)); }),
              Case::documentImageIsTooSmall);
    const QImage thin = splittest::picture(9, 40, {QRect(0, 0, 9, 40)});
    EXPECT_EQ(split(thin, splittest::optionsFor(thin)).size(), 1u);
    const QImage white = splittest::picture(40, 20);
    EXPECT_EQ(failure([&] { split(white, splittest::optionsFor(white)); }),
              Case::documentImageIsNotInCanvas);
    auto outside = splittest::optionsFor(thin);
    outside.imageOffset_mm = {-300, 0};
    EXPECT_EQ(failure([&] { split(thin, outside); }), Case::documentImageIsNotInCanvas);
}

TEST(ImageSplitterMm, placesPartsInMillimetresFromTheTravelsStart) {
    // 254 dpi: 10.4 mm is 10 mm and four blank columns before the picture.
    const QImage block = splittest::picture(50, 20, {QRect(0, 0, 50, 20)});
    auto options = splittest::optionsFor(block);
    options.imageOffset_mm = {10.4, 0};
    auto parts = split(block, options, {}, 254);
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0].location_mm, QPointF(10, 0));
    EXPECT_EQ(splittest::blackBounds(parts[0].bitmap).left(), 4);

    options.imageOffsetBase = ambrel::OffsetBase::topRight;
    options.imageOffset_mm = {5, 0};
    parts = split(block, options, QStringLiteral(R"({"headPrintsImageFromRight": true})"), 254);
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0].location_mm.x(), 5);

    // Bottom anchors keep the picture the offset above the bottom edge: the
    // mirror of the top anchor's rows.
    options = splittest::optionsFor(block);
    options.imageOffset_mm = {0, 10};
    const QRect top = splittest::blackBounds(split(block, options)[0].bitmap);
    options.imageOffsetBase = ambrel::OffsetBase::bottomLeft;
    const QRect bottom = splittest::blackBounds(split(block, options)[0].bitmap);
    EXPECT_EQ(bottom.top(), 100 - (top.top() + top.height()));
}

TEST(ImageSplitterMm, separatesPartsOnlyWhereTheModelAllows) {
    const QImage two = splittest::picture(100, 20, {QRect(0, 0, 10, 20), QRect(60, 0, 10, 20)});
    auto options = splittest::optionsFor(two);
    options.usesMinimumSeparatedXMargin = true;
    options.minimumSeparatedXMargin_mm = 20;
    const QString multiple = QStringLiteral(R"({"supportsMultipleSequences": true})");
    const auto parts = split(two, options, multiple);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[1].location_mm.x(), 60);
    EXPECT_EQ(split(two, options).size(), 1u);
    options.usesMinimumSeparatedXMargin = false;
    EXPECT_EQ(split(two, options, multiple).size(), 1u);
}

TEST(ImageSplitterMm, stacksRepeatsIntoPasses) {
    const QImage row = splittest::picture(40, 40, {QRect(0, 0, 40, 40)});
    auto options = splittest::optionsFor(row);
    options.imageRepeatYCount = 5;
    options.imageRepeatYMargin_mm = 5;
    // (100 + 5) / (40 + 5): two repeats a pass, then 2, 2 and 1.
    auto parts = split(row, options, movable, 25.4, 100, 400);
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_LT(parts[0].location_mm.y(), parts[1].location_mm.y());
    EXPECT_LT(parts[1].location_mm.y(), parts[2].location_mm.y());
    EXPECT_EQ(splittest::blackBounds(parts[2].bitmap).height(), 40);

    // A ratio of exactly 1: one repeat a pass.
    const QImage full = splittest::picture(40, 100, {QRect(0, 0, 40, 100)});
    auto exact = splittest::optionsFor(full);
    exact.imageRepeatYCount = 2;
    EXPECT_EQ(split(full, exact, movable, 25.4, 100, 400).size(), 2u);
}

TEST(ImageSplitterMm, tallPicturesNeedAHeadThatAdvances) {
    const QImage tall = splittest::picture(40, 250, {QRect(0, 0, 40, 250)});
    const auto parts = split(tall, splittest::optionsFor(tall), movable, 25.4, 100, 400);
    ASSERT_GE(parts.size(), 3u);
    EXPECT_EQ(parts[0].location_mm.y(), 0);
    EXPECT_EQ(failure([&] { split(tall, splittest::optionsFor(tall), movable, 25.4, 1, 400); }),
              Case::incorrectDeviceModel);
}

// A pass that starts after a white gap has no earlier pass over its first
// millimetre: a thin line there is printed. Where passes overlap, the rows
// the earlier pass printed are left to it.
TEST(ImageSplitterMm, aThinLineAfterAWhiteGapIsPrintedByThePassItStarts) {
    // One pixel a millimetre; a head of 100 rows advances 99 a search.
    const QImage tall = splittest::picture(40, 250, {QRect(0, 0, 40, 10), QRect(5, 130, 30, 1)});
    const auto parts = split(tall, splittest::optionsFor(tall), movable, 25.4, 100, 400);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].location_mm.y(), 0);
    EXPECT_EQ(parts[1].location_mm.y(), 130);
    EXPECT_EQ(splittest::blackBounds(parts[1].bitmap).height(), 1);
    EXPECT_EQ(splittest::blackBounds(parts[1].bitmap).width(), 30);

    // Continuous ink: the second pass starts inside the first, whose rows it
    // does not count; a line only in that shared millimetre is the first
    // pass's, so the second pass starts further on.
    const QImage joined =
        splittest::picture(40, 250, {QRect(0, 0, 40, 100), QRect(0, 120, 40, 130)});
    const auto overlapping = split(joined, splittest::optionsFor(joined), movable, 25.4, 100, 400);
    ASSERT_GE(overlapping.size(), 2u);
    EXPECT_EQ(overlapping[1].location_mm.y(), 99);
    const QImage shared = splittest::picture(40, 250, {QRect(0, 0, 40, 99), QRect(0, 99, 10, 1)});
    const auto sharedParts = split(shared, splittest::optionsFor(shared), movable, 25.4, 100, 400);
    ASSERT_EQ(sharedParts.size(), 1u);
    EXPECT_EQ(splittest::blackBounds(sharedParts[0].bitmap).height(), 100);
}

// Copies piled on one spot, a margin of minus their size, cost one drawing
// however many there are, in every layout, and print as one copy.
TEST(ImageSplitterMm, copiesPiledOnOneSpotAreDrawnOnce) {
    const QImage mark = splittest::picture(40, 30, {QRect(5, 5, 10, 10)});
    const qint64 many = 1'000'000'000'000;
    const auto piled = [&](bool across, bool down) {
        auto options = splittest::optionsFor(mark);
        if (across) {
            options.imageRepeatXCount = many;
            options.imageRepeatXMargin_mm = -40;
        }
        if (down) {
            options.imageRepeatYCount = many;
            options.imageRepeatYMargin_mm = -30;
        }
        return options;
    };
    const auto one = split(mark, splittest::optionsFor(mark));
    ASSERT_EQ(one.size(), 1u);
    const struct {
        const char* layout;
        QString imageSplit;
        qint64 head;
    } layouts[] = {{"single pass", {}, 100}, {"stacked", movable, 100}, {"tall", movable, 20}};
    for (const auto& layout : layouts) {
        const QImage expected =
            split(mark, splittest::optionsFor(mark), layout.imageSplit, 25.4, layout.head, 100)
                .front()
                .bitmap;
        for (const auto& [across, down] : {std::pair{true, false}, {false, true}, {true, true}}) {
            QElapsedTimer timer;
            timer.start();
            const auto parts =
                split(mark, piled(across, down), layout.imageSplit, 25.4, layout.head, 100);
            EXPECT_LT(timer.elapsed(), 10000) << layout.layout;
            ASSERT_EQ(parts.size(), 1u) << layout.layout << across << down;
            EXPECT_EQ(parts[0].bitmap, expected) << layout.layout << across << down;
        }
    }
}

class Connection : public ambrel::DeviceConnection,
                   public ambrel::BlackWhiteSendable,
                   public quenta::ImageSplittable_mm {
public:
    using ambrel::DeviceConnection::DeviceConnection;
};

TEST(ImageSplitterMm, debugModeWritesThePartsInsteadOfReturningThem) {
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qunsetenv("XDG_CONFIG_HOME");
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("Desktop")));
    const auto device = splittest::model(25.4, 100, 200, 100);
    const Connection connection(device, ambrel::TransportType::usb);
    const QImage block = splittest::picture(40, 20, {QRect(0, 0, 40, 20)});
    auto options = splittest::optionsFor(block);
    options.imageOffset_mm = {12, 0};
    EXPECT_EQ(connection.generateBitmaps(splittest::task(device, block, options), false).size(),
              1u);
    EXPECT_EQ(
        failure([&] { connection.generateBitmaps(splittest::task(device, block, options), true); }),
        Case::userCancelled);
    EXPECT_EQ(platform::MainThread::drain(), 1);
    EXPECT_EQ(
        QDir(home.filePath(QStringLiteral("Desktop/PRINT_DEBUG_PARTS"))).entryList(QDir::Files),
        QStringList{"{12, 0}, {40, 100}.png"});
}

} // namespace
