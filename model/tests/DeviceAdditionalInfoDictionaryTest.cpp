#include "model/descriptions/DeviceAdditionalInfoDictionary.h"

#include <gtest/gtest.h>

using namespace ambrel;

namespace {

// Two records of the kind other parts of the system keep in a description.
struct ConversionRecord {
    QString name = QStringLiteral("default");
    static QString key() { return QStringLiteral("BlackConversion"); }
    static ConversionRecord decode(const JsonReader& r) {
        return {r.key(QStringLiteral("name")).string()};
    }
};

struct SplitRecord {
    qint64 parts = -1;
    static QString key() { return QStringLiteral("imageSplit"); }
    static SplitRecord decode(const JsonReader& r) {
        return {r.key(QStringLiteral("parts")).integer()};
    }
};

DeviceAdditionalInfoDictionary dictionary(const char* json) {
    return DeviceAdditionalInfoDictionary::decode(JsonReader::parse(json));
}

TEST(DeviceAdditionalInfoDictionary, emptyAnswersDefaults) {
    const DeviceAdditionalInfoDictionary empty;
    EXPECT_EQ(empty.keyedContainers().size(), 1);
    try {
        empty.value<SplitRecord>();
        FAIL() << "no record";
    } catch (const DeviceAdditionalInfoDictionary::Error& e) {
        EXPECT_EQ(e.recordKey(), QStringLiteral("imageSplit"));
        EXPECT_EQ(e.localizedDescription(),
                  QStringLiteral("The device description has no “imageSplit” information."));
    }
    EXPECT_EQ(empty.valueOrDefault<SplitRecord>().parts, -1);
    EXPECT_EQ(dictionary("{}").valueOrDefault<ConversionRecord>().name, QStringLiteral("default"));
}

TEST(DeviceAdditionalInfoDictionary, mergePrefersWholeEntries) {
    const auto base =
        dictionary(R"({"BlackConversion": {"name": "X"}, "imageSplit": {"parts": 2}})");
    const auto merged = base.merging(dictionary(R"({"BlackConversion": {"name": "Z"}})"));
    EXPECT_EQ(merged.keyedContainers().size(), 2);
    EXPECT_EQ(merged.value<ConversionRecord>().name, QStringLiteral("Z"));
    EXPECT_EQ(merged.value<SplitRecord>().parts, 2);
    // The base is unchanged.
    EXPECT_EQ(base.value<ConversionRecord>().name, QStringLiteral("X"));
}

TEST(DeviceAdditionalInfoDictionary, malformedPreferredValueWinsOverGoodBase) {
    const auto base = dictionary(R"({"imageSplit": {"parts": 2}})");
    const auto merged = base.merging(dictionary(R"({"imageSplit": {"parts": "many"}})"));
    EXPECT_THROW(merged.value<SplitRecord>(), DecodingError);
    EXPECT_EQ(merged.valueOrDefault<SplitRecord>().parts, -1);
}

TEST(DeviceAdditionalInfoDictionary, nullCountsAsMissing) {
    const auto base = dictionary(R"({"imageSplit": {"parts": 2}})");
    EXPECT_EQ(base.merging(dictionary(R"({"imageSplit": null})")).value<SplitRecord>().parts, 2);
    EXPECT_THROW(dictionary(R"({"imageSplit": null})").value<SplitRecord>(),
                 DeviceAdditionalInfoDictionary::Error);
}

TEST(DeviceAdditionalInfoDictionary, onlyObjectsDecode) {
    for (const char* json : {"[]", "1", "null", "\"x\""}) {
        EXPECT_THROW(dictionary(json), DecodingError) << json;
    }
}

} // namespace
