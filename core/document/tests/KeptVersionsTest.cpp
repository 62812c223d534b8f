#include "core/document/package/KeptVersions.h"
#include "core/document/package/FileContents.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

namespace {

// Bytes the file system gives the tree, holes not counted.
qint64 allocated(const QString& path) {
    qint64 bytes = 0;
    QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        struct stat st {};
        if (::lstat(QFile::encodeName(it.next()).constData(), &st) == 0) {
            bytes += qint64(st.st_blocks) * 512;
        }
    }
    return bytes;
}

// A file of the size whose only data are the bytes at its end.
void sparse(const QString& path, qint64 size, const QByteArray& tail) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ASSERT_EQ(::pwrite(fd, tail.constData(), size_t(tail.size()), size - tail.size()), tail.size());
    ::close(fd);
}

} // namespace

TEST_F(KeptVersionsTest, AKeptVersionHoldsOnlyThePackagesMembersAndTheirHolesStayHoles) {
    const QString job = package(QStringLiteral("Job.lunvik"), "saved");
    // Unknown members, one of them half a gigabyte of hole.
    sparse(job + QStringLiteral("/Unknown.bin"), qint64(512) << 20, "end");
    QDir().mkpath(job + QStringLiteral("/Extra"));
    write(job + QStringLiteral("/Extra/notes.txt"), "notes");
    ::symlink("/etc/passwd", QFile::encodeName(job + QStringLiteral("/Settings.link")).constData());
    // A picture file with a hole of 64 MB before its bytes.
    sparse(job + QStringLiteral("/ImageData"), qint64(64) << 20, "picture");
    if (allocated(job) >= qint64(1) << 20) {
        GTEST_SKIP() << "the file system keeps no holes";
    }

    auto kept = versions.keep(job, PackageFingerprint::of(job));
    ASSERT_TRUE(kept);
    QStringList members;
    QDirIterator it(kept->packagePath(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        members << QDir(kept->packagePath()).relativeFilePath(it.next());
    }
    members.sort();
    EXPECT_EQ(members, QStringList({QStringLiteral("ImageData"), QStringLiteral("QuickLook"),
                                    QStringLiteral("QuickLook/Thumbnail.jpg"),
                                    QStringLiteral("Settings.plist")}));
    EXPECT_LT(allocated(versions.folder()), qint64(1) << 20);
    const QByteArray picture = read(kept->packagePath() + QStringLiteral("/ImageData"));
    EXPECT_EQ(picture.size(), qint64(64) << 20);
    EXPECT_TRUE(picture.endsWith("picture"));
    EXPECT_EQ(picture.count('\0'), picture.size() - 7);
    EXPECT_EQ(read(kept->packagePath() + QStringLiteral("/Settings.plist")), "saved");
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

TEST_F(KeptVersionsTest, AVersionKeptByAnEarlierVersionWithoutDigestsIsStillTakenBack) {
    const QString job = package(QStringLiteral("Job.lunvik"), "saved");
    QString crashed;
    {
        // As the record of a version that noted metadata only.
        auto kept = versions.keep(
            job, PackageFingerprint::of(job, PackageFingerprint::Contents::metadataOnly));
        ASSERT_TRUE(kept);
        crashed = kept->folder();
    }
    auto taken = versions.keep(job, PackageFingerprint::of(job));
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->folder(), crashed);
    // From now on it knows the contents too.
    EXPECT_EQ(taken->record().source, PackageFingerprint::of(job));
    taken.reset();

    // Changed since, in the metadata: not this version's package any more.
    QThread::msleep(5);
    write(job + QStringLiteral("/Settings.plist"), "elsewhere");
    auto fresh = versions.keep(job, PackageFingerprint::of(job));
    ASSERT_TRUE(fresh);
    EXPECT_NE(fresh->folder(), crashed);
}

// What a crash or another program leaves in a record's place: a link to a
// device that never ends, a named pipe, a file larger than any record.
// None is taken back, none stops an opening, and cleanup removes them.
TEST_F(KeptVersionsTest, ARecordThatIsNoPlainRecordIsSkippedAndRemoved) {
    const QString job = package(QStringLiteral("Job.lunvik"), "saved");
    QStringList crashed;
    {
        // Held at once, so that each opening keeps a copy of its own.
        std::vector<std::unique_ptr<KeptVersion>> held;
        for (int i = 0; i < 3; ++i) {
            held.push_back(versions.keep(job, PackageFingerprint::of(job)));
            ASSERT_TRUE(held.back());
            crashed << held.back()->folder();
        }
    }
    const auto recordOf = [](const QString& folder) {
        return QFile::encodeName(folder + u'/' + KeptVersion::recordFileName);
    };
    for (const QString& folder : crashed) {
        ASSERT_EQ(::unlink(recordOf(folder).constData()), 0);
    }
    ASSERT_EQ(::symlink("/dev/zero", recordOf(crashed[0]).constData()), 0);
    ASSERT_EQ(::mkfifo(recordOf(crashed[1]).constData(), 0600), 0);
    QFile large(QString::fromLocal8Bit(recordOf(crashed[2])));
    ASSERT_TRUE(large.open(QIODevice::WriteOnly));
    ASSERT_TRUE(large.resize(KeptVersion::maximumRecordSize + 1));
    large.close();
    for (const QString& folder : crashed) {
        EXPECT_FALSE(KeptVersion::readRecord(folder));
    }

    auto fresh = versions.keep(job, PackageFingerprint::of(job));
    ASSERT_TRUE(fresh);
    EXPECT_FALSE(crashed.contains(fresh->folder()));
    versions.removeStale();
    for (const QString& folder : crashed) {
        EXPECT_FALSE(QFileInfo::exists(folder)) << folder.toStdString();
    }
    EXPECT_TRUE(QFileInfo::exists(fresh->folder()));
}

// A thumbnail folder that is a link leads out of the package: the version
// copies nothing through it, as the package's reader reads nothing there.
TEST_F(KeptVersionsTest, AThumbnailFolderThatIsALinkIsNotCopiedThrough) {
    const QString job = package(QStringLiteral("Job.lunvik"), "saved");
    const QString outside = folder.filePath(QStringLiteral("outside"));
    QDir().mkpath(outside);
    write(outside + QStringLiteral("/Thumbnail.jpg"), "somebody else's");
    QDir(job + QStringLiteral("/QuickLook")).removeRecursively();
    ASSERT_TRUE(QFile::link(outside, job + QStringLiteral("/QuickLook")));

    auto kept = versions.keep(job, PackageFingerprint::of(job));
    ASSERT_TRUE(kept);
    EXPECT_EQ(read(kept->packagePath() + QStringLiteral("/Settings.plist")), "saved");
    EXPECT_FALSE(QFileInfo::exists(kept->packagePath() + QStringLiteral("/QuickLook")));
}

TEST_F(KeptVersionsTest, AMemberLargerThanAnyPackageHoldsIsNotReadAndCountsAsChanged) {
    const QString job = package(QStringLiteral("Job.lunvik"), "saved");
    QFile picture(job + QStringLiteral("/ImageData"));
    ASSERT_TRUE(picture.resize(kestrom::FileContents::maximumPictureFileSize + 1));
    const PackageFingerprint first = PackageFingerprint::of(job);
    const PackageFingerprint second = PackageFingerprint::of(job);
    EXPECT_TRUE(first.sameMetadata(second));
    EXPECT_NE(first, second);
    EXPECT_NE(PackageFingerprint::fromJson(first.toJson()), first);
}

// Start-up cleanup reads the packages of old versions while this process
// opens one of them: the cleanup never makes the version look held by
// another process, so the opening always takes it back.
TEST_F(KeptVersionsTest, CleanupReadingAPackageNeverHidesItsVersionFromAnOpening) {
    const QString job = package(QStringLiteral("Job.lunvik"), "saved");
    {
        QFile picture(job + QStringLiteral("/ImageData"));
        ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
        const QByteArray block(1 << 20, 'p');
        for (int i = 0; i < 32; ++i) {
            picture.write(block);
        }
    }
    const PackageFingerprint read = PackageFingerprint::of(job);
    QString crashed;
    {
        auto kept = versions.keep(job, read);
        ASSERT_TRUE(kept);
        crashed = kept->folder();
    }
    // Old enough for the cleanup to read its package.
    QFile record(crashed + u'/' + KeptVersion::recordFileName);
    ASSERT_TRUE(record.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        record.setFileTime(QDateTime::currentDateTimeUtc().addDays(-KeptVersions::staleDays - 5),
                           QFileDevice::FileModificationTime));
    record.close();

    std::atomic<bool> stop{false};
    std::atomic<int> passes{0};
    std::thread cleaner([&] {
        while (!stop) {
            versions.removeStale();
            ++passes;
        }
    });
    int openings = 0;
    bool allTakenBack = true;
    while ((passes < 10 || openings < 10) && openings < 100000 && allTakenBack) {
        auto kept = versions.keep(job, read);
        allTakenBack = kept && kept->folder() == crashed;
        ++openings;
    }
    stop = true;
    cleaner.join();
    EXPECT_TRUE(allTakenBack) << "opening " << openings;
    EXPECT_TRUE(QDir(crashed).exists());
}
