#include "app/tavrin/TavrinDebugPartWriter.h"
#include "platform/Workspace.h"

#include <QDir>
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
