#include "SplitTestSupport.h"
#include "imaging/print/ImageSplitter_px.h"
#include "imaging/print/PixelSplitJob.h"
#include "model/errors/ConnectionError.h"
#include "platform/MainThread.h"
#include "platform/Progress.h"
#include "platform/compute/ComputeTestHooks.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using ambrel::ConnectionError;
using Case = ConnectionError::Case;
using platform::compute::ComputeTestHooks;
using quenta::ImageSplitter_px;
using quenta::XYBitmapInfo_px;
using splittest::failure;

namespace {

// At 25.4 dpi a millimetre is a pixel. Canvas 200 x 100, head 100 dots.
const QString fixedHead;
const QString multiple = QStringLiteral(R"({"supportsMultipleSequences": true})");
const QString fromRight =
    QStringLiteral(R"({"supportsMultipleSequences": true, "headPrintsImageFromRight": true})");
const QString movable = QStringLiteral(R"({"canMoveHeadYPosition": true})");

QList<XYBitmapInfo_px> split(const QImage& image,
                             const ambrel::OriginalImageDrawingOptions& options,
                             const QString& imageSplit = fixedHead, double canvasHeight = 100,
                             const std::shared_ptr<platform::Progress>& progress = nullptr) {
    const auto device = splittest::model(25.4, 100, 200, canvasHeight, imageSplit);
    return ImageSplitter_px::generateBitmaps_px(*device, splittest::task(device, image, options),
                                                progress, false);
}

TEST(ImageSplitterPx, refusesWhatCannotBePrinted) {
    const auto device = splittest::model(25.4, 100, 200, 100);
    {
        // Checked before the compute device is asked for.
        ComputeTestHooks::Scope noDevice(ComputeTestHooks::Fault::noDevice);
        const ambrel::PrintTask canvasSized(device, device->canvases().first(),
                                            ambrel::TransportType::usb,
                                            ambrel::ImageSource::canvasSizedImage({}));
        EXPECT_EQ(failure([&] {
                      ImageSplitter_px::generateBitmaps_px(*device, canvasSized, nullptr, false);
                  }),
                  Case::noImageInDocument);
    }
    const QImage small = splittest::picture(9, 9, {QRect(0, 0, 9, 9)});
    EXPECT_EQ(failure([&] { split(small, splittest::optionsFor(small)); }),
              Case::documentImageIsTooSmall);
    const QImage thin = splittest::picture(9, 40, {QRect(0, 0, 9, 40)});
    EXPECT_EQ(split(thin, splittest::optionsFor(thin)).size(), 1);

    const QImage block = splittest::picture(40, 20, {QRect(0, 0, 40, 20)});
    auto before = splittest::optionsFor(block);
    before.imageOffset_mm = {-40, 0}; // ends exactly at the start edge
    EXPECT_EQ(failure([&] { split(block, before); }), Case::documentImageIsNotInCanvas);
    const QImage white = splittest::picture(40, 20);
    EXPECT_EQ(failure([&] { split(white, splittest::optionsFor(white)); }),
              Case::documentImageIsNotInCanvas);

    auto cancelled = std::make_shared<platform::Progress>();
    cancelled->cancel();
    EXPECT_EQ(
        failure([&] { split(block, splittest::optionsFor(block), fixedHead, 100, cancelled); }),
        Case::userCancelled);
}

TEST(ImageSplitterPx, placesThePictureFromTheTravelsStart) {
    const QImage block = splittest::picture(40, 20, {QRect(0, 0, 40, 20)});
    auto options = splittest::optionsFor(block);
    options.imageOffset_mm = {30, 10};
    auto records = split(block, options);
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].location_px, (ambrel::Point_px{30, 0}));
    EXPECT_EQ(records[0].bitmap.size(), QSize(40, 100));
    EXPECT_EQ(records[0].sourceYRange_px, (XYBitmapInfo_px::Range{0, 100}));
    const QRect top = splittest::blackBounds(records[0].bitmap);
    EXPECT_EQ(top.height(), 20);

    // A bottom anchor keeps the picture's bottom edge the offset above the
    // bottom: the mirror image of the top anchor's rows.
    options.imageOffsetBase = ambrel::OffsetBase::bottomLeft;
    records = split(block, options);
    ASSERT_EQ(records.size(), 1);
    const QRect bottom = splittest::blackBounds(records[0].bitmap);
    EXPECT_EQ(bottom.top(), 100 - (top.top() + top.height()));
    EXPECT_EQ(bottom.height(), 20);

    // From the right, a right anchor counts from the right edge.
    options.imageOffsetBase = ambrel::OffsetBase::topRight;
    options.imageOffset_mm = {50, 0};
    records = split(block, options, fromRight);
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].location_px.x, 50);

    // Endless repeats cost only the copies on the canvas.
    options.imageOffset_mm = {0, 0};
    options.imageOffsetBase = ambrel::OffsetBase::topLeft;
    options.imageRepeatXCount = 1'000'000'000'000'000;
    options.imageRepeatYCount = 1'000'000'000'000'000;
    records = split(block, options);
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].bitmap.width(), 200);
    options.imageRepeatXCount = options.imageRepeatYCount = 1;

    // Thirty columns before the start edge are not printed.
    options.imageOffsetBase = ambrel::OffsetBase::topLeft;
    options.imageOffset_mm = {-30, 0};
    records = split(block, options);
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].location_px.x, 0);
    EXPECT_EQ(records[0].bitmap.width(), 10);
}

TEST(ImageSplitterPx, joinsBlackColumnsByMinimumSeparationAndMaximumLength) {
    const auto widths = [](const QList<XYBitmapInfo_px>& records) {
        QList<QPair<qint64, int>> out;
        for (const auto& r : records) {
            out.append({r.location_px.x, r.bitmap.width()});
        }
        return out;
    };
    const QImage apart = splittest::picture(40, 20, {QRect(0, 0, 10, 20), QRect(29, 0, 11, 20)});
    const QImage close = splittest::picture(40, 20, {QRect(0, 0, 10, 20), QRect(28, 0, 12, 20)});
    auto options = splittest::optionsFor(apart);
    options.usesMinimumSeparatedXMargin = true;
    options.minimumSeparatedXMargin_mm = 20;
    EXPECT_EQ(widths(split(apart, options, multiple)),
              (QList<QPair<qint64, int>>{{0, 10}, {29, 11}}));
    EXPECT_EQ(widths(split(close, options, multiple)), (QList<QPair<qint64, int>>{{0, 40}}));
    // Without the model's support every pass is one bitmap.
    EXPECT_EQ(widths(split(apart, options, fixedHead)), (QList<QPair<qint64, int>>{{0, 40}}));

    const QImage three = splittest::picture(
        160, 20, {QRect(0, 0, 10, 20), QRect(50, 0, 10, 20), QRect(150, 0, 10, 20)});
    auto longest = splittest::optionsFor(three);
    longest.usesMaximumBlackXLength = true;
    longest.maximumBlackXLength_mm = 100;
    EXPECT_EQ(widths(split(three, longest, multiple)),
              (QList<QPair<qint64, int>>{{0, 60}, {150, 10}}));
}

TEST(ImageSplitterPx, blankMarginsStayOnTheCanvas) {
    quenta::ImageSplitDeviceInfo info;
    const QImage bitmap = splittest::picture(10, 4, {QRect(0, 0, 10, 4)});
    // Without multiple sequences nothing is added.
    auto [same, x] = quenta::PixelSplitJob::addSequenceWhitespace(bitmap, 25, info, 40, 5, 200);
    EXPECT_EQ(same.width(), 10);
    EXPECT_EQ(x, 25);

    info.supportsMultipleSequences = true;
    auto [padded, start] =
        quenta::PixelSplitJob::addSequenceWhitespace(bitmap, 25, info, 40, 5, 200);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(padded.width(), 25 + 10 + 5);
    EXPECT_EQ(splittest::blackBounds(padded), QRect(25, 0, 10, 4));
    // The far edge limits the end margin; from the right the sides swap.
    info.headPrintsImageFromRight = true;
    auto [mirrored, at] = quenta::PixelSplitJob::addSequenceWhitespace(bitmap, 5, info, 3, 40, 20);
    EXPECT_EQ(at, 2);
    EXPECT_EQ(mirrored.width(), 3 + 10 + 5);
    EXPECT_EQ(splittest::blackBounds(mirrored), QRect(5, 0, 10, 4));

    // Negative lengths are no margins at all: the bitmap is never cut.
    const QImage block = splittest::picture(40, 20, {QRect(0, 0, 40, 20)});
    auto options = splittest::optionsFor(block);
    options.imageOffset_mm = {30, 0};
    options.additionalWhitespaceLength_start_mm = -5;
    options.additionalWhitespaceLength_end_mm = -7;
    auto records = split(block, options, multiple);
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].bitmap.width(), 40);
    EXPECT_EQ(records[0].location_px.x, 30);
    // With margins and no separation settings the one bitmap is padded.
    options.additionalWhitespaceLength_start_mm = 4;
    options.additionalWhitespaceLength_end_mm = 6;
    records = split(block, options, multiple);
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].bitmap.width(), 50);
    EXPECT_EQ(records[0].location_px.x, 26);
}

TEST(ImageSplitterPx, stackedPassesHoldSeveralRowsAndStayOnTheCanvas) {
    // Rows of 30 with gaps of 10: two rows a pass of 100.
    const QImage row = splittest::picture(40, 30, {QRect(0, 0, 40, 30)});
    auto options = splittest::optionsFor(row);
    options.imageRepeatYCount = 5;
    options.imageRepeatYMargin_mm = 10;
    auto records = split(row, options, movable, 300);
    ASSERT_EQ(records.size(), 3);
    EXPECT_EQ(records[0].location_px.y, 0);
    EXPECT_EQ(records[0].sourceYRange_px, (XYBitmapInfo_px::Range{0, 70}));
    EXPECT_EQ(records[1].location_px.y, 65); // centred: moved up by 15
    EXPECT_EQ(records[1].sourceYRange_px, (XYBitmapInfo_px::Range{80, 150}));
    EXPECT_EQ(records[2].location_px.y, 125);
    EXPECT_EQ(records[2].sourceYRange_px, (XYBitmapInfo_px::Range{160, 190}));
    EXPECT_EQ(splittest::blackBounds(records[2].bitmap).height(), 30);

    // On a canvas 120 high the second pass moves up by what overhangs and
    // blanks those rows; the third would leave no row and ends the layout.
    records = split(row, options, movable, 120);
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[1].location_px.y, 20);
    const QRect second = splittest::blackBounds(records[1].bitmap);
    EXPECT_GE(100 - (second.top() + second.height()), 45);

    // Anchored at the bottom, the block's last row is the canvas's last.
    options.imageRepeatYCount = 1;
    options.imageOffsetBase = ambrel::OffsetBase::bottomLeft;
    records = split(row, options, movable, 300);
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].sourceYRange_px, (XYBitmapInfo_px::Range{270, 300}));
    EXPECT_EQ(records[0].location_px.y, 200);
}

TEST(ImageSplitterPx, aFailingConversionFailsTheSplit) {
    const QImage block = splittest::picture(40, 20, {QRect(0, 0, 40, 20)});
    ComputeTestHooks::Scope noBuffer(ComputeTestHooks::Fault::noCommandBuffer);
    EXPECT_THROW(split(block, splittest::optionsFor(block)), sildor::SildorImage::FunctionError);
}

TEST(ImageSplitterPx, debugModeWritesInsteadOfReturning) {
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qunsetenv("XDG_CONFIG_HOME");
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("Desktop")));
    const auto device = splittest::model(25.4, 100, 200, 100);
    const QImage block = splittest::picture(40, 20, {QRect(0, 0, 40, 20)});
    EXPECT_EQ(failure([&] {
                  ImageSplitter_px::generateBitmaps_px(
                      *device, splittest::task(device, block, splittest::optionsFor(block)),
                      nullptr, true);
              }),
              Case::userCancelled);
    EXPECT_EQ(platform::MainThread::drain(), 1);
    EXPECT_EQ(
        QDir(home.filePath(QStringLiteral("Desktop/PRINT_DEBUG_PARTS"))).entryList(QDir::Files),
        QStringList{"0 {0, 0}, {40, 100}.png"});

    const QImage white = splittest::picture(40, 20);
    EXPECT_EQ(failure([&] {
                  ImageSplitter_px::generateBitmaps_px(
                      *device, splittest::task(device, white, splittest::optionsFor(white)),
                      nullptr, true);
              }),
              Case::documentImageIsNotInCanvas);
    EXPECT_EQ(platform::MainThread::drain(), 0);
}

} // namespace
