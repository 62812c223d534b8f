#include "core/document/application/DocumentController.h"
#include "core/document/package/DocumentWorkQueue.h"
#include "core/document/package/KeptVersions.h"
#include "platform/Error.h"
#include "platform/UndoManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

using kestrom::Document;
using kestrom::DocumentController;
using kestrom::DocumentPanels;

namespace {

// A document whose package holds its text as its settings file, the member a
// kept version copies.
class TextDocument : public Document {
public:
    void readFromPath(const QString& path) override {
        using kestrom::PackageFingerprint;
        const PackageFingerprint before =
            PackageFingerprint::of(path, PackageFingerprint::Contents::metadataOnly);
        QFile file(QDir(path).filePath(QStringLiteral("Settings.plist")));
        if (!file.open(QIODevice::ReadOnly)) {
            throw platform::Error(QStringLiteral("Test"), 1,
                                  {QStringLiteral("unreadable"), {}, {}, {}});
        }
        const QByteArray bytes = file.readAll();
        text = QString::fromUtf8(bytes);
        if (PackageFingerprint::of(path, PackageFingerprint::Contents::metadataOnly)
                .sameMetadata(before)) {
            setReadFingerprint(before.withDigests(
                {{QStringLiteral("Settings.plist"), PackageFingerprint::digest(bytes)}}));
        }
        if (afterRead) {
            afterRead(path);
        }
    }
    void writeToPath(const QString& path) override {
        QDir().mkpath(path);
        QFile file(QDir(path).filePath(QStringLiteral("Settings.plist")));
        if (!file.open(QIODevice::WriteOnly)) {
            throw platform::Error(QStringLiteral("Test"), 2,
                                  {QStringLiteral("unwritable"), {}, {}, {}});
        }
        file.write(text.toUtf8());
    }
    QString text;
    // Runs right after each read, as another program might.
    static inline std::function<void(const QString& path)> afterRead;
};

class ScriptedPanels : public DocumentPanels {
public:
    void chooseDocumentsToOpen(std::function<void(const QStringList&)> answer) override {
        answer(toOpen);
    }
    void chooseSaveLocation(Document&,
                            std::function<void(std::optional<QString>)> answer) override {
        answer(saveLocation);
    }
    void confirmRevert(Document&, const RevertQuestion& question,
                       std::function<void(bool)> answer) override {
        revertQuestions.push_back(question);
        answer(revert);
    }
    void askAboutChangeOnDisk(Document&, std::function<void(DiskChangeAnswer)> answer) override {
        ++diskChangeQuestions;
        if (diskChangeAnswer) {
            answer(*diskChangeAnswer);
        } else {
            pendingDiskChangeAnswer = std::move(answer);
        }
    }
    void askToSaveBeforeClosing(Document&, std::function<void(CloseAnswer)> answer) override {
        ++closeQuestions;
        answer(closeAnswer);
    }
    void presentError(Document*, const platform::Error& error) override {
        errors << error.localizedDescription();
    }

    QStringList toOpen;
    std::optional<QString> saveLocation;
    bool revert = true;
    std::vector<RevertQuestion> revertQuestions;
    int diskChangeQuestions = 0;
    // Without an answer the question stays open until the test answers it.
    std::optional<DiskChangeAnswer> diskChangeAnswer;
    std::function<void(DiskChangeAnswer)> pendingDiskChangeAnswer;
    CloseAnswer closeAnswer = CloseAnswer::cancel;
    int closeQuestions = 0;
    QStringList errors;
};

struct DocumentControllerTest : ::testing::Test {
    QTemporaryDir folder;
    ScriptedPanels panels;
    DocumentController controller{[] { return std::make_unique<TextDocument>(); }};
    QStringList shown;

    DocumentControllerTest() {
        controller.setPanels(&panels);
        controller.setWindowMaker([this](Document& d) { shown << d.displayName(); });
    }

    QString package(const QString& name, const QString& text) {
        const QString path = folder.filePath(name + QStringLiteral(".lunvik"));
        TextDocument d;
        d.text = text;
        d.writeToPath(path);
        return path;
    }
    static TextDocument* text(Document* d) { return static_cast<TextDocument*>(d); }
};

} // namespace

TEST_F(DocumentControllerTest, OpeningAPackageClosesTheUntouchedUntitledDocument) {
    Document* untitled = controller.openUntitledDocument(true);
    EXPECT_EQ(shown, QStringList{QStringLiteral("Untitled")});
    controller.openDocument(package(QStringLiteral("Job"), QStringLiteral("a")), true);
    ASSERT_EQ(controller.documents().size(), 1);
    EXPECT_NE(controller.documents().first(), untitled);
    EXPECT_EQ(text(controller.documents().first())->text, QStringLiteral("a"));
    EXPECT_EQ(controller.documents().first()->displayName(), QStringLiteral("Job"));
}

TEST_F(DocumentControllerTest, EditedSavedOrSeveralDocumentsStayOpen) {
    Document* edited = controller.openUntitledDocument(true);
    edited->updateChangeCount(Document::ChangeType::done);
    controller.openDocument(package(QStringLiteral("One"), QStringLiteral("1")), true);
    EXPECT_EQ(controller.documents().size(), 2);

    DocumentController other{[] { return std::make_unique<TextDocument>(); }};
    other.openUntitledDocument(false);
    other.openUntitledDocument(false);
    other.openDocument(package(QStringLiteral("Two"), QStringLiteral("2")), false);
    EXPECT_EQ(other.documents().size(), 3);

    DocumentController third{[] { return std::make_unique<TextDocument>(); }};
    third.openDocument(package(QStringLiteral("Three"), QStringLiteral("3")), false);
    third.openDocument(package(QStringLiteral("Four"), QStringLiteral("4")), false);
    EXPECT_EQ(third.documents().size(), 2);
}

TEST_F(DocumentControllerTest, AFailedOpenKeepsTheUntitledDocumentAndReportsTheError) {
    Document* untitled = controller.openUntitledDocument(true);
    std::shared_ptr<const platform::Error> reported;
    controller.openDocument(folder.filePath(QStringLiteral("missing.lunvik")), true,
                            [&](Document* d, bool, auto error) {
                                EXPECT_EQ(d, nullptr);
                                reported = error;
                            });
    ASSERT_TRUE(reported);
    EXPECT_EQ(panels.errors.size(), 1);
    EXPECT_EQ(controller.documents(), QList<Document*>{untitled});
    // A path where nothing is says so.
    EXPECT_EQ(reported->localizedDescription(),
              QStringLiteral("The file “missing.lunvik” does not exist."));

    // A plain file is no package.
    QFile plain(folder.filePath(QStringLiteral("plain.lunvik")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    controller.openDocument(plain.fileName(), true);
    EXPECT_EQ(panels.errors.size(), 2);
}

TEST_F(DocumentControllerTest, OpeningAnOpenPackageBringsItsDocumentForward) {
    const QString path = package(QStringLiteral("Job"), QStringLiteral("a"));
    controller.openDocument(path, true);
    bool wasOpen = false;
    controller.openDocument(path + QStringLiteral("/../Job.lunvik"), true,
                            [&](Document*, bool alreadyOpen, auto) { wasOpen = alreadyOpen; });
    EXPECT_TRUE(wasOpen);
    EXPECT_EQ(controller.documents().size(), 1);
    EXPECT_EQ(shown.size(), 2);
}

TEST_F(DocumentControllerTest, TheEditedFlagFollowsTheChangeCount) {
    Document* d = controller.openUntitledDocument(false);
    QList<bool> signalled;
    QObject::connect(d, &Document::editedChanged, [&](bool e) { signalled << e; });
    d->updateChangeCount(Document::ChangeType::done);
    d->updateChangeCount(Document::ChangeType::done);
    d->updateChangeCount(Document::ChangeType::undone);
    EXPECT_TRUE(d->isEdited());
    d->updateChangeCount(Document::ChangeType::undone);
    EXPECT_FALSE(d->isEdited());
    // Undoing past the saved state is a change as well.
    d->updateChangeCount(Document::ChangeType::undone);
    EXPECT_TRUE(d->isEdited());
    d->updateChangeCount(Document::ChangeType::redone);
    EXPECT_FALSE(d->isEdited());
    EXPECT_EQ(signalled, (QList<bool>{true, false, true, false}));
}

TEST_F(DocumentControllerTest, SaveAsAddsTheExtensionClearsTheEditedFlagAndIsRemembered) {
    auto* d = text(controller.openUntitledDocument(false));
    d->text = QStringLiteral("new");
    d->updateChangeCount(Document::ChangeType::done);
    panels.saveLocation = folder.filePath(QStringLiteral("Saved"));
    controller.saveDocument(d);
    const QString saved = folder.filePath(QStringLiteral("Saved.lunvik"));
    EXPECT_EQ(d->filePath(), saved);
    EXPECT_FALSE(d->isEdited());
    EXPECT_EQ(d->displayName(), QStringLiteral("Saved"));
    EXPECT_EQ(controller.recentDocumentPaths(), QStringList{saved});

    // Later saves go to the same place without asking.
    panels.saveLocation = std::nullopt;
    d->text = QStringLiteral("newer");
    controller.saveDocument(d);
    TextDocument reread;
    reread.readFromPath(saved);
    EXPECT_EQ(reread.text, QStringLiteral("newer"));
}

TEST_F(DocumentControllerTest, AFailedSaveKeepsTheDocumentEditedAndUnmoved) {
    auto* d = text(controller.openUntitledDocument(false));
    d->updateChangeCount(Document::ChangeType::done);
    QFile blocker(folder.filePath(QStringLiteral("blocked")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    std::optional<bool> saved;
    controller.saveDocumentTo(d, blocker.fileName() + QStringLiteral("/inside"),
                              [&](bool s) { saved = s; });
    EXPECT_EQ(saved, false);
    EXPECT_TRUE(d->isEdited());
    EXPECT_FALSE(d->filePath());
    EXPECT_EQ(panels.errors.size(), 1);
}

TEST_F(DocumentControllerTest, RevertReadsTheSavedVersionAgainAfterConfirmation) {
    const QString path = package(QStringLiteral("Job"), QStringLiteral("saved"));
    controller.openDocument(path, false);
    auto* d = text(controller.documents().first());
    d->text = QStringLiteral("changed");
    d->updateChangeCount(Document::ChangeType::done);
    panels.revert = false;
    controller.revertDocumentToSaved(d);
    EXPECT_EQ(d->text, QStringLiteral("changed"));
    panels.revert = true;
    controller.revertDocumentToSaved(d);
    // After the package's digest, taken on a worker once it was read.
    EXPECT_TRUE(QTest::qWaitFor([&] { return d->text == QStringLiteral("saved"); }, 5000));
    EXPECT_FALSE(d->isEdited());
}

TEST_F(DocumentControllerTest, ClosingAnEditedDocumentAsksFirst) {
    Document* untouched = controller.openUntitledDocument(false);
    controller.closeDocument(untouched);
    EXPECT_EQ(panels.closeQuestions, 0);
    EXPECT_TRUE(controller.documents().isEmpty());

    Document* edited = controller.openUntitledDocument(false);
    edited->updateChangeCount(Document::ChangeType::done);
    panels.closeAnswer = DocumentPanels::CloseAnswer::cancel;
    controller.closeDocument(edited);
    EXPECT_EQ(controller.documents().size(), 1);
    panels.closeAnswer = DocumentPanels::CloseAnswer::save;
    panels.saveLocation = std::nullopt;
    controller.closeDocument(edited);
    EXPECT_EQ(controller.documents().size(), 1);
    panels.closeAnswer = DocumentPanels::CloseAnswer::discard;
    controller.closeDocument(edited);
    EXPECT_TRUE(controller.documents().isEmpty());
    EXPECT_EQ(panels.closeQuestions, 3);
}

TEST_F(DocumentControllerTest, CommandLineDocumentsOpenAndNoneGivesAnUntitledDocument) {
    controller.openDocumentsFromArguments({package(QStringLiteral("A"), QStringLiteral("a")),
                                           package(QStringLiteral("B"), QStringLiteral("b"))});
    EXPECT_EQ(shown, (QStringList{QStringLiteral("A"), QStringLiteral("B")}));

    DocumentController empty{[] { return std::make_unique<TextDocument>(); }};
    empty.openDocumentsFromArguments({});
    ASSERT_EQ(empty.documents().size(), 1);
    EXPECT_FALSE(empty.documents().first()->filePath());
}

TEST_F(DocumentControllerTest, UntitledDocumentsAreNumbered) {
    controller.openUntitledDocument(false);
    EXPECT_EQ(controller.openUntitledDocument(false)->displayName(), QStringLiteral("Untitled 2"));
}

TEST_F(DocumentControllerTest, EditedDocumentsWithAFileAreSavedInPlaceAfterADelay) {
    const QString path = package(QStringLiteral("Job"), QStringLiteral("old"));
    controller.setAutosaveDelay(10);
    controller.openDocument(path, false);
    auto* d = text(controller.documents().first());
    d->text = QStringLiteral("autosaved");
    d->updateChangeCount(Document::ChangeType::done);
    Document* untitled = controller.openUntitledDocument(false);
    untitled->updateChangeCount(Document::ChangeType::done);
    for (int i = 0; i < 50 && d->isEdited(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    EXPECT_FALSE(d->isEdited());
    TextDocument reread;
    reread.readFromPath(path);
    EXPECT_EQ(reread.text, QStringLiteral("autosaved"));
    EXPECT_TRUE(untitled->isEdited());
}

namespace {

// Documents whose version as opened or explicitly saved is kept, saved in
// place soon after each change.
struct KeptVersionControllerTest : DocumentControllerTest {
    std::shared_ptr<kestrom::KeptVersions> versions =
        std::make_shared<kestrom::KeptVersions>(folder.filePath(QStringLiteral("data/kept")));

    KeptVersionControllerTest() {
        controller.setKeptVersions(versions);
        controller.setAutosaveDelay(10);
    }
    // Work a test left on the document queue (a kept version being dropped)
    // ends before the folder and the controller it uses go.
    ~KeptVersionControllerTest() override { kestrom::DocumentWorkQueue::waitForDone(); }

    TextDocument* openKept(const QString& path) {
        controller.openDocument(path, false);
        if (controller.documents().isEmpty()) {
            return nullptr;
        }
        Document* d = controller.documents().last();
        EXPECT_TRUE(QTest::qWaitFor([&] { return controller.keptVersion(d) != nullptr; }, 5000));
        return text(d);
    }
    static void edit(TextDocument* d, const QString& value) {
        d->text = value;
        d->updateChangeCount(Document::ChangeType::done);
    }
    bool settled(Document* d) {
        return QTest::qWaitFor([&] { return !d->isEdited() && !controller.isBusy(d); }, 5000);
    }
    static QString onDisk(const QString& path) {
        TextDocument reread;
        reread.readFromPath(path);
        return reread.text;
    }
    QString keptText(Document* d) const {
        const kestrom::KeptVersion* kept = controller.keptVersion(d);
        return kept ? onDisk(kept->packagePath()) : QString();
    }
    // Another program writes into the package in place.
    static void rewriteElsewhere(const QString& path, const QString& value) {
        QThread::msleep(2);
        QProcess other;
        other.start(QStringLiteral("sh"),
                    {QStringLiteral("-c"),
                     QStringLiteral("printf %1 > '%2/Settings.plist'").arg(value, path)});
        ASSERT_TRUE(other.waitForFinished());
        ASSERT_EQ(other.exitCode(), 0);
    }
    QStringList keptFolders() const {
        return QDir(versions->folder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    }
};

} // namespace

TEST_F(KeptVersionControllerTest, RevertAfterAutosavesReturnsToTheOpenedVersionAndWritesItBack) {
    const QString path = package(QStringLiteral("Job"), QStringLiteral("opened"));
    TextDocument* d = openKept(path);
    ASSERT_TRUE(d);
    EXPECT_FALSE(controller.hasChangesToRevert(d)) << "just opened";
    EXPECT_FALSE(keptFolders().isEmpty());
    EXPECT_FALSE(QDir(path).entryList().join(u' ').contains(QStringLiteral("kept")));
    edit(d, QStringLiteral("first"));
    EXPECT_TRUE(controller.hasChangesToRevert(d));
    ASSERT_TRUE(settled(d));
    EXPECT_EQ(onDisk(path), QStringLiteral("first"));
    // Saved in place, yet not what reverting brings back.
    EXPECT_FALSE(d->isEdited());
    EXPECT_TRUE(controller.hasChangesToRevert(d));

    edit(d, QStringLiteral("second"));
    controller.revertDocumentToSaved(d);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !controller.isBusy(d) && onDisk(path) == QStringLiteral("opened"); }, 5000));
    EXPECT_EQ(d->text, QStringLiteral("opened"));
    EXPECT_FALSE(d->isEdited());
    ASSERT_EQ(panels.revertQuestions.size(), 1u);
    EXPECT_TRUE(panels.revertQuestions.back().savedAt);
    EXPECT_TRUE(panels.revertQuestions.back().savedInPlaceSince);
    // The opened version is still the one to go back to.
    EXPECT_EQ(keptText(d), QStringLiteral("opened"));
    EXPECT_FALSE(controller.hasChangesToRevert(d)) << "just reverted";

    // Without saves since, reverting gives up only the unsaved change.
    edit(d, QStringLiteral("unsaved"));
    panels.revert = false;
    controller.revertDocumentToSaved(d);
    EXPECT_FALSE(panels.revertQuestions.back().savedInPlaceSince);
}

TEST_F(KeptVersionControllerTest, AnExplicitSaveBecomesTheVersionToRevertTo) {
    const QString path = package(QStringLiteral("Job"), QStringLiteral("opened"));
    TextDocument* d = openKept(path);
    ASSERT_TRUE(d);
    edit(d, QStringLiteral("mine"));
    controller.saveDocument(d);
    ASSERT_TRUE(QTest::qWaitFor([&] { return keptText(d) == QStringLiteral("mine"); }, 5000));
    EXPECT_EQ(keptFolders().size(), 1);

    edit(d, QStringLiteral("later"));
    ASSERT_TRUE(settled(d));
    controller.revertDocumentToSaved(d);
    ASSERT_TRUE(QTest::qWaitFor([&] { return onDisk(path) == QStringLiteral("mine"); }, 5000));
    EXPECT_EQ(d->text, QStringLiteral("mine"));
}

// The version is still being kept when the user closes the document and
// chooses to save: the save, and the closing after it, run as soon as the
// keeping ends.
TEST_F(KeptVersionControllerTest, ClosingWithASaveWhileTheVersionIsBeingKept) {
    const QString path = package(QStringLiteral("Job"), QStringLiteral("opened"));
    controller.openDocument(path, false);
    ASSERT_EQ(controller.documents().size(), 1);
    auto* d = text(controller.documents().first());
    ASSERT_TRUE(controller.isBusy(d));
    edit(d, QStringLiteral("mine"));
    panels.closeAnswer = DocumentPanels::CloseAnswer::save;
    bool closed = false;
    controller.closeDocument(d, [&](bool c) { closed = c; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return closed; }, 5000));
    EXPECT_TRUE(controller.documents().isEmpty());
    EXPECT_EQ(onDisk(path), QStringLiteral("mine"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return keptFolders().isEmpty(); }, 5000));
}

TEST_F(KeptVersionControllerTest, ClosingDropsTheKeptVersionAndSaveAsKeepsTheNewPackage) {
    TextDocument* d = openKept(package(QStringLiteral("Job"), QStringLiteral("opened")));
    ASSERT_TRUE(d);
    controller.closeDocument(d);
    EXPECT_TRUE(keptFolders().isEmpty());

    auto* untitled = text(controller.openUntitledDocument(false));
    edit(untitled, QStringLiteral("new"));
    panels.saveLocation = folder.filePath(QStringLiteral("New"));
    controller.saveDocument(untitled);
    ASSERT_TRUE(QTest::qWaitFor([&] { return keptText(untitled) == QStringLiteral("new"); }, 5000));
    controller.removeDocument(untitled);
    EXPECT_TRUE(keptFolders().isEmpty());
}

TEST_F(KeptVersionControllerTest, AVersionLeftByACrashedProcessIsTheOneToRevertTo) {
    const QString path = package(QStringLiteral("Job"), QStringLiteral("saved"));
    QString crashed;
    {
        auto kept = versions->keep(path, kestrom::PackageFingerprint::of(path));
        ASSERT_TRUE(kept);
        crashed = kept->folder();
        TextDocument autosaved;
        autosaved.text = QStringLiteral("autosaved");
        autosaved.writeToPath(path);
        kept->noteWritten(kestrom::PackageFingerprint::of(path));
        // The process ends here without closing its document.
    }
    TextDocument* d = openKept(path);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->text, QStringLiteral("autosaved"));
    EXPECT_EQ(controller.keptVersion(d)->folder(), crashed);
    controller.revertDocumentToSaved(d);
    ASSERT_TRUE(QTest::qWaitFor([&] { return onDisk(path) == QStringLiteral("saved"); }, 5000));
    EXPECT_EQ(d->text, QStringLiteral("saved"));
}

TEST_F(KeptVersionControllerTest, APackageRewrittenElsewhereIsNeverOverwrittenWithoutTheQuestion) {
    const QString path = package(QStringLiteral("Job"), QStringLiteral("opened"));
    TextDocument* d = openKept(path);
    ASSERT_TRUE(d);
    rewriteElsewhere(path, QStringLiteral("other"));

    edit(d, QStringLiteral("mine"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return panels.diskChangeQuestions == 1; }, 5000));
    EXPECT_TRUE(controller.isAutosaveStopped(d));
    // Neither more changes nor an explicit save write while the question is open.
    edit(d, QStringLiteral("mine again"));
    QTest::qWait(100);
    controller.saveDocument(d);
    QTest::qWait(50);
    EXPECT_EQ(onDisk(path), QStringLiteral("other"));
    EXPECT_EQ(panels.diskChangeQuestions, 1);
    EXPECT_TRUE(d->isEdited());

    ASSERT_TRUE(panels.pendingDiskChangeAnswer);
    panels.pendingDiskChangeAnswer(DocumentPanels::DiskChangeAnswer::keepThisVersion);
    ASSERT_TRUE(settled(d));
    EXPECT_EQ(onDisk(path), QStringLiteral("mine again"));
    EXPECT_FALSE(controller.isAutosaveStopped(d));
    // Autosave goes on as before.
    edit(d, QStringLiteral("after"));
    ASSERT_TRUE(settled(d));
    EXPECT_EQ(onDisk(path), QStringLiteral("after"));
    EXPECT_EQ(panels.diskChangeQuestions, 1);
}

// Another program rewrites the package in place right after the document
// read it, keeping its size, file number and modification time.
TEST_F(KeptVersionControllerTest, AChangeRightAfterTheReadIsNotTakenForTheDocumentsOwn) {
    const QString path = package(QStringLiteral("Job"), QStringLiteral("opened"));
    TextDocument::afterRead = [](const QString& package) {
        const QByteArray settings = QFile::encodeName(package + QStringLiteral("/Settings.plist"));
        struct stat before {};
        ASSERT_EQ(::stat(settings.constData(), &before), 0);
        rewriteElsewhere(package, QStringLiteral("others"));
        const struct timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, settings.constData(), times, 0), 0);
    };
    const auto reset = qScopeGuard([] { TextDocument::afterRead = nullptr; });
    TextDocument* d = openKept(path);
    ASSERT_TRUE(d);
    TextDocument::afterRead = nullptr;
    EXPECT_EQ(d->text, QStringLiteral("opened"));

    edit(d, QStringLiteral("mine"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return panels.diskChangeQuestions == 1; }, 5000));
    EXPECT_EQ(onDisk(path), QStringLiteral("others"));
    EXPECT_TRUE(controller.isAutosaveStopped(d));
}

TEST_F(KeptVersionControllerTest, ReopeningShowsTheOtherProgramsVersionAndKeepsIt) {
    const QString path = package(QStringLiteral("Job"), QStringLiteral("opened"));
    TextDocument* d = openKept(path);
    ASSERT_TRUE(d);
    rewriteElsewhere(path, QStringLiteral("other"));
    panels.diskChangeAnswer = DocumentPanels::DiskChangeAnswer::reopen;
    edit(d, QStringLiteral("mine"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return d->text == QStringLiteral("other"); }, 5000));
    ASSERT_TRUE(settled(d));
    EXPECT_EQ(onDisk(path), QStringLiteral("other"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return keptText(d) == QStringLiteral("other"); }, 5000));

    // The package as reopened is this document's again: no more questions.
    edit(d, QStringLiteral("mine"));
    ASSERT_TRUE(settled(d));
    EXPECT_EQ(onDisk(path), QStringLiteral("mine"));
    EXPECT_EQ(panels.diskChangeQuestions, 1);
}

TEST_F(KeptVersionControllerTest, WithoutAPlaceForTheKeptVersionAutosaveStops) {
    QFile blocker(folder.filePath(QStringLiteral("blocked")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    controller.setKeptVersions(
        std::make_shared<kestrom::KeptVersions>(blocker.fileName() + QStringLiteral("/kept")));
    const QString path = package(QStringLiteral("Job"), QStringLiteral("opened"));
    controller.openDocument(path, false);
    auto* d = text(controller.documents().first());
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.isAutosaveStopped(d); }, 5000));
    edit(d, QStringLiteral("mine"));
    QTest::qWait(100);
    EXPECT_EQ(onDisk(path), QStringLiteral("opened"));
    EXPECT_TRUE(d->isEdited());
}

// While no version can be kept, keeping is tried again less and less
// often, and only the change of state is logged; once there is room again
// autosave goes on by itself.
TEST_F(KeptVersionControllerTest, KeepingIsRetriedWithoutAFloodOfLinesAndAutosaveComesBack) {
    const QString blocked = folder.filePath(QStringLiteral("blocked"));
    {
        QFile blocker(blocked);
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    controller.setKeptVersions(
        std::make_shared<kestrom::KeptVersions>(blocked + QStringLiteral("/kept")));
    const QString path = package(QStringLiteral("Job"), QStringLiteral("opened"));
    ::testing::internal::CaptureStderr();
    controller.openDocument(path, false);
    auto* d = text(controller.documents().first());
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.isAutosaveStopped(d); }, 5000));
    edit(d, QStringLiteral("mine"));
    // Many times the autosave delay.
    QTest::qWait(400);
    EXPECT_TRUE(controller.isAutosaveStopped(d));
    EXPECT_EQ(onDisk(path), QStringLiteral("opened"));

    ASSERT_TRUE(QFile::remove(blocked));
    const bool resumed = QTest::qWaitFor(
        [&] { return !controller.isAutosaveStopped(d) && onDisk(path) == QStringLiteral("mine"); },
        20000);
    const QString lines = QString::fromStdString(::testing::internal::GetCapturedStderr());
    EXPECT_TRUE(resumed);
    EXPECT_EQ(lines.count(QStringLiteral("autosave is off for")), 1) << lines.toStdString();
    EXPECT_EQ(lines.count(QStringLiteral("autosave is on again for")), 1) << lines.toStdString();
}

TEST(RecentDocumentsTest, NewestFirstWithoutDuplicatesAndKeptAcrossRuns) {
    QTemporaryDir folder;
    const QString store = folder.filePath(QStringLiteral("state/recent"));
    {
        kestrom::RecentDocuments recent(store);
        for (int i = 0; i < 12; ++i) {
            recent.note(folder.filePath(QStringLiteral("d%1.lunvik").arg(i)));
        }
        recent.note(folder.filePath(QStringLiteral("d5.lunvik")));
        EXPECT_EQ(recent.paths().size(), kestrom::RecentDocuments::maximumCount);
        EXPECT_EQ(recent.paths().first(), folder.filePath(QStringLiteral("d5.lunvik")));
        EXPECT_EQ(recent.paths().count(folder.filePath(QStringLiteral("d5.lunvik"))), 1);
    }
    kestrom::RecentDocuments again(store);
    EXPECT_EQ(again.paths().size(), kestrom::RecentDocuments::maximumCount);
    EXPECT_EQ(again.paths().at(1), folder.filePath(QStringLiteral("d11.lunvik")));
    again.removeMissing();
    EXPECT_TRUE(again.paths().isEmpty());
    // The file is written behind the caller, in the order of the changes.
    again.note(folder.filePath(QStringLiteral("last.lunvik")));
    for (int i = 0; i < 5; ++i) {
        again.clear();
        again.note(folder.filePath(QStringLiteral("last.lunvik")));
    }
    again.clear();
    EXPECT_TRUE(kestrom::RecentDocuments(store).paths().isEmpty());
    again.note(folder.filePath(QStringLiteral("last.lunvik")));
    kestrom::RecentDocuments::waitForSaves();
    QFile written(store);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), folder.filePath(QStringLiteral("last.lunvik")).toUtf8());
}

TEST(RecentDocumentsTest, NamesakesShowEnoughOfTheirFolderToTellThemApart) {
    kestrom::RecentDocuments recent;
    const QString home = QDir::homePath();
    for (const QString& path :
         {home + QStringLiteral("/q/jobs/Job2.lunvik"),
          home + QStringLiteral("/p/jobs/Job2.lunvik"), QStringLiteral("/srv/b/Job1.lunvik"),
          QStringLiteral("/srv/a/Job1.lunvik"), QStringLiteral("/srv/a/Poster.lunvik")}) {
        recent.note(path);
    }
    const QString dash = QStringLiteral(" \u2014 ");
    EXPECT_EQ(
        recent.titles(),
        (QStringList{QStringLiteral("Poster"), QStringLiteral("Job1") + dash + QStringLiteral("a"),
                     QStringLiteral("Job1") + dash + QStringLiteral("b"),
                     QStringLiteral("Job2") + dash + QStringLiteral("~/p/jobs"),
                     QStringLiteral("Job2") + dash + QStringLiteral("~/q/jobs")}));

    // Once the namesake is gone, the name alone is the title again.
    for (int i = 0; i < kestrom::RecentDocuments::maximumCount - 4; ++i) {
        recent.note(QStringLiteral("/srv/d%1.lunvik").arg(i));
    }
    ASSERT_EQ(recent.paths().last(), home + QStringLiteral("/p/jobs/Job2.lunvik"));
    EXPECT_EQ(recent.titles().last(), QStringLiteral("Job2"));
}

TEST(DocumentUndoTest, UndoStepsMakeTheDocumentEditedAndUndoingThemAllMakesItClean) {
    platform::UndoManager undo;
    undo.setGroupsByEvent(false);
    Document document;
    document.setUndoManager(&undo);
    int value = 0;
    // Each change registers its inverse, so undoing registers the redo.
    std::function<void(int)> set = [&](int to) {
        const int from = value;
        undo.registerUndo([&set, from] { set(from); });
        value = to;
    };
    const auto step = [&](int to) {
        undo.beginUndoGrouping();
        set(to);
        undo.endUndoGrouping();
    };
    step(1);
    EXPECT_TRUE(document.isEdited());
    step(2);
    undo.undo();
    undo.undo();
    EXPECT_EQ(value, 0);
    EXPECT_FALSE(document.isEdited());
    undo.redo();
    EXPECT_TRUE(document.isEdited());
    document.updateChangeCount(Document::ChangeType::cleared);
    EXPECT_FALSE(document.isEdited());
    document.setUndoManager(nullptr);
}
