#include "platform/graphics/PageImage.h"
#include "platform/compute/Device.h"

#include <gtest/gtest.h>

using platform::PageImage;

TEST(PageImage, PageSizedGrayPicturesTakeTheMemoryOfTheLastOne) {
    auto& pool = platform::compute::Device::systemDefault()->threadPool();
    QImage first = PageImage::gray(4999, 5000, 5000, pool);
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(first.size(), QSize(4999, 5000));
    EXPECT_EQ(first.bytesPerLine(), 5000);
    first.fill(7);
    EXPECT_EQ(first.constScanLine(4999)[4998], 7);
    const uchar* bits = first.constBits();
    first = QImage();
    EXPECT_EQ(PageImage::gray(4999, 5000, 5000, pool).constBits(), bits);

    EXPECT_TRUE(PageImage::gray(0, 5, 4, pool).isNull());
    EXPECT_TRUE(PageImage::gray(6, 5, 4, pool).isNull());
}

// A picture kept from print to print (the gray of a colour picture) would
// hold the memory kept for the next page, which then faults in afresh.
TEST(PageImage, LastingPicturesLeaveTheLargerMemoryKeptForThePage) {
    using Lifetime = platform::compute::TextureMemory::Lifetime;
    auto& pool = platform::compute::Device::systemDefault()->threadPool();
    QImage page = PageImage::gray(5200, 5000, 5200, pool);
    ASSERT_FALSE(page.isNull());
    const uchar* pageBits = page.constBits();
    page = QImage();

    QImage kept = PageImage::gray(4000, 4000, 4000, pool, Lifetime::lasting);
    ASSERT_FALSE(kept.isNull());
    EXPECT_NE(kept.constBits(), pageBits);
    EXPECT_EQ(PageImage::gray(5200, 5000, 5200, pool).constBits(), pageBits);

    // Memory of its own size it takes again, as the gray of the same picture
    // turned otherwise does.
    const uchar* keptBits = kept.constBits();
    kept = QImage();
    EXPECT_EQ(PageImage::gray(4000, 4000, 4000, pool, Lifetime::lasting).constBits(), keptBits);
}
