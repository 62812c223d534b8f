#include "SplitTestSupport.h"
#include "imaging/print/ImageSplittable_px.h"
#include "model/columns/BlackWhiteSendable.h"
#include "model/connections/DeviceConnection.h"
#include "platform/Progress.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

using quenta::ImageSplittable_px;
using quenta::XYBitmapInfo_px;

namespace {

class SplittingConnection : public ambrel::DeviceConnection,
                            public ambrel::BlackWhiteSendable,
                            public ImageSplittable_px {
public:
    using ambrel::DeviceConnection::DeviceConnection;

    QList<XYBitmapInfo_px> generateBitmaps_px(const ambrel::PrintTask& task,
                                              const std::shared_ptr<platform::Progress>& progress,
                                              bool isDebugMode) override {
        ++splits;
        return ImageSplittable_px::generateBitmaps_px(task, progress, isDebugMode);
    }
    std::atomic<int> splits{0};
};

// Waits for the one answer of a run.
struct Answer {
    void operator()(ImageSplittable_px::SequenceAreas areas) {
        std::lock_guard lock(mutex);
        value = std::move(areas);
        done = true;
        ready.notify_all();
    }
    ImageSplittable_px::SequenceAreas wait() {
        std::unique_lock lock(mutex);
        EXPECT_TRUE(ready.wait_for(lock, std::chrono::seconds(20), [&] { return done; }));
        return value;
    }
    std::mutex mutex;
    std::condition_variable ready;
    bool done = false;
    ImageSplittable_px::SequenceAreas value;
};

TEST(SequenceAreas, recordsBecomeRectanglesInMillimetres) {
    XYBitmapInfo_px record;
    record.location_px = {300, 0};
    record.bitmap = QImage(600, 3, QImage::Format_Grayscale8);
    record.sourceYRange_px = {0, 1200};
    XYBitmapInfo_px second = record;
    second.location_px = {0, 5};
    const auto areas = ImageSplittable_px::sequenceAreas({record, second}, ambrel::Dpi(300));
    ASSERT_EQ(areas.size(), 2);
    EXPECT_EQ(areas[0], QRectF(25.4, 0, 50.8, 101.6));
    EXPECT_EQ(areas[1].x(), 0); // kept in the splitting's order
}

TEST(SequenceAreas, answersInTheBackgroundOncePerRequest) {
    const auto device = splittest::model(25.4, 100, 200, 100,
                                         QStringLiteral(R"({"supportsMultipleSequences": true})"));
    SplittingConnection connection(device, ambrel::TransportType::usb);
    const QImage image = splittest::picture(100, 20, {QRect(0, 0, 10, 20), QRect(80, 0, 10, 20)});
    auto options = splittest::optionsFor(image);
    options.imageOffset_mm = {5, 0};
    options.usesMinimumSeparatedXMargin = true;
    options.minimumSeparatedXMargin_mm = 20;
    // The canvas reaches the connection through a cast.
    ambrel::DeviceConnection* asConnection = &connection;
    auto* splittable = dynamic_cast<ImageSplittable_px*>(asConnection);
    ASSERT_TRUE(splittable);

    Answer placed;
    splittable->getSplittedSequenceAreas_mm(splittest::task(device, image, options), false,
                                            std::make_shared<platform::Progress>(),
                                            std::ref(placed));
    const auto areas = placed.wait();
    ASSERT_TRUE(areas);
    EXPECT_EQ(*areas, (QList<QRectF>{QRectF(5, 0, 10, 100), QRectF(85, 0, 10, 100)}));

    // A picture off the canvas fails the splitting: an empty list.
    options.imageOffset_mm = {-500, 0};
    Answer outside;
    splittable->getSplittedSequenceAreas_mm(splittest::task(device, image, options), false, nullptr,
                                            std::ref(outside));
    const auto none = outside.wait();
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->isEmpty());

    // Cancelled while a repeated request waits: no list, no splitting.
    const int before = connection.splits;
    auto progress = std::make_shared<platform::Progress>();
    Answer cancelled;
    splittable->getSplittedSequenceAreas_mm(splittest::task(device, image, options), true, progress,
                                            std::ref(cancelled));
    progress->cancel();
    EXPECT_FALSE(cancelled.wait());
    EXPECT_EQ(connection.splits, before);
}

} // namespace
