#include "app/application/Application.h"
#include "model/connections/ConnectPluginManager.h"
#include "platform/Bundle.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

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

// Starts the program offscreen with the folders below `folder`; it writes
// its first window to window.png and quits. Whether it ended by itself, well.
bool startAndQuit(const QTemporaryDir& folder, QProcess& program) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("LUNVIK_SCREENSHOT"),
                       folder.filePath(QStringLiteral("window.png")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                       folder.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), folder.filePath(QStringLiteral("data")));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(LUNVIK_PROGRAM), {});
    if (!program.waitForFinished(60000)) {
        program.kill();
        program.waitForFinished();
        return false;
    }
    return program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0;
}

void makeLink(const QString& target, const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()),
              0);
}

bool isPlainFile(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
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
    QProcess program;
    ASSERT_TRUE(startAndQuit(folder, program)) << program.readAllStandardError().constData();
    const QImage window(folder.filePath(QStringLiteral("window.png")));
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

// The files the program keeps for itself, replaced by what is no plain
// file: a link to a device that never ends, a named pipe no one writes to.
// Each start still starts and ends; what is no record of a kept version is
// removed, and damaged settings are set aside for fresh ones.
TEST(ApplicationStartTest, FilesOfItsOwnThatAreNoPlainFilesDoNotStopAStart) {
    QTemporaryDir folder;
    const QString kept = folder.filePath(QStringLiteral("data/Lunvik/Kept Versions"));
    const QString zeroRecord = kept + QStringLiteral("/0123456789abcdef-zero");
    const QString pipeRecord = kept + QStringLiteral("/0123456789abcdef-pipe");
    makeLink(QStringLiteral("/dev/zero"), zeroRecord + QStringLiteral("/Kept.json"));
    QDir().mkpath(pipeRecord);
    ASSERT_EQ(
        ::mkfifo(QFile::encodeName(pipeRecord + QStringLiteral("/Kept.json")).constData(), 0600),
        0);
    const QString defaults = folder.filePath(QStringLiteral("config/org.lunvik.Lunvik.plist"));
    makeLink(QStringLiteral("/dev/zero"), defaults);
    makeLink(QStringLiteral("/dev/zero"),
             folder.filePath(QStringLiteral("data/Lunvik/RecentDocuments")));

    QProcess program;
    ASSERT_TRUE(startAndQuit(folder, program)) << program.readAllStandardError().constData();
    EXPECT_FALSE(QImage(folder.filePath(QStringLiteral("window.png"))).isNull());
    EXPECT_FALSE(QFileInfo::exists(zeroRecord));
    EXPECT_FALSE(QFileInfo::exists(pipeRecord));
    EXPECT_TRUE(isPlainFile(defaults));
    EXPECT_EQ(platform::UserDefaults(defaults).string(QStringLiteral("LastModelName")),
              TavrinConnect::worldwideModelName);

    // And again, with the defaults a named pipe.
    ASSERT_TRUE(QFile::remove(defaults));
    ASSERT_EQ(::mkfifo(QFile::encodeName(defaults).constData(), 0600), 0);
    QProcess again;
    ASSERT_TRUE(startAndQuit(folder, again)) << again.readAllStandardError().constData();
    EXPECT_TRUE(isPlainFile(defaults));
}
