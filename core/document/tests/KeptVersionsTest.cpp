#include "core/document/package/KeptVersions.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

using kestrom::KeptVersion;
using kestrom::KeptVersions;
using kestrom::PackageFingerprint;

namespace {

struct KeptVersionsTest : ::testing::Test {
    QTemporaryDir folder;
    KeptVersions versions{folder.filePath(QStringLiteral("data/Kept Versions"))};

    QString package(const QString& relative, const QByteArray& settings) {
        const QString path = folder.filePath(relative);
        QDir().mkpath(path + QStringLiteral("/QuickLook"));
        write(path + QStringLiteral("/Settings.plist"), settings);
        write(path + QStringLiteral("/ImageData"), "picture");
        write(path + QStringLiteral("/QuickLook/Thumbnail.jpg"), "thumbnail");
        return path;
    }
    static void write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    static QByteArray read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QStringList stored() const {
        return QDir(versions.folder())
            .entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }
};

} // namespace

TEST_F(KeptVersionsTest, FingerprintsTellEveryWriteButNotAReadOrAMissingPackage) {
    const QString job = package(QStringLiteral("Job.lunvik"), "one");
    const PackageFingerprint opened = PackageFingerprint::of(job);
    EXPECT_TRUE(opened.exists());
    EXPECT_EQ(opened.entries().size(), 5u); // the package, three files, one folder
    read(job + QStringLiteral("/ImageData"));
    EXPECT_EQ(PackageFingerprint::of(job), opened);
    EXPECT_EQ(PackageFingerprint::fromJson(opened.toJson()), opened);

    // Same size, rewritten in place by another process.
    QProcess other;
    other.start(
        QStringLiteral("sh"),
        {QStringLiteral("-c"), QStringLiteral("printf two > '%1/Settings.plist'").arg(job)});
    ASSERT_TRUE(other.waitForFinished());
    EXPECT_NE(PackageFingerprint::of(job), opened);

    const PackageFingerprint before = PackageFingerprint::of(job);
    write(job + QStringLiteral("/Extra"), "");
    EXPECT_NE(PackageFingerprint::of(job), before);
    EXPECT_FALSE(PackageFingerprint::of(folder.filePath(QStringLiteral("None.lunvik"))).exists());
    EXPECT_FALSE(PackageFingerprint::fromJson({}));
}

TEST_F(KeptVersionsTest, AKeptVersionIsACopyOutsideThePackageUntilDiscarded) {
    const QString job = package(QStringLiteral("Job.lunvik"), "saved");
    auto kept = versions.keep(job, PackageFingerprint::of(job));
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept->packagePath().startsWith(versions.folder() + u'/'));
    EXPECT_TRUE(kept->packagePath().endsWith(QStringLiteral("/Job.lunvik")));
    EXPECT_EQ(read(kept->packagePath() + QStringLiteral("/Settings.plist")), "saved");
    EXPECT_EQ(read(kept->packagePath() + QStringLiteral("/QuickLook/Thumbnail.jpg")), "thumbnail");
    EXPECT_EQ(kept->record().package, job);
    EXPECT_EQ(kept->record().source, PackageFingerprint::of(job));
    EXPECT_TRUE(kept->record().savedAt.isValid());

    // The package changes; the kept version does not.
    write(job + QStringLiteral("/Settings.plist"), "autosaved");
    EXPECT_EQ(read(kept->packagePath() + QStringLiteral("/Settings.plist")), "saved");

    kept->discard();
    EXPECT_TRUE(stored().isEmpty());
}

TEST_F(KeptVersionsTest, AVersionLeftByACrashIsTakenBackOnlyByItsOwnPackageInTheStateLeft) {
    const QString job = package(QStringLiteral("a/Job.lunvik"), "saved");
    const QString namesake = package(QStringLiteral("b/Job.lunvik"), "saved");
    QString crashed;
    {
        auto kept = versions.keep(job, PackageFingerprint::of(job));
        ASSERT_TRUE(kept);
        crashed = kept->folder();
        // The process writes the package in place, then ends without closing.
        write(job + QStringLiteral("/Settings.plist"), "autosaved");
        kept->noteWritten(PackageFingerprint::of(job));
    }
    // Another package of the same name never takes it.
    auto other = versions.keep(namesake, PackageFingerprint::of(namesake));
    ASSERT_TRUE(other);
    EXPECT_NE(other->folder(), crashed);

    // The same package as the crashed process left it does.
    auto taken = versions.keep(job, PackageFingerprint::of(job));
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->folder(), crashed);
    EXPECT_EQ(read(taken->packagePath() + QStringLiteral("/Settings.plist")), "saved");

    // While it is held, a second opening of the package keeps its own copy.
    auto second = versions.keep(job, PackageFingerprint::of(job));
    ASSERT_TRUE(second);
    EXPECT_NE(second->folder(), crashed);
    EXPECT_EQ(read(second->packagePath() + QStringLiteral("/Settings.plist")), "autosaved");
}

TEST_F(KeptVersionsTest, APackageChangedSinceTheCrashGetsAFreshCopy) {
    const QString job = package(QStringLiteral("Job.lunvik"), "saved");
    QString crashed;
    {
        auto kept = versions.keep(job, PackageFingerprint::of(job));
        ASSERT_TRUE(kept);
        crashed = kept->folder();
    }
    QThread::msleep(5);
    write(job + QStringLiteral("/Settings.plist"), "elsewhere");
    auto fresh = versions.keep(job, PackageFingerprint::of(job));
    ASSERT_TRUE(fresh);
    EXPECT_NE(fresh->folder(), crashed);
    EXPECT_EQ(read(fresh->packagePath() + QStringLiteral("/Settings.plist")), "elsewhere");
    // The crashed one stays, for now.
    EXPECT_TRUE(QDir(crashed).exists());
}

TEST_F(KeptVersionsTest, StaleCleanupRemovesOnlyWhatNoPackageCanTakeBack) {
    const QString takeable = package(QStringLiteral("a/Job.lunvik"), "a");
    const QString changed = package(QStringLiteral("b/Job.lunvik"), "b");
    const QString held = package(QStringLiteral("c/Job.lunvik"), "c");
    QString takeableFolder;
    QString changedFolder;
    {
        auto a = versions.keep(takeable, PackageFingerprint::of(takeable));
        auto b = versions.keep(changed, PackageFingerprint::of(changed));
        ASSERT_TRUE(a && b);
        takeableFolder = a->folder();
        changedFolder = b->folder();
    }
    auto c = versions.keep(held, PackageFingerprint::of(held));
    ASSERT_TRUE(c);
    write(changed + QStringLiteral("/Extra"), "");
    QDir().mkpath(versions.folder() + QStringLiteral("/.making-unfinished"));

    // Young versions stay even when no package can take them back, and a
    // young copy may still be under way.
    versions.removeStale();
    EXPECT_TRUE(QDir(changedFolder).exists());
    EXPECT_TRUE(QDir(versions.folder() + QStringLiteral("/.making-unfinished")).exists());

    versions.removeStale(QDateTime::currentDateTimeUtc().addDays(KeptVersions::staleDays + 1));
    EXPECT_FALSE(QDir(versions.folder() + QStringLiteral("/.making-unfinished")).exists());
    EXPECT_FALSE(QDir(changedFolder).exists());
    EXPECT_TRUE(QDir(takeableFolder).exists());
    EXPECT_TRUE(QDir(c->folder()).exists());
    EXPECT_EQ(stored().size(), 2);
}

TEST_F(KeptVersionsTest, AWriteNotedBeforeItsSwapIsTheVersionsOwnAfterAKill) {
    const QString job = package(QStringLiteral("Job.lunvik"), "opened");
    const QString next = package(QStringLiteral("next.saving"), "autosaved");
    QString crashed;
    {
        auto kept = versions.keep(job, PackageFingerprint::of(job));
        ASSERT_TRUE(kept);
        crashed = kept->folder();
        // The new package is noted, then takes the package's place; the
        // process is killed before it can note the write.
        ASSERT_TRUE(kept->notePending(PackageFingerprint::of(next)));
        ASSERT_TRUE(QDir().rename(job, folder.filePath(QStringLiteral("old"))));
        ASSERT_TRUE(QDir().rename(next, job));
    }
    auto taken = versions.keep(job, PackageFingerprint::of(job));
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->folder(), crashed);
    EXPECT_EQ(read(taken->packagePath() + QStringLiteral("/Settings.plist")), "opened");
    EXPECT_EQ(taken->record().written, PackageFingerprint::of(job));
    EXPECT_FALSE(taken->record().pending);
    taken.reset();

    // Killed before the swap: the package as the record last knew it.
    {
        auto kept = versions.keep(job, PackageFingerprint::of(job));
        ASSERT_TRUE(kept);
        EXPECT_EQ(kept->folder(), crashed);
        ASSERT_TRUE(
            kept->notePending(PackageFingerprint::of(folder.filePath(QStringLiteral("old")))));
    }
    auto again = versions.keep(job, PackageFingerprint::of(job));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->folder(), crashed);
}
