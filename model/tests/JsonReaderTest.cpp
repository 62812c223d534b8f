#include "model/units/JsonReader.h"

#include <gtest/gtest.h>

#include <functional>

using namespace ambrel;
using Case = DecodingError::Case;

namespace {

DecodingError errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const DecodingError& e) {
        return e;
    }
    ADD_FAILURE() << "no decoding error";
    return DecodingError(Case::dataCorrupted, {}, {});
}

TEST(JsonReader, requiredValuesAreTypedStrictly) {
    const auto r = JsonReader::parse(R"({"s": "x", "n": 1.5, "i": 3, "whole": 4.0, "b": true,
                                         "z": null, "a": [1], "o": {}})");
    EXPECT_EQ(r.key("s").string(), QStringLiteral("x"));
    EXPECT_EQ(r.key("n").number(), 1.5);
    EXPECT_EQ(r.key("i").integer(), 3);
    EXPECT_EQ(r.key("whole").integer(), 4);
    EXPECT_TRUE(r.key("b").boolean());
    EXPECT_EQ(errorOf([&] { r.key("s").number(); }).errorCase(), Case::typeMismatch);
    EXPECT_EQ(errorOf([&] { r.key("i").boolean(); }).errorCase(), Case::typeMismatch);
    EXPECT_EQ(errorOf([&] { r.key("b").integer(); }).errorCase(), Case::typeMismatch);
    EXPECT_EQ(errorOf([&] { r.key("n").integer(); }).errorCase(), Case::dataCorrupted);
    EXPECT_EQ(errorOf([&] { r.key("z").string(); }).errorCase(), Case::valueNotFound);
    EXPECT_EQ(errorOf([&] { r.key("absent"); }).errorCase(), Case::keyNotFound);
    EXPECT_EQ(errorOf([&] { r.key("a").key("x"); }).errorCase(), Case::typeMismatch);
    EXPECT_EQ(errorOf([&] { r.key("o").array(); }).errorCase(), Case::typeMismatch);
    EXPECT_EQ(errorOf([] { JsonReader::parse("1e400").integer(); }).errorCase(),
              Case::dataCorrupted);
}

TEST(JsonReader, optionalKeysTreatNullAsAbsentButCheckTypes) {
    const auto r = JsonReader::parse(R"({"z": null, "s": "x"})");
    EXPECT_FALSE(r.optionalString("z"));
    EXPECT_FALSE(r.optionalNumber("absent"));
    EXPECT_TRUE(r.contains("z"));
    EXPECT_FALSE(r.contains("absent"));
    EXPECT_EQ(r.optionalString("s"), QStringLiteral("x"));
    EXPECT_EQ(errorOf([&] { r.optionalBoolean("s"); }).errorCase(), Case::typeMismatch);
}

TEST(JsonReader, errorsNameTheirPlace) {
    const auto r = JsonReader::parse(R"({"list": [{"size": {"w": 1}}]})");
    const auto e = errorOf([&] { r.key("list").array()[0].key("size").key("h"); });
    EXPECT_EQ(e.errorCase(), Case::keyNotFound);
    EXPECT_EQ(e.codingPathText(), QStringLiteral("list[0].size.h"));
    EXPECT_EQ(e.localizedDescription(),
              QStringLiteral("The data could not be read because the value “list[0].size.h” is "
                             "missing."));
    EXPECT_EQ(static_cast<const platform::Error&>(e).domain(), DecodingError::domain);
    EXPECT_TRUE(e.localizedRecoverySuggestion());
}

TEST(JsonReader, textThatIsNotOneJsonValueIsCorrupt) {
    for (const char* text : {"", "[", "{\"a\": }", "1, 2", "nul", "\xff"}) {
        const auto e = errorOf([&] { JsonReader::parse(text); });
        EXPECT_EQ(e.errorCase(), Case::dataCorrupted) << text;
        EXPECT_TRUE(e.codingPath().isEmpty());
    }
    EXPECT_EQ(JsonReader::parse("\"x\"").string(), QStringLiteral("x"));
    EXPECT_EQ(JsonReader::parse(" [] ").array().size(), 0);
}

TEST(JsonReader, readsPropertyListTrees) {
    const QVariantMap plist{{QStringLiteral("n"), 2}, {QStringLiteral("b"), false}};
    const auto r = JsonReader::fromVariant(plist);
    EXPECT_EQ(r.key("n").number(), 2.0);
    EXPECT_EQ(r.key("n").integer(), 2);
    EXPECT_EQ(errorOf([&] { r.key("b").integer(); }).errorCase(), Case::typeMismatch);
}

} // namespace
