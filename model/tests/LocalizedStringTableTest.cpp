#include "model/texts/LocalizedStringTable.h"

#include <gtest/gtest.h>

using ambrel::LocalizedStringTable;

namespace {

const platform::Bundle* bundle() {
    return platform::Bundle::named(QStringLiteral("AmbrelTestBundle"));
}
LocalizedStringTable table(const char* name) {
    return LocalizedStringTable(bundle(), QString::fromUtf8(name));
}

TEST(LocalizedStringTable, missingKeyIsNoTextOrTheKey) {
    const auto plugin = table("Plugin");
    EXPECT_FALSE(plugin.getLocalizedStringOrNull(QStringLiteral("absent")));
    EXPECT_EQ(plugin.getLocalizedStringOrKey(QStringLiteral("absent")), QStringLiteral("absent"));
    // A text equal to its key counts as missing.
    EXPECT_FALSE(plugin.getLocalizedStringOrNull(QStringLiteral("self")));
}

TEST(LocalizedStringTable, formatsOnlyWithArguments) {
    const auto plugin = table("Plugin");
    EXPECT_EQ(plugin.getLocalizedStringOrNull(QStringLiteral("percent"), {}),
              QStringLiteral("50 % done"));
    EXPECT_EQ(plugin.getLocalizedStringOrNull(QStringLiteral("pluginOnly"), {QStringLiteral("x")}),
              QStringLiteral("plug-in text x"));
    EXPECT_FALSE(
        plugin.getLocalizedStringOrNull(QStringLiteral("absent %@"), {QStringLiteral("x")}));
    // With no text, the key itself is the format.
    EXPECT_EQ(
        plugin.getLocalizedStringOrKey(QStringLiteral("absent %@ %d"), {QStringLiteral("x"), 3}),
        QStringLiteral("absent x 3"));
}

TEST(LocalizedStringTable, preferredTableIsTheFirstWithAText) {
    const QList<LocalizedStringTable> tables{table("Plugin"), table("Main")};
    EXPECT_EQ(LocalizedStringTable::preferredLocalizedString(QStringLiteral("shared"), tables),
              QStringLiteral("from plug-in"));
    EXPECT_EQ(LocalizedStringTable::preferredLocalizedString(QStringLiteral("mainOnly"), tables),
              QStringLiteral("main text"));
    EXPECT_FALSE(LocalizedStringTable::preferredLocalizedString(QStringLiteral("absent"), tables));
    EXPECT_FALSE(LocalizedStringTable::preferredLocalizedString(QStringLiteral("shared"), {}));
}

TEST(LocalizedStringTable, equality) {
    EXPECT_EQ(table("Plugin"), table("Plugin"));
    EXPECT_NE(LocalizedStringTable(bundle()), table("Plugin"));
    EXPECT_NE(table("Plugin"),
              LocalizedStringTable(platform::Bundle::named("Other"), QStringLiteral("Plugin")));
    EXPECT_EQ(&LocalizedStringTable::ambrel(), &LocalizedStringTable::ambrel());
    EXPECT_EQ(LocalizedStringTable::ambrel().bundle(), LocalizedStringTable::ambrelBundle());
    EXPECT_EQ(LocalizedStringTable::main().bundle(), platform::Bundle::main());
    EXPECT_FALSE(LocalizedStringTable::main().name());
}

} // namespace
