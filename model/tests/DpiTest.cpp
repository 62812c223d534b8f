#include "model/units/Dpi.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace ambrel;

namespace {

TEST(Dpi, millimetresFromPixelsRoundToATenth) {
    const Dpi dpi(300);
    struct Case {
        qint64 px;
        double mm;
    };
    for (const Case c : {Case{300, 25.4}, Case{1, 0.1}, Case{0, 0}, Case{-300, -25.4},
                         Case{413, 35.0}, Case{1276, 108.0}}) {
        EXPECT_DOUBLE_EQ(dpi.mm(c.px), c.mm) << c.px;
    }
    EXPECT_EQ(dpi.mm(Size_px{300, 1}), (Size_mm{25.4, 0.1}));
}

TEST(Dpi, pixelsFromMillimetresRoundHalfAwayFromZero) {
    const Dpi dpi(300);
    struct Case {
        double mm;
        qint64 px;
    };
    // 10 mm is 118.11 px; 0.127 mm is 1.5 px, -0.127 mm is -1.5 px.
    for (const Case c :
         {Case{25.4, 300}, Case{10, 118}, Case{0.127, 2}, Case{-0.127, -2}, Case{0, 0}}) {
        EXPECT_EQ(dpi.imagePx(c.mm), c.px) << c.mm;
    }
    EXPECT_EQ(dpi.imagePx(Size_mm{25.4, 10}), (Size_px{300, 118}));
    EXPECT_EQ(dpi.imagePx(Point_mm{10, 25.4}), (Point_px{118, 300}));
    EXPECT_EQ(dpi.imagePx(Rect_mm{{10, 0}, {25.4, 10}}), (Rect_px{{118, 0}, {300, 118}}));
}

TEST(Dpi, rectangleComponentsAreTruncatedBeforeConversion) {
    // 10.9 and 300.7 become 10 and 300 first.
    EXPECT_EQ(Dpi(300).mm(QRectF(10.9, 0, 300.7, 300)), (Rect_mm{{0.8, 0}, {25.4, 25.4}}));
    EXPECT_EQ(Dpi(300).mm(QRectF(-10.9, 0, 0, 0)).origin.x, -0.8);
}

TEST(Dpi, unusableResolutionsAndLengthsNeverFail) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const double raw : {0.0, -0.0, inf, nan}) {
        EXPECT_EQ(Dpi(raw).mm(300), 0) << raw;
        EXPECT_EQ(Dpi(raw).imagePx(25.4), 0) << raw;
        EXPECT_EQ(Dpi(raw).imagePx(inf), 0) << raw;
    }
    const Dpi dpi(300);
    EXPECT_EQ(dpi.imagePx(nan), 0);
    EXPECT_EQ(dpi.imagePx(inf), std::numeric_limits<qint64>::max());
    EXPECT_EQ(dpi.imagePx(-inf), std::numeric_limits<qint64>::min());
    EXPECT_EQ(dpi.imagePx(1e300), std::numeric_limits<qint64>::max());
    const Rect_mm rect = dpi.mm(QRectF(nan, inf, 300, 300));
    EXPECT_EQ(rect.origin.x, 0);
    EXPECT_TRUE(std::isfinite(rect.origin.y));
    // Tiny resolutions overflow the millimetres to infinity: shown as 0, not inf.
    EXPECT_EQ(Dpi(1e-308).mm(std::numeric_limits<qint64>::max()), 0);
}

TEST(Dpi, describesItselfWithShortestNumber) {
    EXPECT_EQ(Dpi(600).description(), QStringLiteral("600 dpi"));
    EXPECT_EQ(Dpi(599.99).description(), QStringLiteral("599.99 dpi"));
    EXPECT_EQ(Dpi(127.5).description(), QStringLiteral("127.5 dpi"));
}

TEST(Dpi, decodesFromANumberAndOrdersByValue) {
    EXPECT_EQ(Dpi::decode(JsonReader::parse("300")), Dpi(300));
    EXPECT_EQ(Dpi::decode(JsonReader::parse("127.5")), Dpi(127.5));
    EXPECT_THROW(Dpi::decode(JsonReader::parse("\"300\"")), DecodingError);
    EXPECT_LT(Dpi(300), Dpi(600));
}

TEST(Size_px, rotationExchangesSides) {
    Size_px size{640, 480};
    EXPECT_EQ(size.rotated(), (Size_px{480, 640}));
    size.rotate();
    EXPECT_EQ(size, (Size_px{480, 640}));
    EXPECT_EQ(size.cgSize(), QSizeF(480, 640));
}

} // namespace
