#include "model/pictures/BlackConversion.h"

#include <gtest/gtest.h>

using namespace ambrel;
using Threshold = BlackConversion::ThresholdOption;
using Halftone = BlackConversion::HalftoneOption;

namespace {

TEST(BlackConversion, defaultsAndSavedForms) {
    EXPECT_EQ(Threshold(),
              Threshold::decode(JsonReader::parse(R"({"threshold": 0.5, "expansionLevel": 0})")));
    const Halftone h;
    EXPECT_EQ(h.linesPerInch, 20.0);
    EXPECT_EQ(h.angle_deg, 30.0);
    EXPECT_EQ(h.brightnessFactor, 0.0);
    // Saved forms read back, from property lists too, and ignore other keys.
    const Threshold t{0.25, -3};
    EXPECT_EQ(Threshold::decode(JsonReader::fromVariant(t.encode())), t);
    const Halftone custom{45, 15, -0.2, 0.1, 0.3};
    QVariantMap saved = custom.encode();
    saved.insert(QStringLiteral("other"), QStringLiteral("ignored"));
    EXPECT_EQ(Halftone::decode(JsonReader::fromVariant(saved)), custom);
    EXPECT_EQ(saved.value(QStringLiteral("angle_deg")).toDouble(), 15.0);
}

TEST(BlackConversion, decodingNeverClampsButRefusesGaps) {
    const Threshold t =
        Threshold::decode(JsonReader::parse(R"({"threshold": 1.7, "expansionLevel": 9})"));
    EXPECT_EQ(t.threshold, 1.7);
    EXPECT_EQ(t.expansionLevel, 9);
    EXPECT_EQ(Threshold::ClampedValueRanges::threshold.clamped(t.threshold), 1.0);
    EXPECT_EQ(Threshold::ClampedValueRanges::expansionLevel.clamped(t.expansionLevel), 5);
    EXPECT_EQ(Halftone::ClampedValueRanges::brightnessFactor.clamped(-1), -0.6);
    EXPECT_EQ(Halftone::ClampedValueRanges::whiteClampFactor.clamped(0.2), 0.2);

    for (const char* json :
         {R"({"threshold": 0.5})", R"({"threshold": 0.5, "expansionLevel": 1.5})",
          R"({"threshold": "0.5", "expansionLevel": 0})",
          R"({"threshold": null, "expansionLevel": 0})"}) {
        EXPECT_THROW(Threshold::decode(JsonReader::parse(json)), DecodingError) << json;
    }
    EXPECT_THROW(Halftone::decode(JsonReader::fromVariant(QVariantMap{})), DecodingError);
}

TEST(BlackConversion, equalityAndTypes) {
    EXPECT_NE(BlackConversion::threshold(), BlackConversion::halftone());
    Halftone turned;
    turned.angle_deg = 45;
    EXPECT_NE(BlackConversion::halftone(), BlackConversion::halftone(turned));
    EXPECT_EQ(BlackConversion::halftone(turned), BlackConversion::halftone(turned));
    EXPECT_EQ(BlackConversion::halftone().type(), BlackConversionType::halftone);
    EXPECT_FALSE(BlackConversion::halftone().thresholdOption());
    EXPECT_EQ(BlackConversion::threshold(Threshold{0.3, 1}).thresholdOption()->threshold, 0.3);

    const auto all = BlackConversionType::allCases();
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[0].rawValue(), QStringLiteral("threshold"));
    EXPECT_EQ(BlackConversionType::fromRawValue(QStringLiteral("halftone")),
              BlackConversionType::halftone);
    EXPECT_FALSE(BlackConversionType::fromRawValue(QStringLiteral("Halftone")));
}

} // namespace
