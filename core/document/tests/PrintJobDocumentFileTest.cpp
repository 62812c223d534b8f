#include "core/document/tests/DocumentTestSupport.h"

#include "core/document/application/DocumentController.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/document/package/DocumentPackage.h"
#include "core/document/package/DocumentSettings.h"
#include "core/document/package/DocumentWorkQueue.h"
#include "platform/ApplicationInfo.h"
#include "platform/Bundle.h"
#include "platform/Error.h"
#include "platform/PropertyList.h"
#include "platform/UndoManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace documenttest;
using kestrom::Document;
using kestrom::DocumentController;
using kestrom::DocumentPackage;
using kestrom::DocumentPanels;
using kestrom::PrintDocument;
using kestrom::PrintJobDocument;

namespace {

class Panels : public DocumentPanels {
public:
    void chooseDocumentsToOpen(std::function<void(const QStringList&)>) override {}
    void chooseSaveLocation(Document&, std::function<void(std::optional<QString>)>) override {}
    void confirmRevert(Document&, const RevertQuestion&,
                       std::function<void(bool)> answer) override {
        answer(true);
    }
    void askAboutChangeOnDisk(Document&, std::function<void(DiskChangeAnswer)>) override {
        ++diskChangeQuestions;
    }
    void askToSaveBeforeClosing(Document&, std::function<void(CloseAnswer)> answer) override {
        answer(closeAnswer);
    }
    void presentError(Document*, const platform::Error& error) override {
        errors << error.localizedDescription();
    }
    CloseAnswer closeAnswer = CloseAnswer::save;
    QStringList errors;
    int diskChangeQuestions = 0;
};

// Real packages read and written by the controller, the picture work on the
// document workers and the results back on the main thread.
class PrintJobDocumentFileTest : public DocumentTest {
protected:
    void SetUp() override {
        DocumentTest::SetUp();
        controller = std::make_unique<DocumentController>(
            [] { return std::make_unique<PrintJobDocument>(); });
        controller->setPanels(&panels);
        controller->setWindowMaker([this](Document& d) { shown << d.displayName(); });
    }

    QString path(const QString& name) const { return m_folder.filePath(name); }

    // A package of a Birch job with a picture and three copies along x.
    QString savedJob(const QString& name = QStringLiteral("Job.lunvik")) {
        PrintDocument job;
        job.setDeviceDescriptor(model(birchName));
        job.setOriginalImage(picture(40, 30));
        job.setImageRepeatXCount(3);
        DocumentPackage::write(job, path(name));
        return path(name);
    }

    static bool waitUntil(const std::function<bool()>& condition) {
        return QTest::qWaitFor(condition, 10000);
    }

    static PrintJobDocument* job(Document* d) { return qobject_cast<PrintJobDocument*>(d); }

    Panels panels;
    std::unique_ptr<DocumentController> controller;
    QStringList shown;
};

} // namespace

TEST_F(PrintJobDocumentFileTest,
       OpeningAPackageReadsItInTheBackgroundAndClosesTheUntouchedDocument) {
    Document* untitled = controller->openUntitledDocument(true);
    Document* opened = nullptr;
    controller->openDocument(savedJob(), true, [&](Document* d, bool, auto) { opened = d; });
    // Nothing changes before the package has been read.
    EXPECT_EQ(controller->documents(), QList<Document*>{untitled});
    EXPECT_EQ(controller->openingCount(), 1);

    ASSERT_TRUE(waitUntil([&] { return opened != nullptr; }));
    ASSERT_EQ(controller->documents(), QList<Document*>{opened});
    EXPECT_EQ(opened->displayName(), QStringLiteral("Job"));
    EXPECT_EQ(shown, (QStringList{QStringLiteral("Untitled"), QStringLiteral("Job")}));
    const PrintDocument& read = job(opened)->job();
    EXPECT_EQ(read.deviceDescriptor()->modelName(), birchName);
    ASSERT_TRUE(read.originalImage());
    EXPECT_EQ(read.imageRepeatXCount(), 3);
    // Reading is neither a change nor a step to undo.
    EXPECT_FALSE(opened->isEdited());
    EXPECT_FALSE(opened->undoManager()->canUndo());
    EXPECT_EQ(read.fileURL(), QUrl::fromLocalFile(path(QStringLiteral("Job.lunvik"))));
}

TEST_F(PrintJobDocumentFileTest, TheUntitledDocumentStaysWhenItIsChangedOrTheOpenFails) {
    Document* untitled = controller->openUntitledDocument(false);
    std::shared_ptr<const platform::Error> failure;
    bool failed = false;
    QDir().mkpath(path(QStringLiteral("Empty.lunvik")));
    controller->openDocument(path(QStringLiteral("Empty.lunvik")), false,
                             [&](Document* d, bool, auto error) {
                                 EXPECT_EQ(d, nullptr);
                                 failure = error;
                                 failed = true;
                             });
    ASSERT_TRUE(waitUntil([&] { return failed; }));
    EXPECT_TRUE(failure);
    EXPECT_EQ(panels.errors.size(), 1);
    EXPECT_EQ(controller->documents(), QList<Document*>{untitled});
    EXPECT_EQ(controller->openingCount(), 0);

    // Changed while the package was read: it stays too.
    Document* opened = nullptr;
    controller->openDocument(savedJob(), false, [&](Document* d, bool, auto) { opened = d; });
    untitled->updateChangeCount(Document::ChangeType::done);
    ASSERT_TRUE(waitUntil([&] { return opened != nullptr; }));
    EXPECT_EQ(controller->documents(), (QList<Document*>{untitled, opened}));
}

TEST_F(PrintJobDocumentFileTest, OpeningThePackageTwiceWhileItIsReadGivesOneDocument) {
    const QString package = savedJob();
    QList<bool> alreadyOpen;
    QList<Document*> documents;
    for (int i = 0; i < 2; ++i) {
        controller->openDocument(package, false, [&](Document* d, bool open, auto) {
            documents << d;
            alreadyOpen << open;
        });
    }
    ASSERT_TRUE(waitUntil([&] { return documents.size() == 2; }));
    EXPECT_EQ(documents.first(), documents.last());
    EXPECT_EQ(alreadyOpen, (QList<bool>{false, true}));
    EXPECT_EQ(controller->documents().size(), 1);
}

TEST_F(PrintJobDocumentFileTest, ASaveWritesTheStateOfItsStartAndLaterChangesStayEdited) {
    auto* d = job(controller->openUntitledDocument(false));
    d->undoManager()->setGroupsByEvent(false);
    d->job().setOriginalImage(picture(40, 30));
    d->job().setImageRepeatXCount(2);
    ASSERT_TRUE(d->isEdited());

    std::optional<bool> saved;
    bool editedAfterFirst = false;
    controller->saveDocumentTo(d, path(QStringLiteral("Saved")), [&](bool s) {
        saved = s;
        editedAfterFirst = d->isEdited();
    });
    EXPECT_TRUE(controller->isBusy(d));
    // A change while the package is written, and a second save behind it.
    d->job().setImageRepeatXCount(4);
    std::optional<bool> savedAgain;
    controller->saveDocumentTo(d, path(QStringLiteral("Saved")), [&](bool s) {
        // The first is done before the second starts.
        EXPECT_TRUE(saved.has_value());
        savedAgain = s;
    });
    ASSERT_TRUE(waitUntil([&] { return saved.has_value(); }));
    EXPECT_TRUE(*saved);
    EXPECT_TRUE(editedAfterFirst);
    EXPECT_EQ(d->filePath(), path(QStringLiteral("Saved.lunvik")));
    EXPECT_EQ(d->job().fileURL(), QUrl::fromLocalFile(*d->filePath()));

    ASSERT_TRUE(waitUntil([&] { return savedAgain.has_value(); }));
    EXPECT_FALSE(d->isEdited());
    EXPECT_FALSE(controller->isBusy(d));
    PrintDocument reread;
    DocumentPackage::read(reread, path(QStringLiteral("Saved.lunvik")));
    EXPECT_EQ(reread.imageRepeatXCount(), 4);
    ASSERT_TRUE(reread.originalImage());

    // Undoing to the saved state and changing something else is an edit.
    d->undoManager()->undo();
    EXPECT_TRUE(d->isEdited());
    d->job().setImageRepeatXCount(5);
    EXPECT_TRUE(d->isEdited());
}

TEST_F(PrintJobDocumentFileTest, AFailedSaveKeepsTheDocumentEditedWhereItWas) {
    Document* opened = nullptr;
    const QString package = savedJob();
    controller->openDocument(package, false, [&](Document* d, bool, auto) { opened = d; });
    ASSERT_TRUE(waitUntil([&] { return opened != nullptr; }));
    job(opened)->undoManager()->setGroupsByEvent(false);
    job(opened)->job().setImageRepeatXCount(7);

    QFile blocker(path(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    std::optional<bool> saved;
    controller->saveDocumentTo(opened, blocker.fileName() + QStringLiteral("/Moved"),
                               [&](bool s) { saved = s; });
    ASSERT_TRUE(waitUntil([&] { return saved.has_value(); }));
    EXPECT_FALSE(*saved);
    EXPECT_TRUE(opened->isEdited());
    EXPECT_EQ(opened->filePath(), package);
    EXPECT_EQ(panels.errors.size(), 1);
    PrintDocument reread;
    DocumentPackage::read(reread, package);
    EXPECT_EQ(reread.imageRepeatXCount(), 3);
}

TEST_F(PrintJobDocumentFileTest, RevertReadsThePackageAgainAndDropsTheUndoSteps) {
    Document* opened = nullptr;
    controller->openDocument(savedJob(), false, [&](Document* d, bool, auto) { opened = d; });
    ASSERT_TRUE(waitUntil([&] { return opened != nullptr; }));
    auto* d = job(opened);
    d->undoManager()->setGroupsByEvent(false);
    d->job().setImageRepeatXCount(9);
    d->job().setOriginalImage(nullptr);
    controller->revertDocumentToSaved(d);
    ASSERT_TRUE(waitUntil([&] { return !controller->isBusy(d); }));
    EXPECT_EQ(d->job().imageRepeatXCount(), 3);
    EXPECT_TRUE(d->job().originalImage());
    EXPECT_FALSE(d->isEdited());
    EXPECT_FALSE(d->undoManager()->canUndo());
}

// A picture at its actual size, longer than the fields let a side be, comes
// back at that size when the document is reverted.
TEST_F(PrintJobDocumentFileTest, RevertBringsBackAPictureAtItsActualSize) {
    PrintDocument wide;
    wide.setDeviceDescriptor(model(birchName));
    wide.setOriginalImage(picture(12000, 30));
    wide.setImageSize_px({12000, 30});
    ASSERT_GT(wide.imageSizeForDisplay_mm().width, 1000.0);
    DocumentPackage::write(wide, path(QStringLiteral("Wide.lunvik")));
    Document* opened = nullptr;
    controller->openDocument(path(QStringLiteral("Wide.lunvik")), false,
                             [&](Document* d, bool, auto) { opened = d; });
    ASSERT_TRUE(waitUntil([&] { return opened != nullptr; }));
    auto* d = job(opened);
    EXPECT_EQ(d->job().imageSize_px(), (ambrel::Size_px{12000, 30}));
    d->job().setImageSize_px({600, 2});
    controller->revertDocumentToSaved(d);
    ASSERT_TRUE(waitUntil([&] { return !controller->isBusy(d); }));
    EXPECT_TRUE(panels.errors.isEmpty()) << panels.errors.join(u' ').toStdString();
    EXPECT_EQ(d->job().imageSize_px(), (ambrel::Size_px{12000, 30}));
}

TEST_F(PrintJobDocumentFileTest, ClosingWithSaveClosesOnceThePackageIsWritten) {
    Document* opened = nullptr;
    const QString package = savedJob();
    controller->openDocument(package, false, [&](Document* d, bool, auto) { opened = d; });
    ASSERT_TRUE(waitUntil([&] { return opened != nullptr; }));
    job(opened)->undoManager()->setGroupsByEvent(false);
    job(opened)->job().setImageRepeatXCount(6);
    std::optional<bool> closed;
    controller->closeDocument(opened, [&](bool c) { closed = c; });
    EXPECT_EQ(controller->documents().size(), 1);
    ASSERT_TRUE(waitUntil([&] { return closed.has_value(); }));
    EXPECT_TRUE(*closed);
    EXPECT_TRUE(controller->documents().isEmpty());
    PrintDocument reread;
    DocumentPackage::read(reread, package);
    EXPECT_EQ(reread.imageRepeatXCount(), 6);
}

TEST_F(PrintJobDocumentFileTest, ResultsForAClosedDocumentOrAGoneControllerAreDropped) {
    // A document closed while it is saved.
    auto* d = job(controller->openUntitledDocument(false));
    d->job().setOriginalImage(picture(400, 300));
    bool called = false;
    controller->saveDocumentTo(d, path(QStringLiteral("Closed")), [&](bool) { called = true; });
    controller->removeDocument(d);
    // A controller gone while a package is read.
    controller->openDocument(savedJob(), true, [&](Document*, bool, auto) { called = true; });
    controller.reset();
    kestrom::DocumentWorkQueue::waitForDone();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
    // What was being written still became a whole package.
    PrintDocument reread;
    DocumentPackage::read(reread, path(QStringLiteral("Closed.lunvik")));
    EXPECT_TRUE(reread.originalImage());
}

TEST_F(PrintJobDocumentFileTest, CommandLinePackagesOpenAndAnUntitledDocumentOnlyWhenNoneDoes) {
    controller->openDocumentsFromArguments({savedJob(), path(QStringLiteral("Missing.lunvik"))});
    ASSERT_TRUE(waitUntil([&] { return controller->openingCount() == 0; }));
    QCoreApplication::processEvents();
    ASSERT_EQ(controller->documents().size(), 1);
    EXPECT_EQ(controller->documents().first()->displayName(), QStringLiteral("Job"));

    DocumentController other{[] { return std::make_unique<PrintJobDocument>(); }};
    other.setPanels(&panels);
    QDir().mkpath(path(QStringLiteral("Damaged.lunvik")));
    other.openDocumentsFromArguments({path(QStringLiteral("Damaged.lunvik"))});
    EXPECT_TRUE(other.documents().isEmpty());
    ASSERT_TRUE(waitUntil([&] { return !other.documents().isEmpty(); }));
    EXPECT_FALSE(other.documents().first()->filePath());
}

namespace {

// What a refused revert must leave as it was.
struct DocumentState {
    QVariantMap settings;
    ambrel::OriginalImage::Pointer picture;
    bool edited = false;
    qint64 undoChanges = 0;
    qint64 undoState = 0;
    QString undoName;

    static DocumentState of(PrintJobDocument& d) {
        return {kestrom::DocumentSettings::dictionaryForSave(d.job()),
                d.job().originalImage(),
                d.isEdited(),
                d.undoManager()->changeCount(),
                d.undoManager()->stateIdentifier(),
                d.undoManager()->undoActionName()};
    }
    bool operator==(const DocumentState&) const = default;
};

void rewriteSettings(const QString& package, const std::function<void(QVariantMap&)>& change) {
    const QString file = package + QStringLiteral("/Settings.plist");
    QVariantMap settings = platform::PropertyList::readFile(file).toMap();
    change(settings);
    platform::PropertyList::writeFile(file, settings);
}

void writeMember(const QString& package, const QString& name, const QByteArray& data) {
    QFile file(package + u'/' + name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data);
}

} // namespace

TEST_F(PrintJobDocumentFileTest, ARefusedRevertLeavesTheDocumentItsEditsAndItsUndoStepsAsTheyWere) {
    // An application that knows its version, so that a newer one's package
    // is refused.
    platform::Bundle::setMainBundleName(QStringLiteral("DocumentTestApplication"));
    ASSERT_EQ(platform::ApplicationInfo::shortVersion(), QStringLiteral("1.4"));
    using Damage = std::function<void(const QString& package)>;
    const QList<std::pair<const char*, Damage>> refusals{
        {"newer application",
         [](const QString& p) {
             rewriteSettings(p, [](QVariantMap& s) {
                 s.insert(QStringLiteral("minimumApplicationVersion"), QStringLiteral("1.10"));
             });
         }},
        {"unknown model",
         [](const QString& p) {
             rewriteSettings(p, [](QVariantMap& s) {
                 s.insert(QStringLiteral("modelName"), QStringLiteral("Nowhere"));
             });
         }},
        {"no model",
         [](const QString& p) {
             rewriteSettings(p, [](QVariantMap& s) { s.remove(QStringLiteral("modelName")); });
         }},
        {"no anchor",
         [](const QString& p) {
             rewriteSettings(p,
                             [](QVariantMap& s) { s.remove(QStringLiteral("imageOffsetBase")); });
         }},
        {"anchor that is no code",
         [](const QString& p) {
             rewriteSettings(
                 p, [](QVariantMap& s) { s.insert(QStringLiteral("imageOffsetBase"), qint64(5)); });
         }},
        {"oversized picture",
         [](const QString& p) {
             QFile::resize(p + QStringLiteral("/ImageData"), (qint64(1) << 30) + 1);
         }},
        {"settings that are no dictionary",
         [](const QString& p) {
             platform::PropertyList::writeFile(p + QStringLiteral("/Settings.plist"),
                                               QVariantList{1, 2});
         }},
        {"unreadable settings",
         [](const QString& p) {
             writeMember(p, QStringLiteral("Settings.plist"), QByteArray(300, '\xee'));
         }},
        {"settings gone",
         [](const QString& p) { QFile::remove(p + QStringLiteral("/Settings.plist")); }},
        {"oversized settings",
         [](const QString& p) {
             QFile::resize(p + QStringLiteral("/Settings.plist"), qint64(64) << 20);
         }},
        {"settings that are a link",
         [](const QString& p) {
             const QString settings = p + QStringLiteral("/Settings.plist");
             QFile::rename(settings, p + QStringLiteral(".plist"));
             QFile::link(p + QStringLiteral(".plist"), settings);
         }},
    };
    int n = 0;
    for (const auto& [name, damage] : refusals) {
        SCOPED_TRACE(name);
        const QString package = savedJob(QStringLiteral("Job%1.lunvik").arg(++n));
        Document* opened = nullptr;
        controller->openDocument(package, false, [&](Document* d, bool, auto) { opened = d; });
        ASSERT_TRUE(waitUntil([&] { return opened != nullptr; }));
        auto* d = job(opened);
        d->undoManager()->setGroupsByEvent(false);
        // Edits of the model's choices, the placement and the picture.
        d->job().setDeviceDescriptor(model(alderName));
        d->job().setImageRepeatXCount(9);
        d->job().setImageOffset_mm({4, 5});
        d->job().setOriginalImage(picture(8, 8));
        const DocumentState before = DocumentState::of(*d);
        ASSERT_TRUE(before.edited);

        damage(package);
        panels.errors.clear();
        controller->revertDocumentToSaved(d);
        ASSERT_TRUE(waitUntil([&] { return !controller->isBusy(d); }));
        EXPECT_EQ(panels.errors.size(), 1);
        EXPECT_TRUE(DocumentState::of(*d) == before);
        EXPECT_EQ(d->job().deviceDescriptor(), model(alderName));
        EXPECT_EQ(d->job().imageRepeatXCount(), 9);

        // The steps still lead back to what was opened.
        while (d->undoManager()->canUndo()) {
            d->undoManager()->undo();
        }
        EXPECT_EQ(d->job().deviceDescriptor(), model(birchName));
        EXPECT_EQ(d->job().imageRepeatXCount(), 3);
        EXPECT_FALSE(d->isEdited());
        controller->removeDocument(d);
    }
}

// Reverted to a package whose picture does not open, the document takes
// the package's settings without a picture, drops its undo steps and is
// told why, once; the damaged picture's bytes stay for its own saves.
TEST_F(PrintJobDocumentFileTest,
       ARevertToAPackageWhosePictureDoesNotOpenTakesItsSettingsAndSaysSo) {
    const QList<std::pair<const char*, std::function<void(const QString&)>>> damages{
        {"damaged picture",
         [](const QString& p) {
             writeMember(p, QStringLiteral("ImageData"), "\x89PNG\r\n\x1a\n");
         }},
        {"missing picture",
         [](const QString& p) { QFile::remove(p + QStringLiteral("/ImageData")); }},
    };
    int n = 0;
    for (const auto& [name, damage] : damages) {
        SCOPED_TRACE(name);
        const QString package = savedJob(QStringLiteral("Job%1.lunvik").arg(++n));
        Document* opened = nullptr;
        controller->openDocument(package, false, [&](Document* d, bool, auto) { opened = d; });
        ASSERT_TRUE(waitUntil([&] { return opened != nullptr; }));
        auto* d = job(opened);
        d->undoManager()->setGroupsByEvent(false);
        d->job().setImageRepeatXCount(9);
        damage(package);
        panels.errors.clear();
        controller->revertDocumentToSaved(d);
        ASSERT_TRUE(waitUntil([&] { return !controller->isBusy(d); }));
        EXPECT_EQ(panels.errors,
                  QStringList{QStringLiteral("The picture of the document “%1” could not be read.")
                                  .arg(QFileInfo(package).fileName())});
        EXPECT_EQ(d->job().imageRepeatXCount(), 3);
        EXPECT_FALSE(d->job().originalImage());
        EXPECT_FALSE(d->isEdited());
        EXPECT_FALSE(d->undoManager()->canUndo());
        EXPECT_EQ(bool(d->unreadPicture()), QByteArray(name) == "damaged picture");
        EXPECT_FALSE(d->takeReadNotice());
        controller->removeDocument(d);
    }
}

// Another program writes other settings into the package in place, of the
// same size, and sets the time back: nothing but the contents tell.
TEST_F(PrintJobDocumentFileTest, AChangeThatKeepsSizeFileNumberAndTimeIsNeverWrittenOver) {
    const QString package = savedJob();
    // The same settings with four copies instead of three.
    const QString theirs = path(QStringLiteral("theirs.plist"));
    QVariantMap changed =
        platform::PropertyList::readFile(package + QStringLiteral("/Settings.plist")).toMap();
    changed.insert(QStringLiteral("imageRepeatXCount"), 4);
    platform::PropertyList::writeFile(theirs, changed);
    controller->setAutosaveDelay(10);
    Document* opened = nullptr;
    controller->openDocument(package, false, [&](Document* d, bool, auto) { opened = d; });
    ASSERT_TRUE(waitUntil([&] { return opened && !controller->isBusy(opened); }));

    const QString settings = package + QStringLiteral("/Settings.plist");
    QFile source(theirs);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray bytes = source.readAll();
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(settings).constData(), &before), 0);
    ASSERT_EQ(qint64(before.st_size), bytes.size()) << "the settings differ in size";
    const auto metadata = kestrom::PackageFingerprint::of(
        package, kestrom::PackageFingerprint::Contents::metadataOnly);
    const int fd = ::open(QFile::encodeName(settings).constData(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, bytes.constData(), size_t(bytes.size()), 0), bytes.size());
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::futimens(fd, times), 0);
    ::close(fd);
    ASSERT_TRUE(kestrom::PackageFingerprint::of(
                    package, kestrom::PackageFingerprint::Contents::metadataOnly) == metadata);

    job(opened)->undoManager()->setGroupsByEvent(false);
    job(opened)->job().setImageRepeatXCount(7);
    ASSERT_TRUE(waitUntil([&] { return panels.diskChangeQuestions == 1; }));
    EXPECT_TRUE(controller->isAutosaveStopped(opened));
    EXPECT_TRUE(opened->isEdited());
    // An explicit save waits for the answer too.
    bool saved = true;
    controller->saveDocumentTo(opened, package, [&](bool s) { saved = s; });
    ASSERT_TRUE(waitUntil([&] { return !controller->isBusy(opened); }));
    EXPECT_FALSE(saved);
    PrintDocument reread;
    DocumentPackage::read(reread, package);
    EXPECT_EQ(reread.imageRepeatXCount(), 4);
    EXPECT_TRUE(panels.errors.isEmpty()) << panels.errors.join(u'\n').toStdString();
}
