#include "ScriptingTestSupport.h"

#include "core/document/application/PrintJobDocument.h"
#include "core/document/package/DocumentPackage.h"
#include "core/document/package/KeptVersions.h"
#include "core/scripting/ScriptingService.h"
#include "core/window/DocumentWindow.h"
#include "model/pictures/OriginalImage.h"

#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QUrl>

namespace {

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Packages saved in place while their window is open, with the application's
// own questions on the window.
class KeptVersionWindowTest : public ScriptingTest {
protected:
    void SetUp() override {
        ScriptingTest::SetUp();
        controller()->setKeptVersions(std::make_shared<kestrom::KeptVersions>(
            m_folder.filePath(QStringLiteral("data/kept"))));
        controller()->setAutosaveDelay(50);
    }

    kestrom::DocumentController* controller() const { return m_delegate->documentController(); }

    QString savedPackage(const QString& name, int repeats) {
        const QString path = m_folder.filePath(name);
        kestrom::PrintJobDocument job;
        job.job().setOriginalImage(ambrel::OriginalImage::fromContentsOfURL(
            QUrl::fromLocalFile(QStringLiteral(LUNVIK_STENCIL_MARK))));
        job.job().setImageRepeatXCount(repeats);
        kestrom::DocumentPackage::write(job.job(), path);
        return path;
    }

    kestrom::PrintJobDocument* open(const QString& path) {
        controller()->openDocument(path, true);
        kestrom::PrintJobDocument* opened = nullptr;
        waitUntil(
            [&] {
                opened =
                    qobject_cast<kestrom::PrintJobDocument*>(controller()->documentForPath(path));
                return opened && controller()->keptVersion(opened);
            },
            10000);
        return opened;
    }

    // The question on the document's window, once it is shown.
    static QMessageBox* question(kestrom::PrintJobDocument* document, const QString& name) {
        QMessageBox* box = nullptr;
        waitUntil(
            [&] {
                auto* window = kestrom::DocumentWindow::windowFor(document);
                box = window ? window->findChild<QMessageBox*>(name) : nullptr;
                return box && box->isVisible();
            },
            10000);
        return box;
    }
    static void click(QMessageBox* box, const QString& text) {
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == text) {
                QTest::mouseClick(button, Qt::LeftButton);
                return;
            }
        }
        ADD_FAILURE() << "no button " << text.toStdString();
    }
};

} // namespace

TEST_F(KeptVersionWindowTest, RevertAfterAScriptedLoadAndAnAutosaveBringsBackTheSavedPicture) {
    const QString path = savedPackage(QStringLiteral("Job.lunvik"), 1);
    const QByteArray saved = contents(path + QStringLiteral("/ImageData"));
    kestrom::PrintJobDocument* job = open(path);
    ASSERT_TRUE(job);

    QImage other(50, 20, QImage::Format_RGB32);
    other.fill(Qt::darkGray);
    const QString otherPath = m_folder.filePath(QStringLiteral("other.png"));
    ASSERT_TRUE(other.save(otherPath));
    const QString object = m_delegate->scriptingService()->pathOf(job);
    ASSERT_TRUE(call(object, QStringLiteral("org.lunvik.Lunvik.Document.LoadImage"),
                     {QStringLiteral("{'in': <%1>}").arg(quoted(otherPath))})
                    .succeeded());
    // Saved in place: the package holds the new picture.
    ASSERT_TRUE(waitUntil(
        [&] {
            return !job->isEdited() &&
                   contents(path + QStringLiteral("/ImageData")) == contents(otherPath);
        },
        10000));

    controller()->setCurrentDocument(job);
    m_delegate->revertDocumentToSaved();
    QMessageBox* box = question(job, QStringLiteral("RevertQuestion"));
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->text().contains(QStringLiteral("version saved on")))
        << box->text().toStdString();
    EXPECT_TRUE(
        box->informativeText().contains(QStringLiteral("saved in the document automatically")));
    click(box, QStringLiteral("Revert"));

    ASSERT_TRUE(waitUntil(
        [&] {
            return job->job().originalImage() && job->job().originalImage()->data() == saved &&
                   contents(path + QStringLiteral("/ImageData")) == saved &&
                   !controller()->isBusy(job);
        },
        10000));
    EXPECT_FALSE(job->isEdited());
}

TEST_F(KeptVersionWindowTest, APackageChangedByAnotherProgramIsOnlyReplacedAfterTheQuestion) {
    const QString path = savedPackage(QStringLiteral("Job.lunvik"), 1);
    const QString theirs = savedPackage(QStringLiteral("Theirs.lunvik"), 3);
    kestrom::PrintJobDocument* job = open(path);
    ASSERT_TRUE(job);

    QProcess other;
    other.start(QStringLiteral("cp"), {theirs + QStringLiteral("/Settings.plist"),
                                       path + QStringLiteral("/Settings.plist")});
    ASSERT_TRUE(other.waitForFinished());
    const QByteArray written = contents(path + QStringLiteral("/Settings.plist"));

    job->job().setImageRepeatXCount(2);
    QMessageBox* box = question(job, QStringLiteral("ChangedOnDiskQuestion"));
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->text().contains(QStringLiteral("was changed by another program")));
    EXPECT_TRUE(controller()->isAutosaveStopped(job));
    QTest::qWait(200);
    EXPECT_EQ(contents(path + QStringLiteral("/Settings.plist")), written);

    click(box, QStringLiteral("Reopen"));
    ASSERT_TRUE(waitUntil([&] { return job->job().imageRepeatXCount() == 3; }, 10000));
    EXPECT_FALSE(job->isEdited());
    EXPECT_FALSE(controller()->isAutosaveStopped(job));
    EXPECT_EQ(contents(path + QStringLiteral("/Settings.plist")), written);

    // Keeping this version writes it over the other program's.
    other.start(QStringLiteral("cp"), {savedPackage(QStringLiteral("Third.lunvik"), 5) +
                                           QStringLiteral("/Settings.plist"),
                                       path + QStringLiteral("/Settings.plist")});
    ASSERT_TRUE(other.waitForFinished());
    job->job().setImageRepeatXCount(4);
    box = question(job, QStringLiteral("ChangedOnDiskQuestion"));
    ASSERT_TRUE(box);
    click(box, QStringLiteral("Keep This Version"));
    ASSERT_TRUE(waitUntil([&] { return !job->isEdited() && !controller()->isBusy(job); }, 10000));
    kestrom::PrintJobDocument reread;
    kestrom::DocumentPackage::read(reread.job(), path);
    EXPECT_EQ(reread.job().imageRepeatXCount(), 4);
}

TEST_F(KeptVersionWindowTest, WhileNoVersionCanBeKeptTheWindowSaysChangesAreNotSavedAutomatically) {
    const QString path = savedPackage(QStringLiteral("Job.lunvik"), 1);
    // A file stands where the kept versions' folder would be made.
    const QString blocker = m_folder.filePath(QStringLiteral("blocker"));
    {
        QFile file(blocker);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    controller()->setKeptVersions(
        std::make_shared<kestrom::KeptVersions>(blocker + QStringLiteral("/kept")));
    controller()->openDocument(path, true);
    kestrom::PrintJobDocument* job = nullptr;
    kestrom::DocumentWindow* window = nullptr;
    const auto title = [&] { return window ? window->windowTitle() : QString(); };
    ASSERT_TRUE(waitUntil(
        [&] {
            job = qobject_cast<kestrom::PrintJobDocument*>(controller()->documentForPath(path));
            window = job ? kestrom::DocumentWindow::windowFor(job) : nullptr;
            return title().contains(QStringLiteral("Not Saved Automatically"));
        },
        10000))
        << title().toStdString();
    EXPECT_TRUE(title().startsWith(QStringLiteral("Job"))) << title().toStdString();

    const QByteArray settings = contents(path + QStringLiteral("/Settings.plist"));
    job->job().setImageRepeatXCount(2);
    QTest::qWait(300);
    EXPECT_TRUE(job->isEdited());
    EXPECT_EQ(contents(path + QStringLiteral("/Settings.plist")), settings);
    EXPECT_TRUE(title().contains(QStringLiteral("Not Saved Automatically")));

    // Room for the version again: the next change is saved and the window
    // says nothing more.
    ASSERT_TRUE(QFile::remove(blocker));
    job->job().setImageRepeatXCount(3);
    ASSERT_TRUE(waitUntil(
        [&] {
            return !job->isEdited() && !controller()->isBusy(job) &&
                   controller()->keptVersion(job) &&
                   !title().contains(QStringLiteral("Not Saved Automatically"));
        },
        10000))
        << title().toStdString();
    kestrom::PrintJobDocument reread;
    kestrom::DocumentPackage::read(reread.job(), path);
    EXPECT_EQ(reread.job().imageRepeatXCount(), 3);
    // The kept version is the package as it was opened.
    kestrom::PrintJobDocument kept;
    kestrom::DocumentPackage::read(kept.job(), controller()->keptVersion(job)->packagePath());
    EXPECT_EQ(kept.job().imageRepeatXCount(), 1);
}
