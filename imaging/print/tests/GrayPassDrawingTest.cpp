#include "SplitTestSupport.h"
#include "imaging/print/PixelSplitJob.h"

#include <QRegion>

#include <gtest/gtest.h>

#include <random>

using quenta::GrayPass;
using quenta::PixelSplitJob;

namespace {

// Copies of a picture scaled up by a ratio that is not whole, three across
// and two down with gaps, the first cut by five columns, across bands.
PixelSplitJob job() {
    QImage image(37, 23, QImage::Format_Grayscale8);
    std::mt19937 random(5);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.scanLine(y)[x] = uchar(random() % 256);
        }
    }
    PixelSplitJob j;
    j.image = ambrel::OriginalImage::fromImage(image, {}, {}, 1);
    j.w = 50, j.h = 31, j.m_x = 4, j.m_y = 3, j.N_x = 3, j.N_y = 2;
    j.inset.left = 5;
    j.visibleW = 3 * 50 + 2 * 4 - 5;
    j.H = 2000;
    j.sildorContext = std::make_shared<sildor::SildorContext>();
    return j;
}

std::vector<std::uint8_t> drawn(const PixelSplitJob& j, bool stamped, bool inBands) {
    PixelSplitJob copy = j;
    if (stamped) {
        copy.makeStamp();
        EXPECT_TRUE(copy.stamp);
    }
    auto pass = GrayPass::make(copy.sildorContext, copy.visibleW, copy.H);
    pass->draw(
        [&](platform::GraphicsContext& context) {
            context.setGrayFillColor(1.0, 1.0);
            context.fill(QRectF(0, 0, double(copy.visibleW), double(copy.H)));
            context.translateBy(0, 1100);
            // As the tall passes clip to their inked rows.
            context.painter().setClipRegion(QRegion(0, 12, 200, 30) + QRegion(0, 50, 200, 7),
                                            Qt::IntersectClip);
            copy.drawCopies(context, 7, 2);
        },
        inBands);
    return {pass->pixels(), pass->pixels() + copy.visibleW * copy.H};
}

TEST(GrayPassDrawing, stampedAndBandedCopiesMatchCopiesDrawnWhole) {
    const PixelSplitJob j = job();
    const auto whole = drawn(j, false, false);
    EXPECT_NE(std::count(whole.begin(), whole.end(), 255), qsizetype(whole.size()));
    EXPECT_EQ(drawn(j, false, true), whole);
    EXPECT_EQ(drawn(j, true, true), whole);
}

} // namespace
