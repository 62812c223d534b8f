#include "core/document/tests/PackageTestSupport.h"

#include "core/document/package/DocumentFileError.h"
#include "core/document/package/DocumentWorkQueue.h"
#include "platform/MainThread.h"
#include "platform/tests/support/TestPictures.h"

#include <QProcess>

#include <csignal>
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ambrel;
using namespace documenttest;
using namespace packagetest;
using kestrom::DocumentFileError;
using kestrom::DocumentPackage;
using kestrom::DocumentSettings;
using kestrom::PrintDocument;

// How a package is written: whole or not at all, never through links, and
// what killed saves leave behind.

namespace {

TEST_F(PackageTest, savingAgainReplacesThePackageWhole) {
    ::umask(027);
    PrintDocument document;
    document.setOriginalImage(picture(30, 20));
    DocumentPackage::write(document, path("Job.lunvik"));
    document.setOriginalImage(nullptr);
    document.setImageRepeatXCount(4);
    DocumentPackage::write(document, path("Job.lunvik"));

    EXPECT_FALSE(QFileInfo::exists(path("Job.lunvik/ImageData")));
    EXPECT_FALSE(QFileInfo::exists(path("Job.lunvik/QuickLook")));
    PrintDocument opened;
    DocumentPackage::read(opened, path("Job.lunvik"));
    EXPECT_EQ(opened.imageRepeatXCount(), 4);
    // Made as the user's file mode mask says, like any other folder.
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path("Job.lunvik")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0750u);
    EXPECT_EQ(
        QDir(m_folder.path())
            .entryList({"*.lunvik", ".*"}, QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
        QStringList({"Job.lunvik"}));
}

TEST_F(PackageTest, aSaveThatFailsMidwayLeavesTheOldPackage) {
    PrintDocument document;
    document.setImageRepeatXCount(2);
    DocumentPackage::write(document, path("Job.lunvik"));
    const QByteArray oldSettings = [&] {
        QFile f(path("Job.lunvik/Settings.plist"));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();

    // The picture's bytes cannot be written in full: files may not grow past
    // 64 KiB, whoever runs the test.
    QImage noise(400, 400, QImage::Format_RGB32);
    for (int y = 0; y < 400; ++y) {
        for (int x = 0; x < 400; ++x) {
            noise.setPixel(
                x, y, qRgb((x * 7919 + y * 104729) & 0xff, (x * y) & 0xff, (x + y * 31) & 0xff));
        }
    }
    document.setOriginalImage(pictureOf(testpictures::encode(noise, "png"), "/n.png"));
    ASSERT_GT(document.originalImage()->data().size(), 65536);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const rlimit limit{65536, old.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const QString reason = damageOf([&] { DocumentPackage::write(document, path("Job.lunvik")); });
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_TRUE(
        reason.startsWith("NSPOSIXErrorDomain 27: The document “Job.lunvik” cannot be saved"))
        << reason.toStdString();

    QFile f(path("Job.lunvik/Settings.plist"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), oldSettings);
    EXPECT_EQ(
        QDir(m_folder.path())
            .entryList({"*.lunvik", ".*"}, QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
        QStringList({"Job.lunvik"}));
}

// Lets the process do only what file permissions allow while it lives, even
// when it runs as root; gives the powers back afterwards.
class FilePermissionsOnly {
public:
    FilePermissionsOnly() {
        if (::syscall(SYS_capget, &m_header, m_saved) != 0) {
            return;
        }
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        for (const int power : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
            reduced[power / 32].effective &= ~(1u << (power % 32));
        }
        m_dropped = ::syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~FilePermissionsOnly() {
        if (m_dropped) {
            ::syscall(SYS_capset, &m_header, m_saved);
        }
    }
    FilePermissionsOnly(const FilePermissionsOnly&) = delete;
    FilePermissionsOnly& operator=(const FilePermissionsOnly&) = delete;
    bool apply() const { return m_dropped || ::geteuid() != 0; }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_dropped = false;
};

TEST_F(PackageTest, aReadOnlyFolderRefusesTheSave) {
    const QString folder = path("locked");
    QDir().mkpath(folder);
    PrintDocument document;
    document.setImageRepeatXCount(2);
    DocumentPackage::write(document, folder + "/Job.lunvik");
    const QStringList members =
        QDir(folder + "/Job.lunvik").entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    document.setOriginalImage(picture(10, 10));
    QString reason;
    QString another;
    {
        const FilePermissionsOnly permissions;
        if (!permissions.apply()) {
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            GTEST_SKIP() << "this process writes into read-only folders";
        }
        reason = damageOf([&] { DocumentPackage::write(document, folder + "/Job.lunvik"); });
        another = damageOf([&] { DocumentPackage::write(document, folder + "/New.lunvik"); });
    }
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_TRUE(reason.startsWith("NSPOSIXErrorDomain 13:")) << reason.toStdString();
    EXPECT_TRUE(another.startsWith("NSPOSIXErrorDomain 13:")) << another.toStdString();
    // The old package is as it was, and nothing else is there.
    EXPECT_EQ(QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
              QStringList({"Job.lunvik"}));
    EXPECT_EQ(QDir(folder + "/Job.lunvik").entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              members);
    PrintDocument opened;
    DocumentPackage::read(opened, folder + "/Job.lunvik");
    EXPECT_EQ(opened.imageRepeatXCount(), 2);
}

TEST_F(PackageTest, savingOverALinkNeverDeletesWhatItPointsTo) {
    PrintDocument document;
    document.setOriginalImage(picture(12, 8));
    QDir().mkpath(path("elsewhere"));
    DocumentPackage::write(document, path("elsewhere/Job.lunvik"));
    const QStringList members =
        QDir(path("elsewhere/Job.lunvik")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
    ASSERT_TRUE(QFile::link(path("elsewhere/Job.lunvik"), path("Job.lunvik")));
    writeFile(path("Plain.lunvik"), "a file in the way");

    document.setImageRepeatXCount(3);
    DocumentPackage::write(document, path("Job.lunvik"));
    DocumentPackage::write(document, path("Plain.lunvik"));

    EXPECT_EQ(QDir(path("elsewhere/Job.lunvik")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              members);
    for (const char* saved : {"Job.lunvik", "Plain.lunvik"}) {
        PrintDocument opened;
        DocumentPackage::read(opened, path(saved));
        EXPECT_EQ(opened.imageRepeatXCount(), 3);
    }
    // Nothing of the replaced ones stays behind.
    EXPECT_EQ(QDir(m_folder.path())
                  .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden, QDir::Name),
              QStringList({"Job.lunvik", "Plain.lunvik", "elsewhere"}));
}

TEST_F(PackageTest, aSaveIntoAPlaceThatIsNoFolderFails) {
    writeFile(path("plain"), "a file");
    PrintDocument document;
    const QString reason =
        damageOf([&] { DocumentPackage::write(document, path("plain/Job.lunvik")); });
    EXPECT_TRUE(reason.startsWith("NSPOSIXErrorDomain 20:")) << reason.toStdString();
}

// Ages a folder as if nothing had touched it for a minute.
void makeOld(const QString& path) {
    const timespec old[2] = {{::time(nullptr) - 60, 0}, {::time(nullptr) - 60, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), old, 0), 0);
}

QStringList hiddenEntries(const QString& folder) {
    return QDir(folder).entryList({".*"}, QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden,
                                  QDir::Name);
}

TEST_F(PackageTest, leftoversOfKilledSavesGoAtTheNextSaveOrOpen) {
    PrintDocument document;
    document.setOriginalImage(pictureOf(testpictures::encode(photo(300, 300), "png"), "/p.png"));
    DocumentPackage::write(document, path("Job.lunvik"));

    // A save killed midway: the child is stopped by the file size limit
    // while it writes the picture.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, SIG_DFL);
        try {
            DocumentPackage::write(document, path("Job.lunvik"));
        } catch (...) {
        }
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
    const QStringList left = hiddenEntries(m_folder.path());
    ASSERT_EQ(left.size(), 1);
    EXPECT_TRUE(left.first().startsWith(".Job.lunvik.saving-")) << left.first().toStdString();

    // Only just left: it might be a save that has not locked it yet.
    DocumentPackage::load(path("Job.lunvik"));
    EXPECT_EQ(hiddenEntries(m_folder.path()), left);
    makeOld(path(left.first()));
    // One that a save under way holds stays, however old.
    QDir().mkpath(path(".Job.lunvik.saving-busy"));
    makeOld(path(".Job.lunvik.saving-busy"));
    const int busy = ::open(QFile::encodeName(path(".Job.lunvik.saving-busy")).constData(),
                            O_RDONLY | O_DIRECTORY);
    ASSERT_GE(busy, 0);
    ASSERT_EQ(::flock(busy, LOCK_EX), 0);
    // Another package's leftovers are that package's business.
    QDir().mkpath(path(".Other.lunvik.saving-x"));
    makeOld(path(".Other.lunvik.saving-x"));

    DocumentPackage::write(document, path("Job.lunvik"));
    EXPECT_EQ(hiddenEntries(m_folder.path()),
              QStringList({".Job.lunvik.saving-busy", ".Other.lunvik.saving-x"}));
    ::close(busy);
    DocumentPackage::load(path("Job.lunvik"));
    EXPECT_EQ(hiddenEntries(m_folder.path()), QStringList({".Other.lunvik.saving-x"}));
    PrintDocument opened;
    DocumentPackage::read(opened, path("Job.lunvik"));
    EXPECT_EQ(opened.originalImage()->data(), document.originalImage()->data());

    // An open on a worker removes them as well, after it has handed over
    // what it read.
    QDir().mkpath(path(".Job.lunvik.saving-killed"));
    makeOld(path(".Job.lunvik.saving-killed"));
    std::optional<DocumentPackage::Contents> background;
    DocumentPackage::loadInBackground(path("Job.lunvik"), [&](auto contents, auto error) {
        EXPECT_FALSE(error);
        background = std::move(contents);
    });
    kestrom::DocumentWorkQueue::waitForDone();
    platform::MainThread::drain();
    ASSERT_TRUE(background);
    EXPECT_EQ(hiddenEntries(m_folder.path()), QStringList({".Other.lunvik.saving-x"}));
}

} // namespace
