#include "platform/graphics/BackingStorePages.h"
#include "platform/tests/support/ResidentPages.h"

#include <QBackingStore>
#include <QImage>
#include <QPainter>
#include <QWindow>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using platform::BackingStorePages;

// A window whose pixels take a block of their own (the allocator maps
// blocks of a megabyte and more apart), none of it touched yet.
const QSize windowSize(1200, 900);

QImage* pixels(QBackingStore& store) {
    return dynamic_cast<QImage*>(store.paintDevice());
}

std::size_t pageCount(const QImage& image) {
    const auto page = std::size_t(sysconf(_SC_PAGESIZE));
    return (std::size_t(image.sizeInBytes()) + page - 1) / page;
}

TEST(BackingStorePages, AStoreSizedAheadHasItsPixelsPagesAndKeepsThemForItsFirstPaint) {
#ifdef LUNVIK_SANITIZED_BUILD
    GTEST_SKIP() << "the sanitizers' allocator touches the blocks it hands out";
#endif
    // Sized alone, the pixels are not there yet: the first paint would
    // make every page.
    QWindow plain;
    plain.resize(windowSize);
    QBackingStore plainStore(&plain);
    plainStore.resize(windowSize);
    QImage* untouched = pixels(plainStore);
    ASSERT_TRUE(untouched);
    EXPECT_LT(ResidentPages::count(untouched->constBits(), std::size_t(untouched->sizeInBytes())),
              pageCount(*untouched) / 2);

    QWindow window;
    window.resize(windowSize);
    QBackingStore store(&window);
    BackingStorePages::makeAhead(store, windowSize);
    BackingStorePages::waitForDone();
    EXPECT_EQ(store.size(), windowSize);
    QImage* image = pixels(store);
    ASSERT_TRUE(image);
    const uchar* made = image->constBits();
    EXPECT_EQ(ResidentPages::count(made, std::size_t(image->sizeInBytes())), pageCount(*image));

    // The paint of the same size draws into those very pixels.
    const QRect all(QPoint(0, 0), windowSize);
    store.beginPaint(all);
    {
        QPainter painter(store.paintDevice());
        painter.fillRect(all, Qt::red);
    }
    store.endPaint();
    EXPECT_EQ(pixels(store)->constBits(), made);
    EXPECT_EQ(pixels(store)->pixel(1199, 899), QColor(Qt::red).rgb());
}

TEST(BackingStorePages, AnEmptySizeLeavesTheStoreAsItIs) {
    QWindow window;
    QBackingStore store(&window);
    store.resize(QSize(40, 30));
    BackingStorePages::makeAhead(store, QSize());
    BackingStorePages::waitForDone();
    EXPECT_EQ(store.size(), QSize(40, 30));
}

} // namespace
