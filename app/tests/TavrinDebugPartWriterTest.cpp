#include "app/tavrin/TavrinDebugPartWriter.h"
#include "platform/Workspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using lunvik::TavrinBitmapInfo_px;
using lunvik::TavrinDebugPartWriter;

namespace {

TavrinBitmapInfo_px bitmapOf(int width, int height, qint64 location = 0) {
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(255);
    return {location, image};
}

TEST(TavrinDebugPartWriter, namesThePartInWholeMillimetres) {
    const ambrel::Dpi dpi(300);
    EXPECT_EQ(TavrinDebugPartWriter::fileName(bitmapOf(1181, 2362), dpi),
              QStringLiteral("0 {0, 0}, {100, 200}.png"));
    // 1000 px is 84.7 mm.
    EXPECT_EQ(TavrinDebugPartWriter::fileName(bitmapOf(1000, 10, 1000), dpi),
              QStringLiteral("0 {84, 0}, {84, 0}.png"));
}

TEST(TavrinDebugPartWriter, eachWriteReplacesTheFolder) {
    QTemporaryDir home;
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("Desktop")));
    qputenv("HOME", home.path().toLocal8Bit());
    qunsetenv("XDG_CONFIG_HOME");
    QStringList revealed;
    platform::Workspace::setRevealer([&](const QString& path) { revealed << path; });

    const ambrel::Dpi dpi(300);
    TavrinDebugPartWriter::write(bitmapOf(1181, 2362), dpi);
    TavrinDebugPartWriter::write(bitmapOf(118, 236), dpi);
    const QDir folder(home.filePath(QStringLiteral("Desktop/PRINT_DEBUG_PARTS")));
    EXPECT_EQ(folder.entryList(QDir::Files), QStringList{"0 {0, 0}, {10, 20}.png"});
    EXPECT_EQ(QImage(folder.filePath(QStringLiteral("0 {0, 0}, {10, 20}.png"))).size(),
              QSize(118, 236));
    EXPECT_EQ(revealed.size(), 2);
    EXPECT_EQ(revealed.last(), folder.path());
    platform::Workspace::setRevealer({});
}

TEST(TavrinDebugPartWriter, clearingNeverFollowsLinksNorRemovesOtherFiles) {
    QTemporaryDir home;
    QTemporaryDir elsewhere;
    const QDir desktop(home.filePath(QStringLiteral("Desktop")));
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("Desktop")));
    qputenv("HOME", home.path().toLocal8Bit());
    qunsetenv("XDG_CONFIG_HOME");
    platform::Workspace::setRevealer([](const QString&) {});
    auto touch = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write("x") == 1;
    };
    const QDir other(elsewhere.path());
    ASSERT_TRUE(touch(other.filePath(QStringLiteral("0 {1, 0}, {2, 3}.png"))));
    ASSERT_TRUE(touch(other.filePath(QStringLiteral("precious.txt"))));
    const ambrel::Dpi dpi(300);

    // The folder's name is a link to another folder: nothing there is touched.
    const QString folderPath = desktop.filePath(QStringLiteral("PRINT_DEBUG_PARTS"));
    ASSERT_TRUE(QFile::link(elsewhere.path(), folderPath));
    TavrinDebugPartWriter::write(bitmapOf(20, 20), dpi);
    EXPECT_EQ(other.entryList(QDir::Files).size(), 2);
    ASSERT_TRUE(QFile::remove(folderPath));

    // A real folder: earlier bitmaps go (a link among them as a link only),
    // everything else stays.
    const QDir folder(folderPath);
    ASSERT_TRUE(desktop.mkdir(QStringLiteral("PRINT_DEBUG_PARTS")));
    ASSERT_TRUE(folder.mkdir(QStringLiteral("0 {9, 0}, {9, 9}.png")));
    ASSERT_TRUE(touch(folder.filePath(QStringLiteral("notes.txt"))));
    ASSERT_TRUE(touch(folder.filePath(QStringLiteral("0 {5, 0}, {5, 5}.png"))));
    ASSERT_TRUE(QFile::link(other.filePath(QStringLiteral("0 {1, 0}, {2, 3}.png")),
                            folder.filePath(QStringLiteral("0 {7, 0}, {7, 7}.png"))));
    TavrinDebugPartWriter::write(bitmapOf(118, 236), dpi);
    EXPECT_EQ(folder.entryList(QDir::Files | QDir::System),
              (QStringList{"0 {0, 0}, {10, 20}.png", "notes.txt"}));
    EXPECT_TRUE(QFileInfo(folder.filePath(QStringLiteral("0 {9, 0}, {9, 9}.png"))).isDir());
    EXPECT_EQ(other.entryList(QDir::Files).size(), 2);
    platform::Workspace::setRevealer({});
}

TEST(TavrinDebugPartWriter, withoutADesktopNothingIsWritten) {
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qunsetenv("XDG_CONFIG_HOME");
    bool revealed = false;
    platform::Workspace::setRevealer([&](const QString&) { revealed = true; });
    TavrinDebugPartWriter::write(bitmapOf(20, 20), ambrel::Dpi(300));
    EXPECT_TRUE(QDir(home.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    EXPECT_FALSE(revealed);
    platform::Workspace::setRevealer({});
}

} // namespace
