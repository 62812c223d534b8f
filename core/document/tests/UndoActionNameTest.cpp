#include "core/document/job/UndoActionName.h"

#include <gtest/gtest.h>

using kestrom::UndoActionName;

namespace {

TEST(UndoActionName, rawValuesRoundTripAndTitlesComeFromTheFrameworkTable) {
    const auto all = UndoActionName::allCases();
    ASSERT_EQ(all.size(), 31);
    for (const UndoActionName name : all) {
        EXPECT_EQ(UndoActionName::fromRawValue(name.rawValue()), name);
        // Every name has its own title, never the raw key.
        EXPECT_NE(name.displayedName(), name.localizationKey());
        EXPECT_EQ(all.count(name), 1) << name.rawValue().toStdString();
    }
    EXPECT_EQ(UndoActionName::movingImage.localizationKey(),
              QStringLiteral("PrintDocument_UndoActionName_movingImage"));
    EXPECT_EQ(UndoActionName::movingImage.displayedName(), QStringLiteral("Move Picture"));
    // The steps of the settings come from their rows.
    EXPECT_TRUE(UndoActionName::fromRawValue(QStringLiteral("changingImageRepeatXCount")));
    EXPECT_TRUE(UndoActionName::fromRawValue(QStringLiteral("changingHalftoneOption")));
    EXPECT_FALSE(UndoActionName::fromRawValue(QStringLiteral("MovingImage")));
}

} // namespace
