#include "model/errors/ConnectionError.h"

#include <gtest/gtest.h>

using ambrel::ConnectionError;
using ambrel::LocalizableError;
using ambrel::LocalizedStringTable;
using Case = ConnectionError::Case;

namespace {

LocalizedStringTable table(const char* name) {
    return LocalizedStringTable(platform::Bundle::named(QStringLiteral("AmbrelTestBundle")),
                                QString::fromUtf8(name));
}

class ConnectionErrorTexts : public ::testing::Test {
protected:
    void use(const char* name) { ConnectionError::setSharedTable(table(name)); }
    void TearDown() override { ConnectionError::setSharedTable(LocalizedStringTable::ambrel()); }
};

TEST_F(ConnectionErrorTexts, emptyTableDescribesByKeyWithoutSuggestion) {
    use("Empty");
    const ConnectionError e(Case::printerIsBusy);
    EXPECT_EQ(e.localizedDescription(), QStringLiteral("Error_connection_printerIsBusy"));
    EXPECT_FALSE(e.localizedRecoverySuggestion());
}

TEST_F(ConnectionErrorTexts, typeKeyDescribesAndCaseKeySuggests) {
    use("TypeAndCase");
    const ConnectionError e(Case::printerIsBusy);
    EXPECT_EQ(e.localizedDescription(), QStringLiteral("Type text"));
    EXPECT_EQ(e.localizedRecoverySuggestion(), QStringLiteral("Case text"));
    // Recovery arguments then format the case text.
    const auto hot = ConnectionError::headIsTooHighTemperature(40, 55);
    EXPECT_EQ(hot.localizedRecoverySuggestion(), QStringLiteral("Too hot: 40"));
}

TEST_F(ConnectionErrorTexts, typeKeyWithoutCaseKeyHasNoSuggestion) {
    use("TypeAndCase");
    const ConnectionError e(Case::userCancelled);
    EXPECT_EQ(e.localizedDescription(), QStringLiteral("Type text"));
    EXPECT_FALSE(e.localizedRecoverySuggestion());
}

TEST_F(ConnectionErrorTexts, caseAndRecoveryKeysIgnoreTheTypeKey) {
    use("CaseAndRecovery");
    const ConnectionError e(Case::printerIsBusy);
    // No arguments: the percent sign stays.
    EXPECT_EQ(e.localizedDescription(), QStringLiteral("Busy 100%"));
    EXPECT_EQ(e.localizedRecoverySuggestion(), QStringLiteral("Wait"));
    const auto hot = ConnectionError::headIsTooHighTemperature(40, 55);
    EXPECT_EQ(hot.localizedDescription(), QStringLiteral("Head at 55"));
    EXPECT_EQ(hot.localizedRecoverySuggestion(), QStringLiteral("Cool to 40"));
}

TEST(ConnectionError, codesAreCasePositions) {
    EXPECT_EQ(ConnectionError(Case::headIsTooHighTemperature).code(), 0);
    EXPECT_EQ(ConnectionError(Case::userCancelled).code(), 9);
    EXPECT_EQ(ConnectionError(Case::scriptingPrintIsNotAllowedByUser).code(), 10);
    EXPECT_EQ(ConnectionError(Case::printerIsBusy).codeIdentifier(),
              QStringLiteral("printerIsBusy"));
    const auto cloned = ConnectionError(Case::noImageInDocument).clone();
    EXPECT_TRUE(ConnectionError::is(*cloned, Case::noImageInDocument));
    EXPECT_THROW(cloned->raise(), ConnectionError);
}

TEST(ConnectionError, everyCaseHasEnglishTexts) {
    for (int i = 0; i <= int(Case::scriptingPrintIsNotAllowedByUser); ++i) {
        const ConnectionError e(static_cast<Case>(i));
        EXPECT_FALSE(e.localizedDescription().startsWith(QStringLiteral("Error_"))) << i;
        EXPECT_TRUE(e.localizedRecoverySuggestion()) << i;
    }
    const auto hot = ConnectionError::headIsTooHighTemperature(40, 55);
    EXPECT_TRUE(hot.localizedDescription().contains(QStringLiteral("55")));
    EXPECT_TRUE(hot.localizedRecoverySuggestion()->contains(QStringLiteral("40")));
}

TEST(DeviceError, buildsDomainKeysAndTexts) {
    const auto byNumber = LocalizableError::deviceError(QStringLiteral("connection"), 7,
                                                        std::nullopt, table("CaseAndRecovery"));
    EXPECT_EQ(byNumber.domain(), QStringLiteral("ConnectionError"));
    EXPECT_EQ(byNumber.code(), 7);
    // No recovery key, but a type key: the type describes, the case suggests.
    EXPECT_EQ(byNumber.localizedDescription(), QStringLiteral("Type text"));
    EXPECT_EQ(byNumber.localizedRecoverySuggestion(), QStringLiteral("Seven"));

    const auto byName = LocalizableError::deviceError(
        QStringLiteral("connection"), 7, QStringLiteral("busy"), table("CaseAndRecovery"));
    EXPECT_EQ(byName.code(), 7);
    EXPECT_EQ(byName.localizedDescription(), QStringLiteral("Busy by name"));
    EXPECT_EQ(byName.localizedRecoverySuggestion(), QStringLiteral("Later"));

    const auto missing = LocalizableError::deviceError(QStringLiteral("tavrin device"), 3,
                                                       std::nullopt, table("Empty"));
    EXPECT_EQ(missing.domain(), QStringLiteral("Tavrin DeviceError"));
    EXPECT_EQ(missing.localizedDescription(), QStringLiteral("Error_tavrin device_3"));
    EXPECT_FALSE(missing.localizedRecoverySuggestion());
}

} // namespace
