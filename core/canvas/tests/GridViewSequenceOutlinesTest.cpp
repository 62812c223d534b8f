#include "CanvasTestSupport.h"

#include "core/canvas/GridViewController.h"
#include "core/document/job/PrintDocument.h"
#include "core/document/tests/DocumentTestSupport.h"
#include "imaging/print/ImageSplittable_px.h"
#include "model/connections/DeviceConnection.h"
#include "platform/MainThread.h"
#include "platform/Progress.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace kestrom;
using ambrel::Rect_mm;

namespace {

// A connection that offers splitting and answers only when the test says.
class AnsweringSplitter : public ambrel::DeviceConnection, public quenta::ImageSplittable_px {
public:
    struct Request {
        bool isRapidlyRepeated = false;
        std::shared_ptr<platform::Progress> progress;
        SequenceAreasHandler handler;
    };

    AnsweringSplitter(std::shared_ptr<const ambrel::DeviceDescriptor> descriptor,
                      ambrel::TransportType transport, std::vector<Request>& requests,
                      const bool& answersAtOnce)
        : DeviceConnection(std::move(descriptor), transport), m_requests(requests),
          m_answersAtOnce(answersAtOnce) {}

    void getSplittedSequenceAreas_mm(const ambrel::PrintTask&, bool isRapidlyRepeated,
                                     std::shared_ptr<platform::Progress> progress,
                                     SequenceAreasHandler handler) override {
        if (m_answersAtOnce) {
            handler(QList<QRectF>{QRectF(0, 0, 50, 210)});
            return;
        }
        m_requests.push_back({isRapidlyRepeated, std::move(progress), std::move(handler)});
    }

private:
    std::vector<Request>& m_requests;
    const bool& m_answersAtOnce;
};

class GridViewSequenceOutlines : public documenttest::DocumentTest {
protected:
    void SetUp() override {
        DocumentTest::SetUp();
        document = std::make_unique<PrintDocument>();
        document->setDeviceDescriptor(documenttest::model(documenttest::alderName));
        document->setTransportType(ambrel::TransportType::usb);
        document->setOriginalImage(documenttest::picture(600, 400));
        documenttest::endEvent();
        document->setSplittingConnectionMaker([this](const auto& descriptor, auto transport) {
            ++connectionsMade;
            return std::make_shared<AnsweringSplitter>(descriptor, transport, requests,
                                                       answersAtOnce);
        });
        controller.setDocument(document.get());
        // Setting the document is one change of the print's parts: one run,
        // and no repeat is due.
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_FALSE(requests[0].isRapidlyRepeated);
        EXPECT_FALSE(controller.shouldSplitSequenceAgain());
        answer(0, QList<QRectF>{QRectF(0, 0, 100, 210), QRectF(100, 0, 100, 210)});
        ASSERT_EQ(shown().size(), 2);
        EXPECT_EQ(requests.size(), 1u);
        EXPECT_FALSE(controller.currentSequenceSplittingProgress());
        requests.clear();
    }

    void answer(size_t index, std::optional<QList<QRectF>> areas) {
        requests[index].handler(std::move(areas));
        platform::MainThread::drain();
    }
    const QList<Rect_mm>& shown() const {
        return controller.gridView()->splittedImageSourceRects_mm();
    }
    static QList<QRectF> areas(double width) { return {QRectF(0, 0, width, 210)}; }

    std::unique_ptr<PrintDocument> document;
    std::vector<AnsweringSplitter::Request> requests;
    bool answersAtOnce = false;
    int connectionsMade = 0;
    GridViewController controller;
};

} // namespace

TEST_F(GridViewSequenceOutlines, onlyTheNewestRunIsShownWhenTheFirstReportsFirst) {
    document->setImageOffset_mm({1, 1}); // a run starts
    EXPECT_TRUE(shown().isEmpty());
    ASSERT_EQ(requests.size(), 1u);
    document->setImageOffset_mm({2, 2}); // cancels it; a repeat is due
    EXPECT_TRUE(requests[0].progress->isCancelled());
    EXPECT_FALSE(controller.currentSequenceSplittingProgress());
    document->setImageOffset_mm({3, 3}); // starts a second run at once
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_FALSE(requests[1].isRapidlyRepeated);
    document->setImageOffset_mm({4, 4}); // nothing more
    EXPECT_EQ(requests.size(), 2u);

    answer(0, areas(10)); // outdated: ignored, and the repeat starts
    EXPECT_TRUE(shown().isEmpty());
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_TRUE(requests[2].isRapidlyRepeated);
    answer(1, areas(20)); // replaced by the third: ignored
    EXPECT_TRUE(shown().isEmpty());
    answer(2, areas(30));
    ASSERT_EQ(shown().size(), 1);
    EXPECT_EQ(shown()[0].size.width, 30);
    EXPECT_FALSE(controller.currentSequenceSplittingProgress());
}

TEST_F(GridViewSequenceOutlines, theSecondRunsAnswerShowsUntilTheRepeatReplacesIt) {
    document->setImageOffset_mm({1, 1});
    document->setImageOffset_mm({2, 2});
    document->setImageOffset_mm({3, 3});
    ASSERT_EQ(requests.size(), 2u);
    answer(1, areas(20)); // shown, and the repeat starts at once
    ASSERT_EQ(shown().size(), 1);
    EXPECT_EQ(shown()[0].size.width, 20);
    ASSERT_EQ(requests.size(), 3u);
    answer(2, areas(30));
    EXPECT_EQ(shown()[0].size.width, 30);
    answer(0, areas(10)); // the first run's late report changes nothing
    EXPECT_EQ(shown()[0].size.width, 30);
    EXPECT_EQ(requests.size(), 3u);
}

TEST_F(GridViewSequenceOutlines, hiddenOutlinesNeitherEmptyNorRun) {
    controller.setShowsSequences(false);
    EXPECT_TRUE(shown().isEmpty());
    document->setImageRepeatXCount(2);
    EXPECT_TRUE(requests.empty());
    controller.setShowsSequences(true); // runs again
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_FALSE(requests[0].isRapidlyRepeated);
}

TEST_F(GridViewSequenceOutlines, noPictureOrNoSplittingMeansNoOutlines) {
    document->setOriginalImage(nullptr);
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_TRUE(requests.empty());
    EXPECT_FALSE(controller.currentSequenceSplittingProgress());

    document->setOriginalImage(documenttest::picture(300, 200));
    ASSERT_EQ(requests.size(), 1u);
    document->setSplittingConnectionMaker([](const auto& descriptor, auto transport) {
        return std::make_shared<ambrel::DeviceConnection>(descriptor, transport);
    });
    answer(0, std::nullopt);
    document->setImageOffset_mm({5, 5});
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_FALSE(controller.currentSequenceSplittingProgress());
}

TEST_F(GridViewSequenceOutlines, anAnswerGivenInsideTheCallIsStillTaken) {
    answersAtOnce = true;
    document->setImageOffset_mm({1, 1});
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_TRUE(controller.currentSequenceSplittingProgress());
    platform::MainThread::drain();
    ASSERT_EQ(shown().size(), 1);
    EXPECT_EQ(shown()[0].size.width, 50);
}

TEST_F(GridViewSequenceOutlines, oneConnectionServesEveryRunOfAModelAndTransport) {
    for (int step = 1; step <= 3; ++step) {
        document->setImageOffset_mm({double(step), 0});
        answer(requests.size() - 1, areas(10 * step));
    }
    EXPECT_EQ(requests.size(), 3u);
    EXPECT_EQ(connectionsMade, 1);
    // Another transport: a connection of its own from the next run on.
    document->setTransportType(ambrel::TransportType::wifi);
    document->setImageOffset_mm({4, 0});
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(connectionsMade, 2);
    answer(3, areas(40));
    document->setImageRepeatXCount(2);
    EXPECT_EQ(requests.size(), 5u);
    EXPECT_EQ(connectionsMade, 2);
}
