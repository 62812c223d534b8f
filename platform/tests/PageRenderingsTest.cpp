#include "platform/graphics/PageRenderings.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

using platform::PageRenderings;

namespace {

PageRenderings::Key keyOf(int page) {
    static const int pages[3] = {};
    return {&pages[page], 600, 600, true, false, QTransform(0, 1, -1, 0, 0, 0)};
}

QImage stripOf(int i) {
    QImage image(4, 1, QImage::Format_Grayscale8);
    image.fill(i);
    return image;
}

} // namespace

// Drawings that start together each make strips nobody has taken and wait for
// the others': every strip is made once, on more than one thread, and every
// drawing gets the same strips.
TEST(PageRenderings, eachStripIsMadeOnceByTheDrawingsThatNeedIt) {
    PageRenderings renderings;
    std::atomic<int> made[8] = {};
    std::atomic<int> making = 0;
    std::atomic<int> mostAtOnce = 0;
    std::vector<std::vector<QImage>> got(6);
    std::vector<std::thread> drawings;
    for (int d = 0; d < 6; ++d) {
        drawings.emplace_back([&, d] {
            got[std::size_t(d)] = *renderings.strips(keyOf(0), 8, 4, 0, 8, [&](int i) {
                ++made[i];
                const int now = ++making;
                for (int seen = mostAtOnce;
                     now > seen && !mostAtOnce.compare_exchange_weak(seen, now);) {
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                --making;
                return stripOf(i);
            });
        });
    }
    for (auto& drawing : drawings) {
        drawing.join();
    }
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(made[i], 1) << i;
    }
    EXPECT_GT(mostAtOnce, 1);
    for (const auto& strips : got) {
        ASSERT_EQ(strips.size(), 8u);
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(strips[std::size_t(i)].cacheKey(), got[0][std::size_t(i)].cacheKey());
            EXPECT_EQ(strips[std::size_t(i)].constScanLine(0)[0], i);
        }
    }
    // Later drawings of a part find its strips made.
    const auto part = renderings.strips(keyOf(0), 8, 4, 2, 4, [](int) -> QImage {
        ADD_FAILURE() << "made again";
        return {};
    });
    ASSERT_TRUE(part);
    EXPECT_EQ(part->at(0).cacheKey(), got[0][2].cacheKey());
}

// A strip that could not be made is not kept: the next drawing makes it
// again. What its making threw reaches the drawings that waited for it.
TEST(PageRenderings, aStripThatFailedIsMadeAgainLater) {
    PageRenderings renderings;
    int tries = 0;
    const auto none = renderings.strips(keyOf(1), 1, 4, 0, 1, [&](int) {
        ++tries;
        return QImage();
    });
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->at(0).isNull());
    const auto made = renderings.strips(keyOf(1), 1, 4, 0, 1, [&](int i) {
        ++tries;
        return stripOf(i);
    });
    EXPECT_FALSE(made->at(0).isNull());
    EXPECT_EQ(tries, 2);

    std::atomic<bool> started = false;
    std::atomic<int> throws = 0;
    std::atomic<int> makings = 0;
    const auto failing = [&](int) -> QImage {
        ++makings;
        started = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        throw std::runtime_error("the worker is gone");
    };
    std::thread maker([&] {
        try {
            renderings.strips(keyOf(2), 1, 4, 0, 1, failing);
        } catch (const std::runtime_error&) {
            ++throws;
        }
    });
    while (!started) {
        std::this_thread::yield();
    }
    try {
        renderings.strips(keyOf(2), 1, 4, 0, 1, failing);
    } catch (const std::runtime_error&) {
        ++throws;
    }
    maker.join();
    // Both fail, and neither waits for ever; the second usually waited for
    // the first's making (one making), else it tried once itself.
    EXPECT_EQ(throws, 2);
    EXPECT_LE(makings, 2);
    const auto later = renderings.strips(keyOf(2), 1, 4, 0, 1, [](int i) { return stripOf(i); });
    EXPECT_EQ(later->at(0).constScanLine(0)[0], 0);
}

// A rendering that does not fit the budget whole is refused, whatever part
// of it a drawing asks for (its drawings render what they show themselves);
// a new one takes the room of the older ones, the least recently used first.
TEST(PageRenderings, theBudgetBoundsWhatIsKept) {
    PageRenderings renderings(100);
    const auto make = [](int i) { return stripOf(i); };
    EXPECT_FALSE(renderings.strips(keyOf(0), 3, 40, 0, 1, make));
    EXPECT_EQ(renderings.keptBytes(), 0);
    ASSERT_TRUE(renderings.strips(keyOf(0), 2, 40, 0, 2, make));
    ASSERT_TRUE(renderings.strips(keyOf(1), 1, 20, 0, 1, make));
    EXPECT_EQ(renderings.keptBytes(), 100);
    ASSERT_TRUE(renderings.strips(keyOf(0), 2, 40, 1, 2, make));
    // The third needs the room of one of the others: the second, used
    // before the first was used again.
    ASSERT_TRUE(renderings.strips(keyOf(2), 1, 20, 0, 1, make));
    EXPECT_EQ(renderings.keptBytes(), 100);
    int madeAgain = 0;
    const auto counting = [&](int i) {
        ++madeAgain;
        return stripOf(i);
    };
    ASSERT_TRUE(renderings.strips(keyOf(0), 2, 40, 0, 2, counting));
    EXPECT_EQ(madeAgain, 0);
    ASSERT_TRUE(renderings.strips(keyOf(1), 1, 20, 0, 1, counting));
    EXPECT_EQ(madeAgain, 1);

    // A store kept for later drawings lets an earlier rendering go as soon
    // as another is made, however much would fit.
    PageRenderings latest(1000, PageRenderings::Keeping::latestOnly);
    ASSERT_TRUE(latest.strips(keyOf(0), 2, 10, 0, 2, make));
    ASSERT_TRUE(latest.strips(keyOf(1), 1, 10, 0, 1, make));
    EXPECT_EQ(latest.keptBytes(), 10);
}
