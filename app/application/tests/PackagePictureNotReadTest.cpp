#include "ScriptingTestSupport.h"

#include "core/document/application/PrintJobDocument.h"
#include "core/document/package/DocumentPackage.h"
#include "core/document/package/KeptVersions.h"
#include "core/scripting/ScriptingService.h"
#include "core/window/DocumentWindow.h"
#include "model/pictures/OriginalImage.h"
#include "platform/PropertyList.h"

#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QTest>
#include <QUrl>

namespace {

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Real packages whose picture does not open, opened as the window opens
// them, saving themselves in place a moment after each change.
class PackagePictureNotReadTest : public ScriptingTest {
protected:
    void SetUp() override {
        ScriptingTest::SetUp();
        controller()->setKeptVersions(std::make_shared<kestrom::KeptVersions>(
            m_folder.filePath(QStringLiteral("data/kept"))));
        controller()->setAutosaveDelay(50);
        package = m_folder.filePath(QStringLiteral("Job.lunvik"));
        kestrom::PrintJobDocument job;
        job.job().setOriginalImage(ambrel::OriginalImage::fromContentsOfURL(
            QUrl::fromLocalFile(QStringLiteral(LUNVIK_STENCIL_MARK))));
        job.job().setImageRepeatXCount(2);
        kestrom::DocumentPackage::write(job.job(), package);
        thumbnail = contents(package + QStringLiteral("/QuickLook/Thumbnail.jpg"));
        ASSERT_FALSE(thumbnail.isEmpty());
    }

    kestrom::DocumentController* controller() const { return m_delegate->documentController(); }

    void writePicture(const QByteArray& data) const {
        QFile file(package + QStringLiteral("/ImageData"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(data);
    }

    kestrom::PrintJobDocument* open() const {
        controller()->openDocument(package, true);
        kestrom::PrintJobDocument* opened = nullptr;
        waitUntil(
            [&] {
                opened = qobject_cast<kestrom::PrintJobDocument*>(
                    controller()->documentForPath(package));
                return opened && controller()->keptVersion(opened);
            },
            10000);
        return opened;
    }

    // The alert on the document's window, read and closed.
    static std::pair<QString, QString> alertOn(kestrom::PrintJobDocument* document) {
        QMessageBox* box = nullptr;
        waitUntil(
            [&] {
                auto* window = kestrom::DocumentWindow::windowFor(document);
                box = window ? window->findChild<QMessageBox*>(QStringLiteral("ErrorSheet"))
                             : nullptr;
                return box && box->isVisible();
            },
            10000);
        if (!box) {
            return {};
        }
        std::pair<QString, QString> texts{box->text(), box->informativeText()};
        box->done(QMessageBox::Ok);
        return texts;
    }

    qint64 savedRepeats() const {
        return platform::PropertyList::readFile(package + QStringLiteral("/Settings.plist"))
            .toMap()
            .value(QStringLiteral("imageRepeatXCount"))
            .toLongLong();
    }

    // A change made as the window makes it, and the save in place after it.
    bool changeAndWaitForTheSave(kestrom::PrintJobDocument* job, qint64 repeats) const {
        job->job().setImageRepeatXCount(repeats);
        return waitUntil([&] { return !job->isEdited() && savedRepeats() == repeats; }, 10000);
    }

    QString package;
    QByteArray thumbnail;
};

} // namespace

// A package whose picture is damaged opens with its settings and without the
// picture, and its window says so. Its saves in place keep the damaged bytes
// and the thumbnail as they were; another picture chosen takes their place
// (and gives it back when undone); the user's own save writes the document
// as it is, without a picture, and later saves do not bring it back.
TEST_F(PackagePictureNotReadTest, ADamagedPictureIsKeptUntilTheUserSavesOrChoosesAnother) {
    const QByteArray damaged("\x89PNG\r\n\x1a\n cut short");
    writePicture(damaged);
    kestrom::PrintJobDocument* job = open();
    ASSERT_TRUE(job);
    const auto [message, detail] = alertOn(job);
    EXPECT_EQ(message,
              QStringLiteral("The picture of the document “Job.lunvik” could not be read."));
    EXPECT_TRUE(detail.contains(QStringLiteral("damaged"))) << detail.toStdString();
    EXPECT_TRUE(detail.contains(QStringLiteral("until you save"))) << detail.toStdString();
    EXPECT_FALSE(job->job().originalImage());
    EXPECT_EQ(job->job().imageRepeatXCount(), 2);
    EXPECT_FALSE(job->isEdited());

    ASSERT_TRUE(changeAndWaitForTheSave(job, 3));
    EXPECT_EQ(contents(package + QStringLiteral("/ImageData")), damaged);
    EXPECT_EQ(contents(package + QStringLiteral("/QuickLook/Thumbnail.jpg")), thumbnail);

    QImage other(50, 20, QImage::Format_RGB32);
    other.fill(Qt::darkGray);
    const QString otherPath = m_folder.filePath(QStringLiteral("other.png"));
    ASSERT_TRUE(other.save(otherPath));
    const QString object = m_delegate->scriptingService()->pathOf(job);
    ASSERT_TRUE(call(object, QStringLiteral("org.lunvik.Lunvik.Document.LoadImage"),
                     {QStringLiteral("{'in': <%1>}").arg(quoted(otherPath))})
                    .succeeded());
    ASSERT_TRUE(waitUntil(
        [&] {
            return !job->isEdited() &&
                   contents(package + QStringLiteral("/ImageData")) == contents(otherPath);
        },
        10000));
    controller()->setCurrentDocument(job);
    m_delegate->undo();
    ASSERT_TRUE(waitUntil(
        [&] {
            return !job->isEdited() && contents(package + QStringLiteral("/ImageData")) == damaged;
        },
        10000));
    EXPECT_FALSE(job->job().originalImage());

    controller()->setCurrentDocument(job);
    m_delegate->saveDocument();
    ASSERT_TRUE(
        waitUntil([&] { return !QFile::exists(package + QStringLiteral("/ImageData")); }, 10000));
    EXPECT_FALSE(QFile::exists(package + QStringLiteral("/QuickLook")));
    ASSERT_TRUE(changeAndWaitForTheSave(job, 4));
    EXPECT_FALSE(QFile::exists(package + QStringLiteral("/ImageData")));
    EXPECT_FALSE(job->unreadPicture());
}

// A package that lost its picture opens with its settings and says so; its
// settings can be changed and saved as usual.
TEST_F(PackagePictureNotReadTest, AMissingPictureOpensTheSettingsAndSaysSo) {
    ASSERT_TRUE(QFile::remove(package + QStringLiteral("/ImageData")));
    kestrom::PrintJobDocument* job = open();
    ASSERT_TRUE(job);
    const auto [message, detail] = alertOn(job);
    EXPECT_EQ(message,
              QStringLiteral("The picture of the document “Job.lunvik” could not be read."));
    EXPECT_EQ(detail,
              QStringLiteral("The document no longer holds its picture; it opened without one."));
    EXPECT_FALSE(job->job().originalImage());
    EXPECT_EQ(job->job().imageRepeatXCount(), 2);
    ASSERT_TRUE(changeAndWaitForTheSave(job, 6));
    EXPECT_FALSE(QFile::exists(package + QStringLiteral("/ImageData")));
}
