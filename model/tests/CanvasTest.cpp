#include "model/descriptions/Canvas.h"
#include "model/descriptions/CanvasForm.h"

#include <gtest/gtest.h>

#include <memory>

using namespace ambrel;

namespace {

const platform::Bundle* bundle() {
    return platform::Bundle::named(QStringLiteral("ModelTestBundle"));
}

std::shared_ptr<Canvas> canvas(const char* json, QList<LocalizedStringTable> tables = {}) {
    return std::make_shared<Canvas>(Canvas::SerializedInfo::decode(JsonReader::parse(json)),
                                    tables);
}

TEST(Canvas, minimalEntry) {
    const auto c = canvas(R"({"identifier": "A4", "size_mm": {"width": 297, "height": 210}})");
    EXPECT_EQ(c->name(), QStringLiteral("A4"));
    EXPECT_FALSE(c->figureImage());
    EXPECT_DOUBLE_EQ(c->widthPerHeight(), 297.0 / 210);
    EXPECT_EQ(c->sizeDescription(), QStringLiteral("297 × 210 mm"));
    EXPECT_EQ(c->id(), QStringLiteral("A4_(297.0, 210.0)"));
    EXPECT_EQ(c->valueForKey(QStringLiteral("size_mm")), QVariant(QSizeF(297, 210)));
    EXPECT_EQ(c->valueForKey(QStringLiteral("id")), QVariant(c->id()));

    const auto half = canvas(R"({"identifier": "B", "size_mm": {"width": 297.5, "height": 0.25}})");
    EXPECT_EQ(half->sizeDescription(), QStringLiteral("297.5 × 0.25 mm"));
    EXPECT_EQ(half->id(), QStringLiteral("B_(297.5, 0.25)"));
}

TEST(Canvas, nameFromTheFirstTableWithText) {
    const QList<LocalizedStringTable> tables{
        LocalizedStringTable(bundle(), QStringLiteral("First")),
        LocalizedStringTable(bundle(), QStringLiteral("Second"))};
    EXPECT_EQ(
        canvas(R"({"identifier": "A4", "size_mm": {"width": 1, "height": 1}})", tables)->name(),
        QStringLiteral("A4 sheet"));
    EXPECT_EQ(
        canvas(R"({"identifier": "A3", "size_mm": {"width": 1, "height": 1}})", tables)->name(),
        QStringLiteral("A3 sheet"));
}

TEST(Canvas, incompleteEntriesFail) {
    for (const char* json : {R"({"size_mm": {"width": 1, "height": 1}})", R"({"identifier": "A4"})",
                             R"({"identifier": "A4", "size_mm": {"width": 1}})",
                             R"({"identifier": "A4", "size_mm": {"width": 1, "height": "1"}})",
                             R"({"identifier": 4, "size_mm": {"width": 1, "height": 1}})"}) {
        EXPECT_THROW(Canvas::SerializedInfo::decode(JsonReader::parse(json)), DecodingError)
            << json;
    }
}

TEST(Canvas, equalityIgnoresNameAndPicture) {
    const auto a = canvas(R"({"identifier": "A4", "size_mm": {"width": 297, "height": 210}})");
    const auto b = canvas(R"({"identifier": "A4", "size_mm": {"width": 297, "height": 210}})");
    b->setName(QStringLiteral("Other"));
    EXPECT_EQ(*a, *b);
    EXPECT_EQ(qHash(*a), qHash(*b));
    const auto wider =
        canvas(R"({"identifier": "A4", "size_mm": {"width": 297.5, "height": 210}})");
    EXPECT_NE(*a, *wider);
    const auto negativeZero =
        canvas(R"({"identifier": "Z", "size_mm": {"width": -0.0, "height": 1}})");
    const auto zero = canvas(R"({"identifier": "Z", "size_mm": {"width": 0, "height": 1}})");
    EXPECT_EQ(*negativeZero, *zero);
    EXPECT_EQ(qHash(*negativeZero), qHash(*zero));
}

TEST(Canvas, figurePictureFromTheApplicationFirst) {
    platform::Bundle::setMainBundleName(QStringLiteral("ModelTestBundle"));
    const auto c = canvas(
        R"({"identifier": "A4", "size_mm": {"width": 1, "height": 1}, "figureImageName": "figure"})");
    ASSERT_TRUE(c->figureImage());
    EXPECT_EQ(c->figureImage()->size(), QSize(2, 1));
    EXPECT_FALSE(canvas(R"({"identifier": "A4", "size_mm": {"width": 1, "height": 1},
                            "figureImageName": ""})")
                     ->figureImage());
    EXPECT_FALSE(canvas(R"({"identifier": "A4", "size_mm": {"width": 1, "height": 1},
                            "figureImageName": "absent"})")
                     ->figureImage());
}

TEST(CanvasForm, casesCompareByShape) {
    EXPECT_EQ(CanvasForm::plane({297, 210}), CanvasForm::plane({297, 210}));
    EXPECT_NE(CanvasForm::plane({297, 210}), CanvasForm::variableCylinder(297, {50, 80}));
    ASSERT_TRUE(CanvasForm::variableCylinder(297, {50, 80}).asVariableCylinder());
    EXPECT_EQ(
        CanvasForm::variableCylinder(297, {50, 80}).asVariableCylinder()->diameterRange.upperBound,
        80);
    EXPECT_FALSE(CanvasForm::plane({1, 1}).asVariableCylinder());
}

} // namespace
