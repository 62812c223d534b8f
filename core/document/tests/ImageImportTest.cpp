#include "core/document/tests/DocumentTestSupport.h"
#include "core/document/tests/WindowPresenterStub.h"

#include "core/document/application/ImageImport.h"
#include "core/document/package/DocumentWorkQueue.h"
#include "model/pictures/FullDecode.h"
#include "model/pictures/OriginalImageError.h"
#include "platform/MainThread.h"
#include "platform/tests/support/TestPictures.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QScopeGuard>

#include <algorithm>
#include <condition_variable>
#include <mutex>

using namespace ambrel;
using namespace documenttest;
using kestrom::ImageImport;
using kestrom::PrintDocument;
using kestrom::UndoActionName;

namespace {

using Name = UndoActionName;

class ImportTest : public DocumentTest {
protected:
    void SetUp() override {
        DocumentTest::SetUp();
        ASSERT_TRUE(m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        m_documentOwner = std::make_unique<PrintDocument>();
        m_importOwner = std::make_unique<ImageImport>(*m_documentOwner, m_window);
        document().setDeviceDescriptor(model(alderName));
        endEvent();
        document().undoManager()->removeAllActions();
    }

    // Lets the background work finish and its results reach the document.
    void settle() {
        kestrom::DocumentWorkQueue::waitForDone();
        platform::MainThread::drain();
        endEvent();
    }

    QString file(const QString& name, const QByteArray& data) {
        const QString path = m_folder.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
        return path;
    }

    static std::unique_ptr<QMimeData> dropOf(const QString& path) {
        auto data = std::make_unique<QMimeData>();
        data->setUrls({QUrl::fromLocalFile(path)});
        return data;
    }

    static std::unique_ptr<QMimeData> dataOf(const QString& mime, const QByteArray& bytes) {
        auto data = std::make_unique<QMimeData>();
        data->setData(mime, bytes);
        return data;
    }

    QStringList dropFolderFiles() const {
        return QDir(ImageImport::dropFolder()).entryList(QDir::Files, QDir::Name);
    }

    PrintDocument& document() { return *m_documentOwner; }
    const PrintDocument& document() const { return *m_documentOwner; }
    ImageImport& import() { return *m_importOwner; }

    QString undoName() const { return document().undoManager()->undoActionName(); }

    QTemporaryDir m_runtime;
    std::shared_ptr<WindowPresenterStub> m_window = std::make_shared<WindowPresenterStub>();
    // Made once the test models are registered.
    std::unique_ptr<PrintDocument> m_documentOwner;
    std::unique_ptr<ImageImport> m_importOwner;
};

QByteArray png(int width, int height, int gray = 128) {
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(gray);
    return testpictures::encode(image, "png");
}

QByteArray pdf() {
    return testpictures::pdf({QRectF(0, 0, 283.46, 141.73), {}, 0, "0 0 0 rg 0 0 50 50 re f"});
}

QString displayed(Name name) {
    return UndoActionName(name).displayedName();
}

// The clipboard of a program that does not answer: every question comes
// back empty, after the clipboard's timeout on X11.
class SilentClipboard : public QMimeData {
public:
    mutable int questions = 0;

    QStringList formats() const override {
        ++questions;
        return {};
    }
    bool hasFormat(const QString&) const override {
        ++questions;
        return false;
    }

protected:
    QVariant retrieveData(const QString&, QMetaType) const override {
        ++questions;
        return {};
    }
};

TEST_F(ImportTest, aClipboardWhoseHolderDoesNotAnswerIsAskedOnce) {
    const SilentClipboard clipboard;
    EXPECT_FALSE(ImageImport::acceptsImagePasteboard(&clipboard));
    EXPECT_EQ(clipboard.questions, 1);
}

TEST_F(ImportTest, whatAPasteboardMustHoldToBeAccepted) {
    EXPECT_FALSE(ImageImport::acceptsImagePasteboard(nullptr));
    EXPECT_TRUE(ImageImport::acceptsImagePasteboard(dropOf("/some/where/photo.JPG").get()));
    EXPECT_TRUE(ImageImport::acceptsImagePasteboard(dropOf("/some/page.pdf").get()));
    EXPECT_FALSE(ImageImport::acceptsImagePasteboard(dropOf("/some/notes.txt").get()));
    // A file's type decides, even when picture data comes along.
    auto both = dropOf("/some/file.xyz");
    both->setData("image/png", png(4, 4));
    EXPECT_FALSE(ImageImport::acceptsImagePasteboard(both.get()));
    auto noExtension = dropOf("/some/README");
    EXPECT_FALSE(ImageImport::acceptsImagePasteboard(noExtension.get()));
    // A location on the web is no file; its picture data counts.
    auto web = dataOf("image/tiff", "II*\0");
    web->setUrls({QUrl("https://example.org/a.txt")});
    EXPECT_TRUE(ImageImport::acceptsImagePasteboard(web.get()));
    EXPECT_FALSE(ImageImport::acceptsImagePasteboard(dataOf("image/png", {}).get()));
    auto text = std::make_unique<QMimeData>();
    text->setText("a picture");
    EXPECT_FALSE(ImageImport::acceptsImagePasteboard(text.get()));

    const QStringList types = ImageImport::draggedTypes();
    ASSERT_GE(types.size(), 4);
    EXPECT_EQ(types.mid(0, 4),
              QStringList({"text/uri-list", "image/png", "application/pdf", "image/tiff"}));
    EXPECT_TRUE(types.contains("image/jpeg"));
}

TEST_F(ImportTest, dragsAreRefusedFromThisApplicationAndWhileASheetIsShown) {
    auto drop = dataOf("image/png", png(4, 4));
    EXPECT_TRUE(import().acceptsImageDragOperation({drop.get(), false}));
    EXPECT_FALSE(import().acceptsImageDragOperation({drop.get(), true}));
    m_window->showsSheet = true;
    EXPECT_FALSE(import().acceptsImageDragOperation({drop.get(), false}));
    EXPECT_FALSE(import().setImageWithServicePasteboard(drop.get()));
    m_window->showsSheet = false;
    EXPECT_TRUE(import().setImageWithServicePasteboard(drop.get()));
    auto text = std::make_unique<QMimeData>();
    text->setText("words");
    EXPECT_FALSE(import().setImageWithServicePasteboard(text.get()));
    settle();
    EXPECT_TRUE(document().originalImage());
    EXPECT_EQ(undoName(), displayed(Name::addingImage));
}

TEST_F(ImportTest, aDroppedFileIsLoadedWhereItLiesAsOneStep) {
    const QString path = file("in/photo.png", png(300, 200));
    auto drop = dropOf(path);
    EXPECT_TRUE(import().performImageDragOperation({drop.get(), false}));
    EXPECT_EQ(import().pendingCount(), 1);
    EXPECT_FALSE(document().originalImage()) << "the picture arrives later";
    settle();
    EXPECT_EQ(import().pendingCount(), 0);

    ASSERT_TRUE(document().originalImage());
    EXPECT_EQ(document().originalImage()->fileURL(), QUrl::fromLocalFile(path));
    EXPECT_EQ(dropFolderFiles(), QStringList()) << "no private copy";
    // Actual size at 10 px per mm: 30 x 20 mm fits the A4 canvas.
    EXPECT_EQ(document().imageSize_px(), (Size_px{300, 200}));
    EXPECT_EQ(undoName(), displayed(Name::addingImage));
    document().undoManager()->undo();
    EXPECT_FALSE(document().originalImage());
    EXPECT_EQ(document().imageSize_px(), (Size_px{0, 0}));
    EXPECT_FALSE(document().undoManager()->canUndo());
}

// File managers may write a dropped file's URL with the host "localhost":
// it is the same local file. Another host's file is no file to load.
TEST_F(ImportTest, aDroppedUrlOfLocalhostIsTheLocalFile) {
    const QString path = file("in/photo.png", png(300, 200));
    auto elsewhere = std::make_unique<QMimeData>();
    elsewhere->setUrls(
        {QUrl(QStringLiteral("file://printshop.example") + QUrl::fromLocalFile(path).path())});
    import().performImageDragOperation({elsewhere.get(), false});
    settle();
    EXPECT_FALSE(document().originalImage());

    auto drop = std::make_unique<QMimeData>();
    drop->setUrls({QUrl(QStringLiteral("file://localhost") + QUrl::fromLocalFile(path).path())});
    EXPECT_TRUE(import().performImageDragOperation({drop.get(), false}));
    settle();
    ASSERT_TRUE(document().originalImage());
    EXPECT_EQ(document().originalImage()->fileURL(), QUrl::fromLocalFile(path));
    EXPECT_EQ(dropFolderFiles(), QStringList()) << "no private copy";
}

TEST_F(ImportTest, twoDroppedFilesOfOneNameEachKeepTheirOwnLocation) {
    const QString a = file("a/scan.png", png(10, 10, 20));
    const QString b = file("b/scan.png", png(10, 10, 220));
    import().setImageWithPasteboard(dropOf(a).get());
    settle();
    import().setImageWithPasteboard(dropOf(b).get());
    settle();
    EXPECT_EQ(dropFolderFiles(), QStringList());
    EXPECT_EQ(document().originalImage()->filePath(), b);
    EXPECT_EQ(undoName(), displayed(Name::changingImage));
    document().undoManager()->undo();
    EXPECT_EQ(document().originalImage()->filePath(), a);
    // A dropped file that is gone by the time it is read is ignored.
    import().setImageWithPasteboard(dropOf(m_folder.filePath("gone/scan.png")).get());
    settle();
    EXPECT_EQ(document().originalImage()->filePath(), a);
    EXPECT_TRUE(m_window->errors.empty());
}

TEST_F(ImportTest, pastedBytesAreSavedFirstPreferringPdfAndTif) {
    auto pasted = dataOf("image/png", png(50, 40));
    pasted->setData("application/pdf", pdf());
    // The saved file is named after the moment, without leading zeros.
    const auto savedName = [](const QDateTime& moment) {
        return moment.toString(QStringLiteral("'Dropped_'yyyyMd_Hms'.pdf'"));
    };
    const QDateTime early = QDateTime::currentDateTime();
    import().setImageWithPasteboard(pasted.get());
    settle();
    const QDateTime late = QDateTime::currentDateTime();
    ASSERT_TRUE(document().originalImage());
    EXPECT_TRUE(document().originalImage()->isVector());
    const QString name = document().originalImage()->fileName();
    QStringList possible;
    for (QDateTime moment = early; moment.toSecsSinceEpoch() <= late.toSecsSinceEpoch();
         moment = moment.addSecs(1)) {
        possible << savedName(moment);
    }
    EXPECT_TRUE(possible.contains(name))
        << name.toStdString() << " not in " << possible.join(u' ').toStdString();
    EXPECT_EQ(undoName(), displayed(Name::addingImage));

    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::gray);
    import().setImageWithPasteboard(
        dataOf("image/tiff", testpictures::encode(image, "tiff")).get());
    import().setImageWithPasteboard(dataOf("image/png", png(60, 30)).get());
    settle();
    // Both were saved, though one second may have given both one name; the
    // later paste is the picture. The earlier one stays only while an undo
    // step keeps its picture: it is gone when the later one landed first.
    EXPECT_TRUE(document().originalImage()->fileName().endsWith(".png"));
    EXPECT_EQ(document().imageSize_px(), (Size_px{60, 30}));
    QStringList named{document().originalImage()->fileName()};
    while (document().undoManager()->canUndo()) {
        document().undoManager()->undo();
        if (document().originalImage()) {
            named << document().originalImage()->fileName();
        }
    }
    const QStringList files = dropFolderFiles();
    for (const QString& name : files) {
        EXPECT_TRUE(named.contains(name) || name.endsWith(".tif")) << name.toStdString();
    }
    for (const QString& name : named) {
        EXPECT_TRUE(files.contains(name)) << name.toStdString();
    }
    EXPECT_LE(files.filter(".tif").size(), 1);
}

TEST_F(ImportTest, dropFolderFilesGoOnceNoPictureOrUndoStepNamesThem) {
    import().setImageWithPasteboard(dataOf("image/png", png(20, 10, 1)).get());
    settle();
    const QString first = document().originalImage()->fileName();
    // Same bytes again: the file just written goes at once.
    import().setImageWithPasteboard(dataOf("image/png", png(20, 10, 1)).get());
    settle();
    EXPECT_EQ(dropFolderFiles(), QStringList({first}));

    // The file of a replaced picture stays while undo can bring it back.
    import().setImageWithUnsavedData(png(30, 10, 2), "png");
    const QString second = document().originalImage()->fileName();
    ASSERT_NE(second, first);
    EXPECT_EQ(dropFolderFiles().size(), 2);
    document().undoManager()->undo();
    EXPECT_EQ(document().originalImage()->fileName(), first);
    document().undoManager()->redo();
    document().undoManager()->removeAllActions();
    import().setImageWithUnsavedData(png(40, 10, 3), "png");
    const QString third = document().originalImage()->fileName();
    QStringList expected{second, third};
    expected.sort();
    EXPECT_EQ(dropFolderFiles(), expected) << "the first file has no step left";

    // Another document's picture keeps its file when this document goes.
    PrintDocument other;
    {
        ImageImport otherImport(other, nullptr);
        otherImport.setImageWithUnsavedData(png(50, 10, 4), "png");
        const QString others = other.originalImage()->fileName();
        EXPECT_EQ(dropFolderFiles().size(), 3);
        m_importOwner.reset();
        document().undoManager()->removeAllActions();
        m_documentOwner.reset();
        endEvent();
        EXPECT_EQ(dropFolderFiles(), QStringList({others}));
    }
    endEvent();
    EXPECT_TRUE(dropFolderFiles().isEmpty());
}

TEST_F(ImportTest, bytesThatAreNoPictureKeepThePicture) {
    import().setImageWithPasteboard(dropOf(file("good.png", png(20, 20))).get());
    settle();
    const auto before = document().originalImage();
    ASSERT_TRUE(before);
    const int steps = 1;

    import().setImageWithPasteboard(dropOf(file("fake.png", "no picture here")).get());
    import().setImageWithPasteboard(dataOf("image/png", "\x89PNG broken").get());
    settle();
    EXPECT_EQ(document().originalImage(), before);
    ASSERT_EQ(m_window->errors.size(), 2u);
    for (const auto& error : m_window->errors) {
        EXPECT_EQ(error->domain(), OriginalImageError::domain);
    }
    QStringList names;
    for (const auto& error : m_window->errors) {
        names.append(dynamic_cast<const OriginalImageError&>(*error).name());
    }
    EXPECT_TRUE(names.contains("fake.png")) << names.join(", ").toStdString();
    // Nothing of the refused data stays behind.
    EXPECT_EQ(dropFolderFiles(), QStringList());
    document().undoManager()->undo();
    EXPECT_FALSE(document().undoManager()->canUndo()) << steps;

    EXPECT_THROW(import().setImageByLoadingContentsOf(QUrl::fromLocalFile(file("t.png", "text"))),
                 OriginalImageError);
}

TEST_F(ImportTest, theSameFileOrTheSameBytesChangeNothing) {
    const QString path = file("one.png", png(30, 30));
    import().setImageByLoadingContentsOf(QUrl::fromLocalFile(path));
    const auto picture = document().originalImage();
    ASSERT_TRUE(picture);
    endEvent();
    document().undoManager()->removeAllActions();

    // Changed on disk, but the same location: not read again.
    file("one.png", png(50, 50));
    import().setImageByLoadingContentsOf(QUrl::fromLocalFile(path));
    EXPECT_EQ(document().originalImage(), picture);
    // Another file with the same bytes: not even the location changes.
    import().setImageByLoadingContentsOf(QUrl::fromLocalFile(file("copy.png", picture->data())));
    import().setImageWithPasteboard(dataOf("image/png", picture->data()).get());
    settle();
    EXPECT_EQ(document().originalImage(), picture);
    EXPECT_FALSE(document().undoManager()->canUndo());

    // Nothing removes the picture; an unreadable file reports why.
    import().setImageByLoadingContentsOf(std::nullopt);
    endEvent();
    EXPECT_FALSE(document().originalImage());
    EXPECT_EQ(undoName(), displayed(Name::deletingImage));
    try {
        import().setImageByLoadingContentsOf(QUrl::fromLocalFile(m_folder.filePath("gone.png")));
        FAIL();
    } catch (const platform::Error& error) {
        EXPECT_EQ(error.code(), ENOENT);
        EXPECT_TRUE(error.localizedDescription().contains("gone.png"));
    }
    // A dropped file that is not there is ignored.
    EXPECT_NO_THROW(import().setImageWithDroppedFileURL(QUrl::fromLocalFile("/no/such/file.png")));
}

TEST_F(ImportTest, aPictureOfTheSameSizeKeepsItsPlacement) {
    import().setImageByLoadingContentsOf(QUrl::fromLocalFile(file("a.png", png(100, 50, 10))));
    document().setImageOrientation(ImageRotation::r90);
    document().setFlipsImageHorizontal(true);
    document().setImageOffset_mm({5, 6});
    document().setImageSize_px({200, 100});
    document().setValueForKeyPath("blackConversionOptions.threshold.threshold", 0.9);
    document().setValueForKeyPath("blackConversionOptions.halftone.brightnessFactor", 0.4);
    endEvent();

    import().setImageByLoadingContentsOf(QUrl::fromLocalFile(file("b.png", png(100, 50, 200))));
    EXPECT_EQ(document().imageOrientation(), ImageRotation::r90);
    EXPECT_TRUE(document().flipsImageHorizontal());
    EXPECT_EQ(document().imageOffset_mm(), (Point_mm{5, 6}));
    EXPECT_EQ(document().imageSize_px(), (Size_px{200, 100}));
    // Only the threshold options start afresh.
    EXPECT_EQ(document().blackConversionOptions().threshold().rawValue().threshold, 0.5);
    EXPECT_EQ(
        document().blackConversionOptions().halftone().valueForKey("brightnessFactor").toDouble(),
        0.4);

    // A page of another size keeps its offset, and is turned upright again.
    import().setImageByLoadingContentsOf(QUrl::fromLocalFile(file("c.pdf", pdf())));
    EXPECT_EQ(document().imageOrientation(), ImageRotation::none);
    EXPECT_FALSE(document().flipsImageHorizontal());
    EXPECT_EQ(document().imageOffset_mm(), (Point_mm{5, 6}));
    EXPECT_EQ(document().imageSize_px(), (Size_px{1000, 500}));
}

TEST_F(ImportTest, theOpenPanelStartsNearThePicturesFile) {
    // The test's own files lie in the system's temporary folder.
    qputenv("TMPDIR", QFile::encodeName(m_runtime.filePath("tmp")));
    const QString picture = file("deep/photo.png", png(4, 4));
    import().presentImageOpenPanel(QUrl::fromLocalFile(picture));
    ASSERT_EQ(m_window->panels.size(), 1u);
    EXPECT_EQ(m_window->panels[0].startLocation, picture);
    EXPECT_EQ(m_window->panels[0].prompt, "Choose");
    EXPECT_TRUE(m_window->panels[0].allowedFilenameExtensions.contains("heic"));

    // A file that is gone: its folder.
    EXPECT_EQ(ImageImport::openPanelStartLocation(
                  QUrl::fromLocalFile(m_folder.filePath("deep/gone/gone.png"))),
              m_folder.filePath("deep"));
    // A file in a temporary folder, or nothing reachable within ten levels.
    EXPECT_EQ(ImageImport::openPanelStartLocation(
                  QUrl::fromLocalFile(ImageImport::dropFolder() + "/x.png")),
              std::nullopt);
    EXPECT_EQ(ImageImport::openPanelStartLocation(
                  QUrl::fromLocalFile("/nowhere/1/2/3/4/5/6/7/8/9/10/11.png")),
              std::nullopt);
    // Within the temporary folder, not beside it under a name that begins
    // like it.
    const QString temporary = m_folder.filePath("t");
    qputenv("TMPDIR", QFile::encodeName(temporary));
    ASSERT_TRUE(QDir().mkpath(temporary) && QDir().mkpath(temporary + "-pictures"));
    EXPECT_EQ(
        ImageImport::openPanelStartLocation(QUrl::fromLocalFile(temporary + "-pictures/p.png")),
        temporary + "-pictures");
    EXPECT_EQ(ImageImport::openPanelStartLocation(QUrl::fromLocalFile(temporary + "/p.png")),
              std::nullopt);
    EXPECT_EQ(ImageImport::openPanelStartLocation(QUrl::fromLocalFile(temporary)), std::nullopt);
    qputenv("TMPDIR", QFile::encodeName(m_runtime.filePath("tmp")));

    // The chosen file loads in the background; cancelling does nothing.
    m_window->panelCompletion(std::nullopt);
    settle();
    EXPECT_FALSE(document().originalImage());
    m_window->panelCompletion(QUrl::fromLocalFile(picture));
    settle();
    ASSERT_TRUE(document().originalImage());
    EXPECT_EQ(document().originalImage()->filePath(), picture);

    m_window->hasWindow = false;
    import().presentImageOpenPanel(std::nullopt);
    EXPECT_EQ(m_window->panels.size(), 1u);
}

TEST_F(ImportTest, aResultArrivingAfterTheDocumentIsGoneIsDropped) {
    auto document = std::make_unique<PrintDocument>();
    auto import = std::make_unique<ImageImport>(*document, m_window);
    int ended = 0;
    import->setImageWithPasteboard(dataOf("image/png", png(10, 10)).get(),
                                   [&](const auto&) { ++ended;
});
import.reset();
document.reset();
settle();
EXPECT_TRUE(m_window->errors.empty());
// Whoever waits still hears that the import has ended.
EXPECT_EQ(ended, 1);
} // namespace

TEST_F(ImportTest, aLoadMadeWhileADropIsUnderWayIsNotReplacedByIt) {
    import().setImageWithPasteboard(dataOf("image/png", png(40, 40)).get());
    const QString later = file("later.png", png(70, 30));
    import().setImageByLoadingContentsOf(QUrl::fromLocalFile(later));
    settle();
    ASSERT_TRUE(document().originalImage());
    EXPECT_EQ(document().originalImage()->filePath(), later);

    // Removing the picture counts as well.
    import().setImageWithPasteboard(dataOf("image/png", png(20, 20)).get());
    import().setImageByLoadingContentsOf(std::nullopt);
    settle();
    EXPECT_FALSE(document().originalImage());
}

TEST_F(ImportTest, aPageBeyondPdfsLimitIsNoPictureOnEveryRoad) {
    import().setImageWithPasteboard(dropOf(file("good.png", png(20, 20))).get());
    settle();
    const auto before = document().originalImage();
    ASSERT_TRUE(before);
    m_window->errors.clear();

    // About 1e19 points wide, and a height written with 400 digits.
    const QByteArray wide = testpictures::pdfWithMediaBox("0 0 10000000000000000000 500");
    const QByteArray tall = testpictures::pdfWithMediaBox("0 0 500 1" + QByteArray(399, '0'));
    EXPECT_THROW(import().setImageByLoadingContentsOf(QUrl::fromLocalFile(file("wide.pdf", wide))),
                 OriginalImageError);
    EXPECT_TRUE(import().performImageDragOperation({dropOf(file("tall.pdf", tall)).get(), false}));
    import().setImageWithPasteboard(dataOf("application/pdf", wide).get());
    EXPECT_TRUE(import().setImageWithServicePasteboard(dataOf("application/pdf", tall).get()));
    settle();

    EXPECT_EQ(document().originalImage(), before);
    ASSERT_EQ(m_window->errors.size(), 3u);
    for (const auto& error : m_window->errors) {
        EXPECT_EQ(error->domain(), OriginalImageError::domain);
    }
    // The dropped file stays where it lies; the refused data leaves nothing.
    EXPECT_TRUE(dropFolderFiles().isEmpty());
}

TEST_F(ImportTest, theCallerHearsOnceOfEachImportsEndWithItsError) {
    std::vector<std::shared_ptr<const platform::Error>> ended;
    const auto record = [&](std::shared_ptr<const platform::Error> error) {
        ended.push_back(std::move(error));
    };
    import().setImageWithPasteboard(dataOf("image/png", png(12, 12)).get(), record);
    import().setImageWithPasteboard(dataOf("image/png", "\x89PNG broken").get(), record);
    // Nothing to import ends at once.
    import().setImageWithPasteboard(dataOf("text/plain", "words").get(), record);
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_FALSE(ended[0]);
    settle();
    // The two imports may end in either order.
    ASSERT_EQ(ended.size(), 3u);
    const auto failed = std::count_if(ended.begin(), ended.end(), [](const auto& error) {
        return error && error->domain() == OriginalImageError::domain;
    });
    EXPECT_EQ(failed, 1);
    EXPECT_TRUE(document().originalImage());
    EXPECT_EQ(m_window->errors.size(), 1u);
}

} // namespace

namespace {

// A 1200 x 800 JPEG, many times the quick decode's bound below.
QByteArray largeJpeg() {
    QImage image(1200, 800, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
        }
    }
    return testpictures::encode(image, "jpeg", 90);
}

} // namespace

// With a bound, a large JPEG brought in the background is first decoded to
// it and decoded whole behind it; it is the same picture, in the same one
// step. The synchronous road of scripts decodes it whole first, as always.
TEST_F(ImportTest, aLargeJpegIsFirstDecodedToTheBoundThenWholeOnTheSameWorker) {
    // Counts the whole decodes left for later.
    int behind = 0;
    FullDecode::setHookForTesting([&] {
        ++behind;
        return true;
    });
    const auto restore = qScopeGuard([] { FullDecode::setHookForTesting({}); });
    import().setQuickDecodeBound([] { return QSize(200, 200);
});
const QByteArray bytes = largeJpeg();
const QString path = file("photo.jpg", bytes);
import().setImageWithPasteboard(dropOf(path).get());
settle();
const auto picture = document().originalImage();
ASSERT_TRUE(picture);
EXPECT_EQ(behind, 1);
EXPECT_TRUE(picture->isFullyDecoded());
EXPECT_EQ(picture->data(), bytes);
EXPECT_EQ(*picture->cgImage(), *OriginalImage::fromData(bytes, {})->cgImage());
EXPECT_EQ(document().imageSize_px(), (Size_px{1200, 800}));
EXPECT_EQ(undoName(), displayed(Name::addingImage));
EXPECT_TRUE(m_window->errors.empty());

import().setImageByLoadingContentsOf(std::nullopt);
import().setImageByLoadingContentsOf(QUrl::fromLocalFile(path));
ASSERT_TRUE(document().originalImage());
EXPECT_NE(document().originalImage(), picture);
EXPECT_EQ(behind, 1);
}

// Whole pixels that do not decode after the smaller decode did (as when
// memory runs out): the picture it replaced comes back and the same error
// as for a picture that does not decode at all is shown.
TEST_F(ImportTest, aWholeDecodeThatFailsBringsThePreviousPictureBackWithTheError) {
    import().setImageWithPasteboard(dropOf(file("before.png", png(300, 200))).get());
    settle();
    const auto before = document().originalImage();
    ASSERT_TRUE(before);

    FullDecode::setHookForTesting([] { return false; });
    import().setQuickDecodeBound([] { return QSize(200, 200);
});
import().setImageWithPasteboard(dropOf(file("photo.jpg", largeJpeg())).get());
settle();
FullDecode::setHookForTesting({});
EXPECT_EQ(document().originalImage(), before);
ASSERT_EQ(m_window->errors.size(), 1u);
const auto& error = dynamic_cast<const OriginalImageError&>(*m_window->errors.front());
EXPECT_EQ(error.name(), "photo.jpg");
EXPECT_EQ(error.code(), OriginalImageError::containsNoValidImage("photo.jpg").code());
}

// A document closed while its import waits for a worker has nothing read
// or decoded for it.
TEST_F(ImportTest, anImportOfADocumentClosedMeanwhileIsNotBegun) {
    int decoded = 0;
    FullDecode::setHookForTesting([&] {
        ++decoded;
        return true;
    });
    const auto restore = qScopeGuard([] { FullDecode::setHookForTesting({}); });
    std::mutex lock;
    std::condition_variable released;
    bool release = false;
    const auto hold = [&] {
        std::unique_lock held(lock);
        released.wait(held, [&] { return release; });
    };
    // Every worker of the queue is held.
    for (int i = 0; i < 2; ++i) {
        kestrom::DocumentWorkQueue::run(hold);
    }
    auto closing = std::make_unique<PrintDocument>();
    auto closingImport = std::make_unique<ImageImport>(*closing, m_window);
    closingImport->setQuickDecodeBound([] { return QSize(200, 200); });
    int ended = 0;
    closingImport->setImageWithPasteboard(dropOf(file("closed.jpg", largeJpeg())).get(),
                                          [&](const auto& error) {
                                              EXPECT_FALSE(error);
                                              ++ended;
                                          });
    closingImport.reset();
    closing.reset();
    {
        std::lock_guard held(lock);
        release = true;
    }
    released.notify_all();
    settle();
    EXPECT_EQ(decoded, 0);
    EXPECT_EQ(ended, 1);
}
