#include "platform/Bundle.h"
#include "platform/StringsFile.h"

#include <gtest/gtest.h>

using platform::Bundle;
using platform::StringsFile;

namespace {

const Bundle* testBundle() {
    return Bundle::named(QStringLiteral("PlatformTestBundle"));
}

class LanguageEnvironment : public ::testing::Test {
protected:
    void setLanguage(const char* language) { qputenv("LANGUAGE", language); }
    void TearDown() override { qputenv("LANGUAGE", "en"); }
};

TEST(Bundle, identityIsStable) {
    EXPECT_EQ(testBundle(), Bundle::named(QStringLiteral("PlatformTestBundle")));
    EXPECT_NE(testBundle(), Bundle::named(QStringLiteral("Other")));
    EXPECT_EQ(Bundle::main(), Bundle::main());
}

TEST(Bundle, resourcesAndInformationDictionary) {
    const auto data = testBundle()->dataForResource(QStringLiteral("data"), QStringLiteral("json"));
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->contains("hello"));
    EXPECT_FALSE(testBundle()->pathForResource(QStringLiteral("absent"), QStringLiteral("json")));
    // A localized resource is found in the language folder.
    EXPECT_TRUE(
        testBundle()->pathForResource(QStringLiteral("Localizable"), QStringLiteral("strings")));
    EXPECT_EQ(testBundle()->infoDictionary().value(QStringLiteral("CFBundleShortVersionString")),
              QStringLiteral("1.2.3"));
    EXPECT_EQ(testBundle()->identifier(), QStringLiteral("org.lunvik.tests.platform"));
    EXPECT_TRUE(Bundle::named(QStringLiteral("Other"))->infoDictionary().isEmpty());
}

TEST_F(LanguageEnvironment, missingKeyAnswersTheKey) {
    setLanguage("en");
    EXPECT_EQ(testBundle()->localizedString(QStringLiteral("greeting")), QStringLiteral("Hello"));
    EXPECT_EQ(testBundle()->localizedString(QStringLiteral("nope")), QStringLiteral("nope"));
    EXPECT_EQ(testBundle()->localizedString(QStringLiteral("greeting"), QStringLiteral("NoTable")),
              QStringLiteral("greeting"));
}

TEST_F(LanguageEnvironment, preferredLanguageThenEnglish) {
    setLanguage("de_DE:fr");
    EXPECT_EQ(testBundle()->localizedString(QStringLiteral("greeting")), QStringLiteral("Hallo"));
    EXPECT_EQ(testBundle()->localizedString(QStringLiteral("only-en")),
              QStringLiteral("English only"));
    const QStringList languages = Bundle::preferredLanguages();
    EXPECT_EQ(languages.first(), QStringLiteral("de_DE"));
    EXPECT_EQ(languages.last(), QStringLiteral("en"));
}

TEST(StringsFile, commentsEscapesAndBareWords) {
    const auto table = testBundle()->stringTable(QStringLiteral("en"), {});
    ASSERT_TRUE(table);
    EXPECT_EQ(table->value(QStringLiteral("quoted")),
              QString::fromUtf8("She said \"hi\"\n\tand left \\ \u00e9"));
    EXPECT_EQ(table->value(QStringLiteral("bareKey")), QStringLiteral("bareValue"));
    EXPECT_EQ(table->value(QStringLiteral("percent")), QStringLiteral("100 %"));
}

TEST(StringsFile, malformedInputKeepsWhatCameBefore) {
    QString error;
    const auto table = StringsFile::parse("\"a\" = \"1\";\n\"b\" = ;\n\"c\" = \"3\";", &error);
    EXPECT_EQ(table.size(), 1);
    EXPECT_EQ(table.value(QStringLiteral("a")), QStringLiteral("1"));
    EXPECT_FALSE(error.isEmpty());

    for (const char* broken : {"\"unterminated", "\"a\" = \"b", "\"a\" = \"\\U12\";", "=", ";;",
                               "/* open comment", "\"a\" \"b\";", "\xff\xfe\x00"}) {
        EXPECT_NO_THROW(StringsFile::parse(QByteArray(broken)));
    }
}

TEST(StringsFile, keyWithoutValueStandsForItself) {
    const auto table = StringsFile::parse("\"same\";");
    EXPECT_EQ(table.value(QStringLiteral("same")), QStringLiteral("same"));
}

} // namespace
