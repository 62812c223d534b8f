#include "platform/graphics/FileType.h"
#include "platform/Error.h"
#include "platform/Progress.h"
#include "platform/graphics/DataItemProvider.h"

#include <gtest/gtest.h>

using platform::DataItemProvider;
using platform::FileType;

TEST(FileType, conformanceFollowsTheTable) {
    EXPECT_TRUE(FileType::conforms(FileType::png, FileType::image));
    EXPECT_TRUE(FileType::conforms(FileType::png, FileType::data));
    EXPECT_TRUE(FileType::conforms(FileType::heic, FileType::heif));
    EXPECT_TRUE(FileType::conforms(FileType::heic, FileType::image));
    EXPECT_TRUE(FileType::conforms(FileType::illustrator, FileType::image));
    EXPECT_FALSE(FileType::conforms(FileType::pdf, FileType::image));
    EXPECT_FALSE(FileType::conforms(FileType::image, FileType::png));
    EXPECT_FALSE(FileType::conforms(FileType::plainText, FileType::image));
    EXPECT_TRUE(
        FileType::conforms(QStringLiteral("org.example.x"), QStringLiteral("org.example.x")));
    EXPECT_FALSE(FileType::conforms(QStringLiteral("org.example.x"), FileType::data));
}

TEST(FileType, looksUpByExtensionAndMimeType) {
    EXPECT_EQ(FileType::withFilenameExtension(QStringLiteral("JPG"))->identifier(), FileType::jpeg);
    EXPECT_EQ(FileType::withFilenameExtension(QStringLiteral("tif"))->identifier(), FileType::tiff);
    EXPECT_EQ(FileType::withMimeType(QStringLiteral("application/pdf"))->identifier(),
              FileType::pdf);
    EXPECT_FALSE(FileType::withFilenameExtension(QStringLiteral("xyz")));
    EXPECT_EQ(FileType::withIdentifier(FileType::jpeg)->preferredFilenameExtension(),
              QStringLiteral("jpeg"));
    EXPECT_FALSE(FileType::withIdentifier(FileType::image)->preferredFilenameExtension());
}

TEST(DataItemProvider, loadsTheFirstOfferedTypeThatConforms) {
    DataItemProvider item(QStringLiteral("photo"));
    item.registerData(FileType::plainText, "text");
    item.registerData(FileType::png, "png bytes");
    item.registerData(FileType::jpeg, "jpeg bytes");
    EXPECT_TRUE(item.hasItemConformingToTypeIdentifier(FileType::image));
    EXPECT_FALSE(item.hasItemConformingToTypeIdentifier(FileType::pdf));
    std::shared_ptr<platform::Progress> progress;
    EXPECT_EQ(item.loadDataRepresentation(FileType::image, &progress), QByteArray("png bytes"));
    ASSERT_TRUE(progress);
    EXPECT_EQ(progress->fractionCompleted(), 1.0);
    EXPECT_EQ(item.loadDataRepresentation(FileType::jpeg), QByteArray("jpeg bytes"));
}

TEST(DataItemProvider, missingTypesAndLoaderFailuresAreErrors) {
    DataItemProvider item;
    EXPECT_FALSE(item.suggestedName());
    item.registerLoader(FileType::png,
                        []() -> QByteArray { throw platform::Error(QStringLiteral("Test"), 7); });
    try {
        item.loadDataRepresentation(FileType::pdf);
        FAIL();
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.domain(), DataItemProvider::errorDomain);
        EXPECT_TRUE(e.localizedDescription().contains(FileType::pdf));
    }
    try {
        item.loadDataRepresentation(FileType::png);
        FAIL();
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.domain(), QStringLiteral("Test"));
        EXPECT_EQ(e.code(), 7);
    }
}
