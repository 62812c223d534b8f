#include "model/connections/DeviceStatusIconAsset.h"
#include "model/descriptions/ColorAbility.h"
#include "model/descriptions/PrintVerb.h"
#include "model/descriptions/TransportType.h"
#include "model/pictures/BlackConversionType.h"
#include "model/pictures/OffsetBase.h"
#include "model/texts/PrintProgressAdditionalDescription.h"
#include "model/texts/PrintProgressDescription.h"
#include "model/texts/ScanProgressDescription.h"

#include <gtest/gtest.h>

#include <QSet>

using namespace ambrel;

namespace {

template <typename T> class RawValueEnumTest : public ::testing::Test {};

using Enums = ::testing::Types<BlackConversionType, ColorAbility, DeviceStatusIconAsset, OffsetBase,
                               PrintProgressAdditionalDescription, PrintProgressDescription,
                               PrintVerb, ScanProgressDescription, TransportType>;
TYPED_TEST_SUITE(RawValueEnumTest, Enums);

} // namespace

// Every case once, in declaration order, back and forth through its string
// form; other strings (another case, empty, a case's name in other letters)
// make nothing; the hash is that of the case's number, as saved sets expect.
TYPED_TEST(RawValueEnumTest, eachCaseRoundTripsInOrderAndNothingElseMatches) {
    const auto& all = TypeParam::allCases();
    ASSERT_EQ(all.size(), TypeParam::rawValues().size());
    QSet<QString> seen;
    for (qsizetype i = 0; i < all.size(); ++i) {
        const TypeParam& value = all[i];
        EXPECT_EQ(int(value.value()), int(i));
        EXPECT_EQ(value.rawValue(), TypeParam::rawValues().at(i));
        EXPECT_EQ(TypeParam::fromRawValue(value.rawValue()), value);
        EXPECT_FALSE(TypeParam::fromRawValue(value.rawValue().toUpper()));
        EXPECT_EQ(qHash(value, 7), ::qHash(int(i), 7));
        seen.insert(value.rawValue());
    }
    EXPECT_EQ(seen.size(), all.size());
    EXPECT_FALSE(TypeParam::fromRawValue(QString()));
    EXPECT_FALSE(TypeParam::fromRawValue(QStringLiteral("unknown")));
}
