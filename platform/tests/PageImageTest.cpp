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
