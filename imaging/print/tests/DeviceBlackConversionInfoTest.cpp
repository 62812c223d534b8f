#include "imaging/print/DeviceBlackConversionInfo.h"
#include "model/descriptions/DeviceAdditionalInfoDictionary.h"
#include "model/errors/DecodingError.h"

#include <gtest/gtest.h>

using namespace quenta;
using ambrel::BlackConversionType;
using Info = DeviceBlackConversionInfo;

static_assert(ambrel::DeviceAdditionalInfo<Info>);

namespace {

Info fromDescription(const char* json) {
    return ambrel::DeviceAdditionalInfoDictionary::decode(ambrel::JsonReader::parse(json))
        .valueOrDefault<Info>();
}

} // namespace

TEST(DeviceBlackConversionInfo, OffersThresholdAlwaysAndHalftoneWhenDescribed) {
    struct Row {
        const char* json;
        QList<BlackConversionType> types;
        std::optional<double> deviceGamma;
    };
    const QList<BlackConversionType> thresholdOnly{BlackConversionType::threshold};
    const QList<BlackConversionType> both{BlackConversionType::threshold,
                                          BlackConversionType::halftone};
    const Row rows[] = {
        {R"({})", thresholdOnly, std::nullopt},
        {R"({"BlackConversion": null})", thresholdOnly, std::nullopt},
        {R"({"BlackConversion": {}})", thresholdOnly, std::nullopt},
        {R"({"BlackConversion": {"halftone": null}})", thresholdOnly, std::nullopt},
        {R"({"BlackConversion": {"halftone": {}}})", both, std::nullopt},
        {R"({"BlackConversion": {"halftone": {"deviceGamma": null}}})", both, std::nullopt},
        {R"({"BlackConversion": {"halftone": {"deviceGamma": 0.9}, "other": 1}})", both, 0.9},
        {R"({"BlackConversion": {"threshold": {"isExpansionAvailable": true}}})", thresholdOnly,
         std::nullopt},
        // Undecodable: the model gets the default.
        {R"({"BlackConversion": {"halftone": {"deviceGamma": "0.9"}}})", thresholdOnly,
         std::nullopt},
        {R"({"BlackConversion": {"halftone": 3}})", thresholdOnly, std::nullopt},
        {R"({"BlackConversion": []})", thresholdOnly, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.json);
        const Info info = fromDescription(row.json);
        EXPECT_EQ(info.availableConversionTypes(), row.types);
        EXPECT_EQ(info.halftone ? info.halftone->deviceGamma : std::nullopt, row.deviceGamma);
    }
    EXPECT_EQ(
        fromDescription(R"({"BlackConversion": {"threshold": {"isExpansionAvailable": true}}})")
            .threshold->isExpansionAvailable,
        true);
}

TEST(DeviceBlackConversionInfo, WrongTypesFailToDecode) {
    EXPECT_THROW(Info::decode(ambrel::JsonReader::parse(R"({"halftone": {"deviceGamma": "x"}})")),
                 ambrel::DecodingError);
    EXPECT_THROW(
        Info::decode(ambrel::JsonReader::parse(R"({"threshold": {"isExpansionAvailable": 1}})")),
        ambrel::DecodingError);
}

TEST(DeviceBlackConversionInfo, EqualityLooksAtEveryField) {
    EXPECT_EQ(Info(), Info());
    Info withGamma;
    withGamma.halftone = Info::HalftoneInfo{1.0};
    Info withoutGamma;
    withoutGamma.halftone = Info::HalftoneInfo{};
    EXPECT_NE(withGamma, withoutGamma);
    EXPECT_NE(withoutGamma, Info());
    Info expansion;
    expansion.threshold = Info::ThresholdInfo{true};
    EXPECT_NE(expansion, Info());
    EXPECT_EQ(
        expansion,
        fromDescription(R"({"BlackConversion": {"threshold": {"isExpansionAvailable": true}}})"));
}

TEST(DeviceBlackConversionInfo, EncodesOnlyWhatIsThere) {
    EXPECT_TRUE(Info::HalftoneInfo{}.encode().isEmpty());
    EXPECT_EQ(Info::HalftoneInfo{0.9}.encode().value("deviceGamma").toDouble(), 0.9);
    EXPECT_TRUE(Info::ThresholdInfo{}.encode().isEmpty());
    EXPECT_EQ(Info::ThresholdInfo{false}.encode().value("isExpansionAvailable"), QJsonValue(false));
}

TEST(DeviceBlackConversionInfo, KeyCanBeChanged) {
    EXPECT_EQ(Info::key(), "BlackConversion");
    Info::setKey("Conversion2");
    const Info info = fromDescription(
        R"({"BlackConversion": {}, "Conversion2": {"halftone": {"deviceGamma": 1.2}}})");
    EXPECT_EQ(info.halftone->deviceGamma, 1.2);
    Info::setKey("BlackConversion");
}
