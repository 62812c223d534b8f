#include "app/application/Application.h"
#include "model/connections/ConnectPluginManager.h"
#include "platform/Bundle.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

using lunvik::Application;
using lunvik::TavrinConnect;

namespace {

const platform::Bundle* bundle(const char* name) {
    return platform::Bundle::named(QString::fromLatin1(name));
}

std::optional<TavrinConnect::Region> registeredRegion() {
    const auto plugins = ambrel::ConnectPluginManager::shared().plugins();
    if (plugins.isEmpty()) {
        return std::nullopt;
    }
    const auto* plugin = dynamic_cast<const TavrinConnect*>(plugins.last().get());
    return plugin ? std::optional(plugin->region()) : std::nullopt;
}

} // namespace

TEST(ApplicationRegionTest, TheRegionWordIsTrimmedAndMatchedExactly) {
    EXPECT_EQ(Application::regionFromText(QStringLiteral("worldwide\n")),
              TavrinConnect::Region::worldwide);
    EXPECT_EQ(Application::regionFromText(QStringLiteral("  china \n\n")),
              TavrinConnect::Region::china);
    EXPECT_EQ(Application::regionFromText(QStringLiteral("\tchina\r\n")),
              TavrinConnect::Region::china);
    EXPECT_EQ(Application::regionFromText(QStringLiteral("China")), std::nullopt);
    EXPECT_EQ(Application::regionFromText(QStringLiteral("world wide")), std::nullopt);
    EXPECT_EQ(Application::regionFromText(QString()), std::nullopt);
}

TEST(ApplicationRegionTest, ASpacedChinaRegistersTheChinaPlugin) {
    EXPECT_EQ(Application::registerDevicePlugin(bundle("RegionChinaSpaced")),
              TavrinConnect::Region::china);
    EXPECT_EQ(registeredRegion(), TavrinConnect::Region::china);
}

TEST(ApplicationRegionTest, WorldwideWithALineBreakRegistersTheWorldwidePlugin) {
    EXPECT_EQ(Application::registerDevicePlugin(bundle("RegionWorldwide")),
              TavrinConnect::Region::worldwide);
    EXPECT_EQ(registeredRegion(), TavrinConnect::Region::worldwide);
}

TEST(ApplicationRegionDeathTest, AnUnknownOrMissingRegionEndsTheStart) {
    EXPECT_DEATH(Application::registerDevicePlugin(bundle("RegionChina")),
                 "unknown region \"China\"");
    EXPECT_DEATH(Application::registerDevicePlugin(bundle("RegionUnknown")), "unknown region");
    EXPECT_DEATH(Application::registerDevicePlugin(bundle("RegionMissing")),
                 "SpecialRegion.txt is missing");
}

// The program itself, started as a user would, offscreen. How soon the
// window is there is measured by FirstWindowBenchmark.
TEST(ApplicationStartTest, TheFirstDocumentWindowIsShown) {
    QTemporaryDir folder;
    const QString shot = folder.filePath(QStringLiteral("window.png"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("LUNVIK_SCREENSHOT"), shot);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                       folder.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), folder.filePath(QStringLiteral("data")));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(LUNVIK_PROGRAM), {});
    ASSERT_TRUE(program.waitForFinished(60000));
    ASSERT_EQ(program.exitStatus(), QProcess::NormalExit)
        << program.readAllStandardError().constData();
    ASSERT_EQ(program.exitCode(), 0) << program.readAllStandardError().constData();
    const QImage window(shot);
    EXPECT_GE(window.width(), 400);
    EXPECT_GE(window.height(), 300);

    // The first start wrote the defaults a new document starts from.
    platform::UserDefaults defaults(
        folder.filePath(QStringLiteral("config/org.lunvik.Lunvik.plist")));
    EXPECT_EQ(defaults.string(QStringLiteral("LastModelName")), TavrinConnect::worldwideModelName);
    EXPECT_TRUE(defaults.contains(QStringLiteral("ScriptingPrintHasBeenAccepted")));
    EXPECT_FALSE(defaults.boolValue(QStringLiteral("ScriptingPrintHasBeenAccepted")));
    EXPECT_FALSE(defaults.contains(QStringLiteral("LastDeviceSettings")));
}

// The review tool writes the window once the picture it was given is drawn
// on the canvas, not the empty window of the first frame: the picture, all
// black, shows as a solid black block.
TEST(ApplicationStartTest, TheScreenshotToolShowsThePictureItWasGiven) {
    QTemporaryDir folder;
    QImage black(1600, 1000, QImage::Format_RGB32);
    black.fill(Qt::black);
    const QString picture = folder.filePath(QStringLiteral("photo.jpg"));
    ASSERT_TRUE(black.save(picture, "JPEG", 95));
    const QString shot = folder.filePath(QStringLiteral("shot.png"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LUNVIK_BUILD_DIR"),
                       QFileInfo(QStringLiteral(LUNVIK_PROGRAM)).dir().absoluteFilePath(".."));
    QProcess tool;
    tool.setProcessEnvironment(environment);
    tool.start(QStringLiteral(LUNVIK_SCREENSHOT_TOOL), {shot, picture});
    ASSERT_TRUE(tool.waitForFinished(180000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().constData();
    const QImage window = QImage(shot).convertToFormat(QImage::Format_Grayscale8);
    ASSERT_FALSE(window.isNull());
    // The longest run of black pixels in any row, and in how many rows
    // such a run is at least 40 pixels long.
    int rowsWithBlock = 0;
    for (int y = 0; y < window.height(); ++y) {
        const uchar* row = window.constScanLine(y);
        int run = 0;
        int longest = 0;
        for (int x = 0; x < window.width(); ++x) {
            run = row[x] < 40 ? run + 1 : 0;
            longest = std::max(longest, run);
        }
        rowsWithBlock += longest >= 40 ? 1 : 0;
    }
    EXPECT_GE(rowsWithBlock, 40) << "no picture on the canvas";
}
