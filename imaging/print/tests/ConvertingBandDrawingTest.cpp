#include "imaging/print/ConvertingBandDrawing.h"
#include "model/pictures/GraphicsExtensions.h"
#include "platform/compute/ComputeTestHooks.h"
#include "platform/compute/Device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <random>

using namespace quenta;
using Config = BlackConversionPass::OutputConfiguration;
using platform::compute::ComputeTestHooks;

namespace {

// Gradients with grain, and hard-edged blocks and thin lines that the
// widening acts on and that every band edge cuts through.
QImage picture(int w, int h) {
    QImage image(w, h, QImage::Format_Grayscale8);
    std::mt19937 random(unsigned(w * 31 + h));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int v = (x * 255) / w + (y * 64) / h + int(random() % 33) - 16;
            if ((x / 7 + y / 5) % 9 == 0 || x % 37 == 3 || (x + 2 * y) % 41 == 0) {
                v = (x + y) % 3 == 0 ? 0 : 255;
            }
            image.scanLine(y)[x] = uchar(std::clamp(v, 0, 255));
        }
    }
    return image;
}

Config output(qint64 dot = 1, QPointF offset = {}) {
    Config c;
    c.purpose = Config::Purpose::output;
    c.dpi = ambrel::Dpi(600);
    DeviceBlackConversionInfo info;
    info.halftone = DeviceBlackConversionInfo::HalftoneInfo{1.2};
    info.threshold = DeviceBlackConversionInfo::ThresholdInfo{true};
    c.deviceAdditionalInfo = info;
    c.filterRotationCount = 1;
    c.filterOffset = offset;
    c.pixelsPerDeviceDot = dot;
    return c;
}

// The picture scaled by a ratio that is not whole and moved by part of a
// pixel, so that every band draws edges of its own.
void drawPicture(platform::GraphicsContext& context, const QImage& image) {
    context.setInterpolationQuality(platform::GraphicsContext::InterpolationQuality::high);
    context.drawImage(QRectF(3.3, -2.7, image.width() * 1.37, image.height() * 1.21), image);
}

// The bitmap drawn whole and converted in one pass, as before.
QImage onePass(const QImage& image, QSize size, const ambrel::BlackConversion& conversion,
               const Config& config) {
    QImage bitmap(size, QImage::Format_Grayscale8);
    bitmap.fill(255);
    {
        auto context = ambrel::GraphicsExtensions::grayOpaqueContext(
            bitmap.bits(), ambrel::Size_px{size.width(), size.height()});
        drawPicture(*context, image);
    }
    BlackConversionPass::apply(conversion, bitmap.bits(), {size.width(), size.height()}, config);
    return bitmap;
}

QImage inBands(const QImage& image, QSize size, int bands,
               const ambrel::BlackConversion& conversion, const Config& config) {
    QImage bitmap(size, QImage::Format_Grayscale8);
    bitmap.fill(77); // every byte is written
    ConvertingBandDrawing::drawAndConvert(
        bitmap, &platform::compute::Device::systemDefault()->threadPool(), bands,
        [&](platform::GraphicsContext& context) { drawPicture(context, image); }, conversion,
        config);
    return bitmap;
}

} // namespace

// Each band drawn with the rows around it that the conversion reads and
// converted on its own gives the bytes of the bitmap drawn whole and then
// converted in one pass: thresholds with black widened and thinned, by dots
// of one and of two pixels, and the screen at its place on the whole bitmap,
// for bands of many rows down to bands of one.
TEST(ConvertingBandDrawing, bandsConvertedAsDrawnGiveTheOnePassBytes) {
    const QImage image = picture(150, 97);
    const QSize size(220, 131); // rows of 220 bytes, 131 rows
    struct Case {
        ambrel::BlackConversion conversion;
        Config config;
    };
    const std::vector<Case> cases{
        {ambrel::BlackConversion::threshold({0.5, 0}), output()},
        {ambrel::BlackConversion::threshold({0.45, 2}), output()},
        {ambrel::BlackConversion::threshold({0.6, -3}), output()},
        {ambrel::BlackConversion::threshold({0.5, 5}), output(2)},
        {ambrel::BlackConversion::threshold({0.55, -1}), output(3)},
        {ambrel::BlackConversion::halftone(), output()},
        {ambrel::BlackConversion::halftone(), output(1, QPointF(3, -5))},
    };
    for (std::size_t c = 0; c < cases.size(); ++c) {
        const QImage whole = onePass(image, size, cases[c].conversion, cases[c].config);
        int black = 0;
        for (int y = 0; y < whole.height(); ++y) {
            black += int(std::count(whole.constScanLine(y), whole.constScanLine(y) + size.width(),
                                    uchar(0)));
        }
        ASSERT_GT(black, 1000) << c;
        ASSERT_LT(black, size.width() * size.height() - 1000) << c;
        for (const int bands : {1, 2, 7, 40, size.height()}) {
            const QImage banded = inBands(image, size, bands, cases[c].conversion, cases[c].config);
            int differing = 0;
            for (int y = 0; y < size.height(); ++y) {
                for (int x = 0; x < size.width(); ++x) {
                    differing += whole.constScanLine(y)[x] != banded.constScanLine(y)[x];
                }
            }
            EXPECT_EQ(differing, 0) << "case " << c << ", " << bands << " bands";
        }
    }
}

TEST(ConvertingBandDrawing, readsAsManyRowsAroundABandAsTheWideningReaches) {
    EXPECT_EQ(ConvertingBandDrawing::reach(ambrel::BlackConversion::threshold({0.5, 0}), output()),
              0);
    EXPECT_EQ(ConvertingBandDrawing::reach(ambrel::BlackConversion::halftone(), output()), 0);
    EXPECT_EQ(ConvertingBandDrawing::reach(ambrel::BlackConversion::threshold({0.5, 3}), output()),
              1);
    EXPECT_EQ(
        ConvertingBandDrawing::reach(ambrel::BlackConversion::threshold({0.5, -2}), output(3)), 3);
    // A model without the widening does not widen.
    Config plain = output();
    plain.deviceAdditionalInfo.reset();
    EXPECT_EQ(ConvertingBandDrawing::reach(ambrel::BlackConversion::threshold({0.5, 3}), plain), 0);
    EXPECT_EQ(ConvertingBandDrawing::rowAlignment(output(3)), 6);
}

// A conversion that cannot run fails the drawing before any band is drawn,
// and the bitmap is left as it was.
TEST(ConvertingBandDrawing, aConversionThatCannotRunFailsBeforeAnythingIsDrawn) {
    QImage bitmap(40, 30, QImage::Format_Grayscale8);
    bitmap.fill(77);
    std::atomic<int> drawings = 0;
    {
        ComputeTestHooks::Scope noDevice(ComputeTestHooks::Fault::noDevice);
        EXPECT_ANY_THROW(ConvertingBandDrawing::drawAndConvert(
            bitmap, nullptr, 3, [&](platform::GraphicsContext&) { ++drawings; },
            ambrel::BlackConversion::halftone(), output()));
    }
    EXPECT_EQ(drawings, 0);
    for (int y = 0; y < bitmap.height(); ++y) {
        EXPECT_EQ(std::count(bitmap.constScanLine(y), bitmap.constScanLine(y) + 40, uchar(77)), 40);
    }
}
