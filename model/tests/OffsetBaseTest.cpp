#include "model/pictures/OffsetBase.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace ambrel;
using V = OffsetBase::VerticalPosition;
using H = OffsetBase::HorizontalPosition;

namespace {

TEST(OffsetBase, nineAnchorsWithTheirForms) {
    struct Row {
        OffsetBase base;
        V v;
        H h;
        const char* raw;
        qint32 code;
        const char* symbol;
        const char* title;
    };
    const Row rows[] = {
        {OffsetBase::topLeft, V::top, H::left, "topLeft", 0x6F62544C, "arrow.up.left", "Top Left"},
        {OffsetBase::top, V::top, H::middle, "top", 0x6F62546F, "arrow.up", "Top"},
        {OffsetBase::topRight, V::top, H::right, "topRight", 0x6F625452, "arrow.up.right",
         "Top Right"},
        {OffsetBase::left, V::middle, H::left, "left", 0x6F624C65, "arrow.left", "Left"},
        {OffsetBase::center, V::middle, H::middle, "center", 0x6F624365, "plus", "Center"},
        {OffsetBase::right, V::middle, H::right, "right", 0x6F625269, "arrow.right", "Right"},
        {OffsetBase::bottomLeft, V::bottom, H::left, "bottomLeft", 0x6F62424C, "arrow.down.left",
         "Bottom Left"},
        {OffsetBase::bottom, V::bottom, H::middle, "bottom", 0x6F62426F, "arrow.down", "Bottom"},
        {OffsetBase::bottomRight, V::bottom, H::right, "bottomRight", 0x6F624252,
         "arrow.down.right", "Bottom Right"},
    };
    QSet<OffsetBase> seen;
    for (const Row& row : rows) {
        const QString raw = QString::fromLatin1(row.raw);
        EXPECT_EQ(row.base, (OffsetBase{row.v, row.h})) << row.raw;
        EXPECT_EQ(row.base.rawValue(), raw);
        EXPECT_EQ(row.base.debugDescription(), raw);
        EXPECT_EQ(OffsetBase::fromRawValue(raw), row.base);
        EXPECT_EQ(row.base.fourCharCode(), row.code) << row.raw;
        EXPECT_EQ(OffsetBase::fromFourCharCode(row.code), row.base);
        EXPECT_EQ(row.base.systemSymbolName(), QString::fromLatin1(row.symbol));
        EXPECT_EQ(row.base.menuTitle(), QString::fromUtf8(row.title));
        EXPECT_EQ(OffsetBase::decode(JsonReader(QJsonValue(raw))), row.base);
        seen.insert(row.base);
    }
    EXPECT_EQ(seen.size(), 9);
    EXPECT_EQ(OffsetBase::allCases().size(), 9);
    EXPECT_EQ(OffsetBase::allCases().first(), OffsetBase::topLeft);
}

TEST(OffsetBase, unknownFormsMakeNothing) {
    EXPECT_FALSE(OffsetBase::fromRawValue(QStringLiteral("Center")));
    EXPECT_FALSE(OffsetBase::fromRawValue(QStringLiteral("middle")));
    EXPECT_FALSE(OffsetBase::fromFourCharCode(0));
    EXPECT_FALSE(OffsetBase::fromFourCharCode(0x6F624366));
    for (const char* json : {"\"TopLeft\"", "\"\"", "1", "null"}) {
        EXPECT_THROW(OffsetBase::decode(JsonReader::parse(json)), DecodingError) << json;
    }
}

} // namespace
