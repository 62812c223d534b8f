#include "imaging/print/SplitDebugOutput.h"
#include "platform/Workspace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using quenta::SplitDebugOutput;

namespace {

QImage blank(int width, int height) {
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(255);
    return image;
}

// A home folder whose XDG desktop folder is "Schreibtisch".
class DebugHome : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("HOME", home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral(".config")).toLocal8Bit());
        QDir(home.path()).mkpath(QStringLiteral(".config"));
        QFile dirs(home.filePath(QStringLiteral(".config/user-dirs.dirs")));
        dirs.open(QIODevice::WriteOnly);
        dirs.write("XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
        dirs.close();
        platform::Workspace::setRevealer([this](const QString& path) { revealed << path; });
    }
    void TearDown() override { platform::Workspace::setRevealer({}); }

    QString desktop() const { return home.filePath(QStringLiteral("Schreibtisch")); }
    QDir folder() const { return QDir(desktop() + QStringLiteral("/PRINT_DEBUG_PARTS")); }

    QTemporaryDir home;
    QStringList revealed;
};

TEST(SplitDebugOutputNames, wholeMillimetresOfPlaceAndSize) {
    const ambrel::Dpi dpi(300);
    EXPECT_EQ(SplitDebugOutput::partName({QPointF(12.0, 0), blank(413, 1276)}, dpi),
              QStringLiteral("{12, 0}, {35, 108}"));
    quenta::XYBitmapInfo_px info;
    info.location_px = {300, 0};
    info.bitmap = blank(600, 1000);
    EXPECT_EQ(SplitDebugOutput::bitmapName(0, info, dpi), QStringLiteral("0 {25, 0}, {50, 84}"));
    EXPECT_EQ(SplitDebugOutput::bitmapName(1, info, dpi), QStringLiteral("1 {25, 0}, {50, 84}"));
}

TEST_F(DebugHome, eachRunReplacesTheFolderOnTheXdgDesktop) {
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("Schreibtisch")));
    const ambrel::Dpi dpi(25.4);
    SplitDebugOutput::writeDebugParts({{QPointF(1, 2), blank(3, 4)}}, dpi);
    EXPECT_EQ(folder().entryList(QDir::Files), QStringList{"{1, 2}, {3, 4}.png"});

    // Two bitmaps with the same rectangle keep apart through their index.
    quenta::XYBitmapInfo_px info;
    info.bitmap = blank(5, 6);
    SplitDebugOutput::writeDebugBitmaps_px({info, info}, dpi);
    EXPECT_EQ(folder().entryList(QDir::Files, QDir::Name),
              (QStringList{"0 {0, 0}, {5, 6}.png", "1 {0, 0}, {5, 6}.png"}));
    EXPECT_EQ(QImage(folder().filePath(QStringLiteral("1 {0, 0}, {5, 6}.png"))).size(),
              QSize(5, 6));

    SplitDebugOutput::writeDebugParts({}, dpi);
    EXPECT_TRUE(folder().exists());
    EXPECT_TRUE(folder().entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    EXPECT_EQ(revealed, QStringList(3, folder().path()));
}

TEST_F(DebugHome, aLinkInTheFoldersPlaceIsNotFollowed) {
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("Schreibtisch")));
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("precious")));
    QFile keep(home.filePath(QStringLiteral("precious/keep.txt")));
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    keep.close();
    ASSERT_TRUE(QFile::link(home.filePath(QStringLiteral("precious")), folder().path()));

    SplitDebugOutput::writeDebugParts({{QPointF(0, 0), blank(3, 4)}}, ambrel::Dpi(25.4));
    EXPECT_TRUE(QFile::exists(home.filePath(QStringLiteral("precious/keep.txt"))));
    EXPECT_FALSE(QFileInfo(folder().path()).isSymLink());
    EXPECT_EQ(folder().entryList(QDir::Files), QStringList{"{0, 0}, {3, 4}.png"});

    // A link inside the folder goes as a link.
    ASSERT_TRUE(QFile::link(home.filePath(QStringLiteral("precious")),
                            folder().filePath(QStringLiteral("inner"))));
    SplitDebugOutput::writeDebugParts({}, ambrel::Dpi(25.4));
    EXPECT_TRUE(QFile::exists(home.filePath(QStringLiteral("precious/keep.txt"))));
}

TEST_F(DebugHome, withoutADesktopNothingIsWrittenOrCreated) {
    SplitDebugOutput::writeDebugParts({{QPointF(0, 0), blank(3, 4)}}, ambrel::Dpi(25.4));
    SplitDebugOutput::writeDebugBitmaps_px({}, ambrel::Dpi(25.4));
    EXPECT_FALSE(QFileInfo::exists(desktop()));
    EXPECT_TRUE(revealed.isEmpty());
}

} // namespace
