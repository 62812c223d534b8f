#include "model/descriptions/ColorAbility.h"
#include "model/descriptions/PrintVerb.h"
#include "model/descriptions/TransportType.h"
#include "model/pictures/ImageRotation.h"
#include "model/texts/DecimalText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

using namespace ambrel;

namespace {

TEST(ImageRotation, tableOfTurns) {
    struct Row {
        ImageRotation r;
        int degrees;
        ImageRotation clockwise, counterclockwise, reversed;
        bool flipped;
    };
    using R = ImageRotation;
    for (const Row& row : {Row{R::none, 0, R::r90, R::r270, R::none, false},
                           Row{R::r90, 90, R::r180, R::none, R::r270, true},
                           Row{R::r180, 180, R::r270, R::r90, R::r180, false},
                           Row{R::r270, 270, R::none, R::r180, R::r90, true}}) {
        EXPECT_EQ(row.r.degrees(), row.degrees);
        EXPECT_DOUBLE_EQ(row.r.radians(), row.degrees * std::numbers::pi / 180);
        EXPECT_EQ(row.r.rotatedClockwise(), row.clockwise);
        EXPECT_EQ(row.r.rotatedCounterclockwise(), row.counterclockwise);
        EXPECT_EQ(row.r.reversed(), row.reversed);
        EXPECT_EQ(row.r.isWidthHeightFlipped(), row.flipped);
    }
    ImageRotation r = ImageRotation::r270;
    r.rotateClockwise();
    EXPECT_EQ(r, ImageRotation::none);
    r.rotateCounterclockwise();
    EXPECT_EQ(r, ImageRotation::r270);
}

TEST(ImageRotation, rawValuesAndDecoding) {
    EXPECT_EQ(ImageRotation::fromRawValue(2), ImageRotation::r180);
    EXPECT_FALSE(ImageRotation::fromRawValue(4));
    EXPECT_FALSE(ImageRotation::fromRawValue(-1));
    EXPECT_EQ(ImageRotation::decode(JsonReader::parse("3")), ImageRotation::r270);
    try {
        ImageRotation::decode(JsonReader::parse("4"));
        FAIL() << "4 is no rotation";
    } catch (const DecodingError& e) {
        EXPECT_EQ(e.errorCase(), DecodingError::Case::dataCorrupted);
    }
    EXPECT_THROW(ImageRotation::decode(JsonReader::parse("1.5")), DecodingError);
}

TEST(PrintVerb, decodesExactRawValuesOnly) {
    EXPECT_EQ(PrintVerb::decode(JsonReader::parse("\"lunvik\"")), PrintVerb::lunvik);
    EXPECT_EQ(PrintVerb::fromRawValue(QStringLiteral("print")), PrintVerb::print);
    EXPECT_FALSE(PrintVerb::fromRawValue(QStringLiteral("Print")));
    EXPECT_THROW(PrintVerb::decode(JsonReader::parse("\"Lunvik\"")), DecodingError);
}

TEST(TransportType, rawValuesAndNames) {
    EXPECT_EQ(TransportType::fromRawValue(QStringLiteral("wifi")), TransportType::wifi);
    EXPECT_FALSE(TransportType::fromRawValue(QStringLiteral("USB")));
    EXPECT_EQ(TransportType::usb.localizationKey(), QStringLiteral("TransportType_usb"));
    EXPECT_EQ(TransportType::usb.description(), QStringLiteral("USB"));
    EXPECT_EQ(TransportType::wifi.description(), QStringLiteral("Wi-Fi"));
}

TEST(ColorAbility, casesInOrder) {
    const auto all = ColorAbility::allCases();
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[0].rawValue(), QStringLiteral("blackWhite"));
    EXPECT_EQ(all[1].rawValue(), QStringLiteral("fullColor"));
    EXPECT_FALSE(ColorAbility::fromRawValue(QStringLiteral("FullColor")));
}

TEST(DecimalText, shortestFormReadsBack) {
    struct Case {
        double value;
        const char* shortest;
        const char* compact;
    };
    for (const Case c :
         {Case{297, "297.0", "297"}, Case{297.5, "297.5", "297.5"}, Case{0.1, "0.1", "0.1"},
          Case{-0.0, "-0.0", "-0"}, Case{1.0 / 3, "0.3333333333333333", "0.3333333333333333"},
          Case{1e20, "1e+20", "1e+20"}, Case{1e-7, "1e-07", "1e-07"},
          Case{std::numeric_limits<double>::infinity(), "inf", "inf"}}) {
        EXPECT_EQ(DecimalText::shortest(c.value), QString::fromLatin1(c.shortest)) << c.value;
        EXPECT_EQ(DecimalText::compact(c.value), QString::fromLatin1(c.compact)) << c.value;
    }
    EXPECT_EQ(DecimalText::shortest(std::nan("")), QStringLiteral("nan"));
}

} // namespace
