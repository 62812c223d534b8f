#include "core/document/tests/PackageTestSupport.h"

#include "core/document/application/PrintJobDocument.h"
#include "core/document/package/DocumentFileError.h"
#include "core/document/package/DocumentWorkQueue.h"
#include "core/document/package/PackageReadAhead.h"
#include "core/document/package/SettingsReadingError.h"
#include "model/pictures/FullDecode.h"
#include "model/pictures/OriginalImageError.h"
#include "platform/MainThread.h"
#include "platform/graphics/OrientedImageCache.h"
#include "platform/tests/support/TestPictures.h"

#include <QScopeGuard>

#include <atomic>
#include <future>
#include <thread>

using namespace ambrel;
using namespace documenttest;
using namespace packagetest;
using kestrom::DocumentFileError;
using kestrom::DocumentPackage;
using kestrom::DocumentSettings;
using kestrom::PrintDocument;
using kestrom::SettingsReadingError;

// How a package's picture and thumbnail are read, decoded and refused, and
// how reads begun ahead and first decodes serve an open.

TEST_F(PackageTest, thePictureAndItsThumbnailFollowItsKind) {
    PrintDocument document;
    const QByteArray pdf =
        testpictures::pdf({QRectF(0, 0, 200, 100), {}, 0, "0 0 0 rg 10 10 50 50 re f"});
    document.setOriginalImage(pictureOf(pdf, "/pictures/page.pdf"));
    DocumentPackage::write(document, path("Page.lunvik"));
    EXPECT_TRUE(QFileInfo(path("Page.lunvik/ImageData")).isFile());
    EXPECT_FALSE(QFileInfo::exists(path("Page.lunvik/QuickLook")));

    document.setOriginalImage(nullptr);
    DocumentPackage::write(document, path("Empty.lunvik"));
    EXPECT_EQ(QDir(path("Empty.lunvik")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList({"Settings.plist"}));

    // A picture whose location is unknown still opens.
    PrintDocument raster;
    raster.setOriginalImage(pictureOf(testpictures::encode(photo(8, 6), "png"), "/x.png"));
    DocumentPackage::write(raster, path("Lost.lunvik"));
    QVariantMap settings =
        platform::PropertyList::readFile(path("Lost.lunvik/Settings.plist")).toMap();
    settings.remove("imageOriginalFileURL");
    platform::PropertyList::writeFile(path("Lost.lunvik/Settings.plist"), settings);
    PrintDocument opened;
    DocumentPackage::apply(opened, DocumentPackage::load(path("Lost.lunvik")), app);
    ASSERT_TRUE(opened.originalImage());
    EXPECT_EQ(opened.originalImage()->data(), raster.originalImage()->data());
}

// What a read tells of the package is what it parsed: the digests of the
// settings, the picture and the thumbnail, as a fingerprint taken now gives.
TEST_F(PackageTest, aReadTellsThePackageAsItReadIt) {
    PrintDocument raster;
    raster.setOriginalImage(pictureOf(testpictures::encode(photo(8, 6), "png"), "/x.png"));
    DocumentPackage::write(raster, path("Job.lunvik"));
    ASSERT_TRUE(QFileInfo(path("Job.lunvik/QuickLook/Thumbnail.jpg")).isFile());
    const auto read = DocumentPackage::load(path("Job.lunvik")).fingerprint;
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, kestrom::PackageFingerprint::of(path("Job.lunvik")));
    EXPECT_TRUE(read->hasDigests());

    PrintDocument empty;
    DocumentPackage::write(empty, path("Empty.lunvik"));
    const auto emptyRead = DocumentPackage::load(path("Empty.lunvik")).fingerprint;
    ASSERT_TRUE(emptyRead);
    EXPECT_EQ(*emptyRead, kestrom::PackageFingerprint::of(path("Empty.lunvik")));
}

// Read for a quick first look, a package tells the same digests as a
// whole read: those of the bytes the picture is decoded from.
TEST_F(PackageTest, aQuickReadTellsThePackageAsItReadIt) {
    PrintDocument saved;
    saved.setOriginalImage(
        pictureOf(testpictures::encode(photo(1200, 800), "png"), "/pictures/photo.png"));
    DocumentPackage::write(saved, path("Photo.lunvik"));
    // The whole decode, which starts as the package is read, is held until
    // the quick read has been looked at.
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    FullDecode::setHookForTesting([released] {
        released.wait();
        return true;
    });
    bool held = true;
    const auto letGo = [&] {
        if (std::exchange(held, false)) {
            release.set_value();
            FullDecode::setHookForTesting({});
        }
    };
    const auto restore = qScopeGuard(letGo);
    const auto quick = DocumentPackage::load(path("Photo.lunvik"), QSize(200, 200));
    ASSERT_TRUE(quick.image);
    EXPECT_FALSE(quick.image->isFullyDecoded());
    letGo();
    ASSERT_TRUE(quick.fingerprint);
    EXPECT_TRUE(quick.fingerprint->hasDigests());
    EXPECT_EQ(*quick.fingerprint, kestrom::PackageFingerprint::of(path("Photo.lunvik")));
    EXPECT_EQ(*quick.fingerprint, *DocumentPackage::load(path("Photo.lunvik")).fingerprint);
}

// A package whose picture announces more pixels than any decode may take
// opens without it, read whole or for a quick first look, and says that the
// picture is too large; one whose picture merely does not decode says that it
// is damaged.
TEST_F(PackageTest, aPictureBeyondTheLimitsOpensThePackageWithoutItAsTooLarge) {
    QByteArray jpeg = testpictures::encode(photo(64, 48), "jpeg", 90);
    const qsizetype frame = jpeg.indexOf(QByteArray("\xff\xc0", 2));
    ASSERT_GT(frame, 0);
    // Height and width of 65000 each: billions of pixels.
    jpeg.replace(frame + 5, 4, QByteArray::fromHex("fde8fde8"));
    PrintDocument saved;
    saved.setOriginalImage(pictureOf(testpictures::encode(photo(64, 48), "jpeg", 90), "/p.jpg"));
    saved.setImageRepeatXCount(2);
    DocumentPackage::write(saved, path("Huge.lunvik"));
    writeFile(path("Huge.lunvik/ImageData"), jpeg);
    for (const QSize bound : {QSize(), QSize(200, 200)}) {
        SCOPED_TRACE(bound.width());
        const auto contents = DocumentPackage::load(path("Huge.lunvik"), bound);
        EXPECT_FALSE(contents.image);
        EXPECT_EQ(contents.pictureRefusal, platform::PictureRefusal::tooLarge);
        ASSERT_TRUE(contents.fingerprint);
        EXPECT_TRUE(contents.fingerprint->hasDigests());
        ASSERT_TRUE(contents.unreadPicture);
        EXPECT_EQ(contents.unreadPicture->data, jpeg);
        PrintDocument opened;
        DocumentPackage::apply(opened, contents, app);
        EXPECT_FALSE(opened.originalImage());
        EXPECT_EQ(opened.imageRepeatXCount(), 2);
        const auto notice = DocumentPackage::pictureNotRead(contents);
        ASSERT_TRUE(notice);
        EXPECT_TRUE(notice->localizedDescription().contains(QStringLiteral("Huge.lunvik")));
        EXPECT_TRUE(notice->localizedRecoverySuggestion()->contains(QStringLiteral("more pixels")))
            << notice->localizedRecoverySuggestion()->toStdString();
    }
    writeFile(path("Huge.lunvik/ImageData"), jpeg.left(jpeg.size() / 2));
    const auto notice = DocumentPackage::pictureNotRead(DocumentPackage::load(path("Huge.lunvik")));
    ASSERT_TRUE(notice);
    EXPECT_TRUE(notice->localizedRecoverySuggestion()->contains(QStringLiteral("damaged")));
}

// Picture bytes that are no picture: the package opens with its settings
// and without a picture, tells that the picture could not be read, and keeps
// the bytes and the thumbnail as they were to write back.
TEST_F(PackageTest, aPackageWhosePictureDoesNotDecodeOpensWithoutIt) {
    PrintDocument document;
    document.setOriginalImage(pictureOf(testpictures::encode(photo(40, 30), "png"), "/a/b.png"));
    document.setImageRepeatXCount(3);
    DocumentPackage::write(document, path("Good.lunvik"));
    QFile thumbnailFile(path("Good.lunvik/QuickLook/Thumbnail.jpg"));
    ASSERT_TRUE(thumbnailFile.open(QIODevice::ReadOnly));
    const QByteArray thumbnail = thumbnailFile.readAll();
    ASSERT_FALSE(thumbnail.isEmpty());
    const QList<std::pair<const char*, QByteArray>> damages{
        {"cut short", "\x89PNG\r\n\x1a\n and then nothing"},
        {"empty", ""},
        // A page wider than PDF allows is no picture either, and ends nothing.
        {"page too wide", testpictures::pdfWithMediaBox("0 0 10000000000000000000 500")},
    };
    for (const auto& [name, bytes] : damages) {
        SCOPED_TRACE(name);
        writeFile(path("Good.lunvik/ImageData"), bytes);
        const auto contents = DocumentPackage::load(path("Good.lunvik"));
        PrintDocument opened;
        ASSERT_NO_THROW(DocumentPackage::apply(opened, contents, app));
        EXPECT_FALSE(opened.originalImage());
        EXPECT_EQ(opened.imageRepeatXCount(), 3);
        const auto notice = DocumentPackage::pictureNotRead(contents);
        ASSERT_TRUE(notice);
        EXPECT_EQ(notice->localizedDescription(),
                  "The picture of the document “Good.lunvik” could not be read.");
        EXPECT_TRUE(notice->localizedRecoverySuggestion()->contains("damaged"));
        ASSERT_TRUE(contents.unreadPicture);
        EXPECT_EQ(contents.unreadPicture->data, bytes);
        EXPECT_EQ(contents.unreadPicture->thumbnail, thumbnail);
        EXPECT_EQ(contents.unreadPicture->location, QUrl::fromLocalFile("/a/b.png"));
    }
}

// Written back, a picture that did not open is the package's as it was:
// the same bytes, thumbnail and location, beside the document's settings as
// they are now. Without it, a document without a picture writes none.
TEST_F(PackageTest, anUnreadPictureIsWrittenBackAsItWasRead) {
    PrintDocument document;
    document.setOriginalImage(pictureOf(testpictures::encode(photo(40, 30), "png"), "/a/b.png"));
    DocumentPackage::write(document, path("Job.lunvik"));
    writeFile(path("Job.lunvik/ImageData"), "no picture");
    const auto contents = DocumentPackage::load(path("Job.lunvik"));
    ASSERT_TRUE(contents.unreadPicture);
    PrintDocument opened;
    DocumentPackage::apply(opened, contents, app);
    opened.setImageRepeatXCount(5);

    DocumentPackage::write(DocumentPackage::snapshot(opened, &*contents.unreadPicture),
                           path("Job.lunvik"));
    const auto kept = DocumentPackage::load(path("Job.lunvik"));
    ASSERT_TRUE(kept.unreadPicture);
    EXPECT_EQ(kept.unreadPicture->data, QByteArray("no picture"));
    EXPECT_EQ(kept.unreadPicture->thumbnail, contents.unreadPicture->thumbnail);
    EXPECT_EQ(kept.unreadPicture->location, QUrl::fromLocalFile("/a/b.png"));
    PrintDocument again;
    DocumentPackage::apply(again, kept, app);
    EXPECT_EQ(again.imageRepeatXCount(), 5);

    DocumentPackage::write(DocumentPackage::snapshot(opened), path("Job.lunvik"));
    EXPECT_EQ(QDir(path("Job.lunvik")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList({"Settings.plist"}));
    EXPECT_FALSE(DocumentPackage::pictureNotRead(DocumentPackage::load(path("Job.lunvik"))));
}

TEST_F(PackageTest, damagedPackagesAreRefusedWithAReason) {
    PrintDocument document;
    document.setOriginalImage(picture(10, 10));
    DocumentPackage::write(document, path("Good.lunvik"));
    auto copyOfGood = [&](const QString& name) {
        const QString target = path(name);
        QDir().mkpath(target);
        for (const char* member : {"Settings.plist", "ImageData"}) {
            QFile::copy(path("Good.lunvik/") + member, target + '/' + member);
        }
        return target;
    };
    auto refusal = [&](const QString& package) {
        return damageOf([&] { DocumentPackage::read(document, package); });
    };

    QDir().mkpath(path("Empty.lunvik"));
    EXPECT_EQ(refusal(path("Empty.lunvik")),
              "NSCocoaErrorDomain 259: The document “Empty.lunvik” cannot be opened because it "
              "is damaged. Its settings file is missing.");
    writeFile(path("File.lunvik"), "not a folder");
    EXPECT_TRUE(refusal(path("File.lunvik")).contains("It is not a folder."));
    EXPECT_TRUE(refusal(path("Nowhere.lunvik")).startsWith("NSPOSIXErrorDomain 2:"));

    const QString truncated = copyOfGood("Truncated.lunvik");
    QFile::resize(truncated + "/Settings.plist", 40);
    EXPECT_TRUE(refusal(truncated).contains("cut short")) << refusal(truncated).toStdString();
    const QString garbage = copyOfGood("Garbage.lunvik");
    writeFile(garbage + "/Settings.plist", QByteArray(3000, '\xee'));
    EXPECT_TRUE(refusal(garbage).contains("cut short"));
    const QString xmlGarbage = copyOfGood("XmlGarbage.lunvik");
    writeFile(xmlGarbage + "/Settings.plist", "<plist><dict><key>a</key>");
    EXPECT_TRUE(refusal(xmlGarbage).contains("259"));

    // Settings that are an array never open as a blank document.
    const QString array = packageWith(QVariantList{1, 2}, "Array.lunvik");
    EXPECT_TRUE(refusal(array).contains("does not hold settings"));

    // Nesting far deeper than any settings is refused, not followed.
    const QString deep = copyOfGood("Deep.lunvik");
    writeFile(deep + "/Settings.plist",
              "<plist><dict><key>a</key>" + QByteArray("<array>").repeated(200000) +
                  QByteArray("</array>").repeated(200000) + "</dict></plist>");
    EXPECT_TRUE(refusal(deep).contains("259")) << refusal(deep).toStdString();

    // A picture member that is no file is damage to the package.
    const QString folderPicture = copyOfGood("FolderPicture.lunvik");
    QFile::remove(folderPicture + "/ImageData");
    QDir().mkpath(folderPicture + "/ImageData");
    EXPECT_TRUE(refusal(folderPicture).contains("Its picture is damaged."))
        << refusal(folderPicture).toStdString();

    // A huge member is refused before a byte of it is read.
    const QString huge = copyOfGood("Huge.lunvik");
    QFile::resize(huge + "/ImageData", (qint64(1) << 30) + 1);
    EXPECT_TRUE(refusal(huge).contains("“ImageData” in it is larger"))
        << refusal(huge).toStdString();
    const QString hugeSettings = copyOfGood("HugeSettings.lunvik");
    QFile::resize(hugeSettings + "/Settings.plist", qint64(64) << 20);
    EXPECT_TRUE(refusal(hugeSettings).contains("“Settings.plist” in it is larger"));

    // Links out of the package are never followed.
    writeFile(path("outside.plist"), QFile(path("Good.lunvik/Settings.plist")).readAll());
    const QString linked = copyOfGood("Linked.lunvik");
    QFile::remove(linked + "/Settings.plist");
    QFile::link(path("outside.plist"), linked + "/Settings.plist");
    EXPECT_TRUE(refusal(linked).contains("“Settings.plist” in it is a symbolic link"));
    const QString linkedPicture = copyOfGood("LinkedPicture.lunvik");
    QFile::remove(linkedPicture + "/ImageData");
    QFile::link("/etc/passwd", linkedPicture + "/ImageData");
    EXPECT_TRUE(refusal(linkedPicture).contains("“ImageData” in it is a symbolic link"));
}

// A package whose settings name a picture it no longer holds opens with its
// settings, without a picture, and says so; one saved without a picture
// opens without a word.
// A folder that is no document (neither named as one nor holding settings)
// is not called a damaged document; a document named without its
// extension still opens.
TEST_F(PackageTest, aPlainFolderIsNoDocumentAndARenamedPackageStillOpens) {
    QDir().mkpath(path("Holiday Photos"));
    writeFile(path("Holiday Photos/beach.jpg"), "not much of a picture");
    const QString refused = damageOf([&] {
        PrintDocument document;
        DocumentPackage::read(document, path("Holiday Photos"));
    });
    EXPECT_TRUE(refused.startsWith(
        "NSCocoaErrorDomain 259: “Holiday Photos” is a folder, not a Lunvik document. "))
        << refused.toStdString();
    EXPECT_TRUE(refused.contains("“.lunvik”")) << refused.toStdString();
    EXPECT_FALSE(refused.contains("damaged"));

    PrintDocument saved;
    saved.setOriginalImage(picture(10, 10));
    DocumentPackage::write(saved, path("Job"));
    PrintDocument opened;
    EXPECT_NO_THROW(DocumentPackage::read(opened, path("Job")));
    EXPECT_TRUE(opened.originalImage());
}

TEST_F(PackageTest, aPackageThatLostItsPictureOpensWithoutItAndSaysSo) {
    PrintDocument document;
    document.setOriginalImage(picture(10, 10));
    document.setImageRepeatXCount(2);
    DocumentPackage::write(document, path("Lost.lunvik"));
    QFile::remove(path("Lost.lunvik/ImageData"));
    const auto contents = DocumentPackage::load(path("Lost.lunvik"));
    PrintDocument lost;
    DocumentPackage::apply(lost, contents, app);
    EXPECT_FALSE(lost.originalImage());
    EXPECT_EQ(lost.imageRepeatXCount(), 2);
    EXPECT_FALSE(contents.unreadPicture);
    const auto notice = DocumentPackage::pictureNotRead(contents);
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->localizedDescription(),
              "The picture of the document “Lost.lunvik” could not be read.");
    EXPECT_EQ(notice->localizedRecoverySuggestion(),
              "The document no longer holds its picture; it opened without one.");
    // The reason a newer application's document gives comes first.
    QVariantMap settings =
        platform::PropertyList::readFile(path("Lost.lunvik/Settings.plist")).toMap();
    settings.insert("minimumApplicationVersion", "9.0");
    platform::PropertyList::writeFile(path("Lost.lunvik/Settings.plist"), settings);
    EXPECT_THROW(DocumentPackage::apply(document, DocumentPackage::load(path("Lost.lunvik")), app),
                 SettingsReadingError);

    PrintDocument empty;
    empty.setImageRepeatXCount(3);
    DocumentPackage::write(empty, path("Empty.lunvik"));
    PrintDocument opened;
    const auto emptyContents = DocumentPackage::load(path("Empty.lunvik"));
    DocumentPackage::apply(opened, emptyContents, app);
    EXPECT_FALSE(opened.originalImage());
    EXPECT_EQ(opened.imageRepeatXCount(), 3);
    EXPECT_FALSE(DocumentPackage::pictureNotRead(emptyContents));
}

// Opened with a bound, a large picture comes first from a decode at the
// bound: a JPEG from its own bytes, another raster file from the package's
// thumbnail; the whole pixels that follow are those of the whole decode, and
// a save made before they are there writes the same package.
TEST_F(PackageTest, aLargePictureOpensFromASmallDecodeAndItsWholePixelsFollow) {
    const QImage image = photo(1200, 800);
    for (const char* format : {"jpeg", "png"}) {
        SCOPED_TRACE(format);
        const QByteArray bytes = testpictures::encode(image, format, 90);
        PrintDocument saved;
        saved.setOriginalImage(pictureOf(bytes, "/pictures/photo"));
        const QString package = path(QStringLiteral("Photo-%1.lunvik").arg(format));
        DocumentPackage::write(saved, package);

        // The whole decode starts on a worker as the package is read, beside
        // the small one, without anyone asking for the pixels; it is held
        // there until the small decode has been looked at.
        std::promise<std::thread::id> entered;
        auto decoding = entered.get_future();
        std::promise<void> release;
        const std::shared_future<void> released = release.get_future().share();
        FullDecode::setHookForTesting([&entered, released] {
            entered.set_value(std::this_thread::get_id());
            released.wait();
            return true;
        });
        const auto restore = qScopeGuard([] { FullDecode::setHookForTesting({}); });
        const auto contents = DocumentPackage::load(package, QSize(200, 200));
        ASSERT_TRUE(contents.image);
        const auto& picture = contents.image;
        ASSERT_EQ(decoding.wait_for(std::chrono::seconds(60)), std::future_status::ready);
        EXPECT_NE(decoding.get(), std::this_thread::get_id());
        EXPECT_FALSE(picture->isFullyDecoded());
        EXPECT_EQ(picture->data(), bytes);
        EXPECT_EQ(picture->imageOriginalSizeInfo(), OriginalSizeInfo::px({1200, 800}));
        // A quarter of the picture is the smallest that covers the bound.
        EXPECT_EQ(picture->scaledDecode().size(), QSize(300, 200));

        // Saved again before the whole pixels are there: the same package.
        PrintDocument opened;
        DocumentPackage::apply(opened, contents, app);
        release.set_value();
        DocumentPackage::write(opened, path("Again.lunvik"));
        EXPECT_TRUE(picture->isFullyDecoded());
        ASSERT_TRUE(picture->cgImage());
        EXPECT_TRUE(*picture->cgImage() == *saved.originalImage()->cgImage());
        QFile again(path("Again.lunvik/ImageData"));
        ASSERT_TRUE(again.open(QIODevice::ReadOnly));
        EXPECT_EQ(again.readAll(), bytes);
        EXPECT_TRUE(QFileInfo(path("Again.lunvik/QuickLook/Thumbnail.jpg")).isFile());

        // Without a bound, or one the picture does not halve to, it is
        // decoded whole.
        EXPECT_TRUE(DocumentPackage::load(package).image->isFullyDecoded());
        EXPECT_TRUE(DocumentPackage::load(package, QSize(1000, 1000)).image->isFullyDecoded());
    }

    // A thumbnail of another size than the picture is never shown for it.
    PrintDocument saved;
    saved.setOriginalImage(pictureOf(testpictures::encode(image, "png"), "/pictures/photo.png"));
    DocumentPackage::write(saved, path("Other.lunvik"));
    writeFile(path("Other.lunvik/QuickLook/Thumbnail.jpg"),
              testpictures::encode(photo(1000, 800), "jpeg", 90));
    EXPECT_TRUE(
        DocumentPackage::load(path("Other.lunvik"), QSize(200, 200)).image->isFullyDecoded());
}

// A save takes its snapshot on the main thread; a picture still decoding
// behind its quick decode is not decoded there, but by the write (or the
// print's preparation in the background, which the write then waits for),
// whose thumbnail is made of the whole pixels.
TEST_F(PackageTest, theSnapshotLeavesAPicturesDecodeToTheWrite) {
    std::atomic<int> decodes = 0;
    std::atomic<int> decodesHere = 0;
    const std::thread::id here = std::this_thread::get_id();
    FullDecode::setHookForTesting([&] {
        ++decodes;
        decodesHere += std::this_thread::get_id() == here;
        return true;
    });
    const auto restore = qScopeGuard([] { FullDecode::setHookForTesting({}); });
    const QByteArray jpeg = testpictures::encode(photo(1200, 800), "jpeg", 90);
    PrintDocument document;
    document.setOriginalImage(OriginalImage::fromDataDecodingBehind(
        jpeg, QUrl::fromLocalFile(QStringLiteral("/tmp/photo.jpg")), QSize(200, 200)));
    ASSERT_TRUE(document.originalImage());
    const DocumentPackage::Snapshot snapshot = DocumentPackage::snapshot(document);
    EXPECT_EQ(decodesHere, 0);
    const QString path = m_folder.filePath(QStringLiteral("Photo.lunvik"));
    DocumentPackage::write(snapshot, path);
    EXPECT_EQ(decodes, 1);
    EXPECT_TRUE(document.originalImage()->isFullyDecoded());
    QImage thumbnail;
    ASSERT_TRUE(thumbnail.load(path + u'/' + DocumentPackage::quickLookFolderName + u'/' +
                               DocumentPackage::thumbnailFileName));
    EXPECT_EQ(thumbnail.size(), QSize(1200, 800));
}

// A read begun ahead of its open is taken by the open of the same package
// at the same bound, whether it has ended or not, and only once; the taker
// hears of it on a later turn, never inside take. Its settings come first,
// once: inside take when they were parsed already. One begun with another
// bound, or dropped, serves no open; what it read goes when it ends.
TEST_F(PackageTest, aReadBegunAheadServesOneOpenAtItsOwnBound) {
    using kestrom::PackageReadAhead;
    std::atomic<int> decodes = 0;
    FullDecode::setHookForTesting([&] {
        ++decodes;
        return true;
    });
    const auto restore = qScopeGuard([] {
        PackageReadAhead::dropAll();
        kestrom::DocumentWorkQueue::waitForDone();
        platform::MainThread::drain();
        FullDecode::setHookForTesting({});
    });
    const QByteArray jpeg = testpictures::encode(photo(1200, 800), "jpeg", 90);
    const QString package = path(QStringLiteral("Photo.lunvik"));
    writeRepeatedPicturePackage(package, jpeg);
    const QSize bound(200, 200);

    struct Taker {
        int calls = 0;
        std::optional<DocumentPackage::Contents> contents;
        std::shared_ptr<const platform::Error> error;
        // The settings each time they came, and how many reads had ended then.
        QList<std::pair<QVariantMap, int>> settings;
        DocumentPackage::LoadHandler handler() {
            return [this](std::optional<DocumentPackage::Contents> c,
                          std::shared_ptr<const platform::Error> e) {
                ++calls;
                contents = std::move(c);
                error = std::move(e);
            };
        }
        std::function<void(const QVariantMap&)> settingsHandler() {
            return [this](const QVariantMap& parsed) { settings.append({parsed, calls}); };
        }
    };
    const auto settle = [] {
        kestrom::DocumentWorkQueue::waitForDone();
        platform::MainThread::drain();
    };
    // Taken while it reads; once it ended, its news still waiting for the
    // main thread; once the main thread heard of its end.
    enum class Taken { whileReading, endedUnheard, ended };
    for (const Taken taken : {Taken::whileReading, Taken::endedUnheard, Taken::ended}) {
        SCOPED_TRACE(int(taken));
        const bool endedFirst = taken != Taken::whileReading;
        decodes = 0;
        PackageReadAhead::begin(package, bound);
        PackageReadAhead::begin(package, bound);
        EXPECT_EQ(PackageReadAhead::pendingCount(), 1);
        if (taken == Taken::endedUnheard) {
            kestrom::DocumentWorkQueue::waitForDone();
        } else if (taken == Taken::ended) {
            settle();
        }
        Taker taker;
        DocumentPackage::LoadHandler handler = taker.handler();
        EXPECT_FALSE(PackageReadAhead::take(path(QStringLiteral("Other.lunvik")), bound, handler,
                                            taker.settingsHandler()));
        EXPECT_TRUE(handler);
        EXPECT_TRUE(taker.settings.isEmpty());
        ASSERT_TRUE(PackageReadAhead::take(package, bound, handler, taker.settingsHandler()));
        EXPECT_EQ(taker.calls, 0);
        if (endedFirst) {
            EXPECT_EQ(taker.settings.size(), 1);
        }
        EXPECT_EQ(PackageReadAhead::pendingCount(), 0);
        DocumentPackage::LoadHandler again = taker.handler();
        EXPECT_FALSE(PackageReadAhead::take(package, bound, again));
        settle();
        ASSERT_EQ(taker.calls, 1);
        EXPECT_FALSE(taker.error);
        ASSERT_EQ(taker.settings.size(), 1);
        EXPECT_EQ(taker.settings.first().second, 0);
        ASSERT_TRUE(taker.contents);
        EXPECT_EQ(taker.settings.first().first, taker.contents->settings);
        ASSERT_TRUE(taker.contents && taker.contents->image);
        EXPECT_EQ(taker.contents->image->data(), jpeg);
        EXPECT_TRUE(taker.contents->image->decodeFully());
        EXPECT_EQ(taker.contents->image->cgImage()->size(), QSize(1200, 800));
        PrintDocument opened;
        DocumentPackage::apply(opened, *taker.contents, app);
        EXPECT_EQ(opened.imageRepeatXCount(), 3);
        EXPECT_EQ(decodes, 1);
    }

    PackageReadAhead::begin(package, bound);
    Taker other;
    DocumentPackage::LoadHandler handler = other.handler();
    EXPECT_FALSE(PackageReadAhead::take(package, QSize(400, 400), handler));
    EXPECT_TRUE(handler);
    EXPECT_EQ(PackageReadAhead::pendingCount(), 0);
    PackageReadAhead::begin(package, bound);
    PackageReadAhead::dropAll();
    EXPECT_FALSE(PackageReadAhead::take(package, bound, handler));
    settle();
    EXPECT_EQ(other.calls, 0);
}

// A document being opened takes the package's settings as soon as they are
// parsed, ahead of its picture, so that its window is built with them: at
// once from a read begun ahead that has parsed them, else from the read it
// begins (here only its result is seen: settings first, then the picture).
// No undo step, no edit. A document that has content takes the package
// whole when the read ends, or nothing.
TEST_F(PackageTest, aDocumentBeingOpenedTakesTheSettingsBeforeThePicture) {
    using kestrom::PackageReadAhead;
    using kestrom::PrintJobDocument;
    const auto settle = [] {
        kestrom::DocumentWorkQueue::waitForDone();
        platform::MainThread::drain();
    };
    const auto restore = qScopeGuard([&] {
        PackageReadAhead::dropAll();
        settle();
    });
    const QByteArray jpeg = testpictures::encode(photo(1200, 800), "jpeg", 90);
    const QString package = path(QStringLiteral("Photo.lunvik"));
    writeRepeatedPicturePackage(package, jpeg);
    const QSize bound(200, 200);

    for (const bool readAhead : {true, false}) {
        SCOPED_TRACE(readAhead ? "read begun ahead" : "read of its own");
        if (readAhead) {
            PackageReadAhead::begin(package, bound);
            settle();
        }
        PrintJobDocument opening;
        opening.setQuickDecodeBound(bound);
        // Whether the picture was there each time the settings changed.
        QList<bool> pictureWithSettings;
        const auto watch =
            opening.job().observe(QStringLiteral("imageRepeatXCount"), platform::Observable::New,
                                  [&](const platform::KeyValueChange&) {
                                      pictureWithSettings << bool(opening.job().originalImage());
                                  });
        bool done = false;
        opening.readFromPathInBackground(package, [&](auto error) {
            EXPECT_FALSE(error);
            done = true;
        });
        if (readAhead) {
            EXPECT_EQ(opening.job().imageRepeatXCount(), 3);
        }
        settle();
        ASSERT_TRUE(done);
        EXPECT_EQ(pictureWithSettings, QList<bool>{false});
        EXPECT_EQ(opening.job().imageRepeatXCount(), 3);
        ASSERT_TRUE(opening.job().originalImage());
        EXPECT_EQ(opening.job().originalImage()->data(), jpeg);
        EXPECT_FALSE(opening.isEdited());
        EXPECT_FALSE(opening.undoManager()->canUndo());
    }

    // A document with a picture: its settings change with the picture only.
    PrintJobDocument held;
    held.job().setOriginalImage(pictureOf(jpeg, "/pictures/other.jpg"));
    held.setQuickDecodeBound(bound);
    PackageReadAhead::begin(package, bound);
    settle();
    bool done = false;
    held.readFromPathInBackground(package, [&](auto error) {
        EXPECT_FALSE(error);
        done = true;
    });
    EXPECT_EQ(held.job().imageRepeatXCount(), 1);
    settle();
    ASSERT_TRUE(done);
    EXPECT_EQ(held.job().imageRepeatXCount(), 3);
    EXPECT_EQ(held.job().originalImage()->data(), jpeg);
}

// A package that does not open gives its taker the error its own read would
// have given.
TEST_F(PackageTest, aReadBegunAheadOfADamagedPackageGivesItsError) {
    using kestrom::PackageReadAhead;
    const QString package = path(QStringLiteral("Broken.lunvik"));
    QDir().mkpath(package);
    writeFile(package + "/Settings.plist", "not a property list");
    QString expected;
    try {
        DocumentPackage::load(package);
    } catch (const platform::Error& e) {
        expected = e.localizedDescription();
    }
    ASSERT_FALSE(expected.isEmpty());
    PackageReadAhead::begin(package, QSize(200, 200));
    std::shared_ptr<const platform::Error> error;
    bool called = false;
    DocumentPackage::LoadHandler handler = [&](auto contents, auto e) {
        called = true;
        EXPECT_FALSE(contents);
        error = e;
    };
    ASSERT_TRUE(PackageReadAhead::take(package, QSize(200, 200), handler));
    kestrom::DocumentWorkQueue::waitForDone();
    platform::MainThread::drain();
    ASSERT_TRUE(called);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(), expected);
}

namespace {

// Stands in for the window's geometry: a picture shows at a tenth of the
// view, in device pixels, whatever its placement.
std::optional<QSize> tenthOfTheView(const DocumentSettings::Placement&, const QSizeF& view,
                                    double scale) {
    return (view * scale / 10).toSize();
}

std::optional<QSize> shownNowhere(const DocumentSettings::Placement&, const QSizeF&, double) {
    return std::nullopt;
}

} // namespace

// The settings place the picture as applying them does: the canvas they
// name, the picture's shown size in millimetres, turned, and its turn.
// Settings that leave the model, the canvas or the size open place nothing.
TEST_F(PackageTest, settingsPlaceThePictureAsAppliedWithoutADocument) {
    PrintDocument saved;
    saved.setDeviceDescriptor(model(alderName));
    saved.setOriginalImage(pictureOf(testpictures::encode(photo(160, 120), "png"), "/p/a.png"));
    saved.setCanvas(model(alderName)->canvases().last());
    saved.setImageSize_px({1600, 1200});
    saved.setImageOrientation(ImageRotation::r90);
    const QVariantMap settings = DocumentSettings::dictionaryForSave(saved);

    const auto placement = DocumentSettings::placement(settings);
    ASSERT_TRUE(placement);
    EXPECT_EQ(placement->canvas_mm, saved.canvas()->size_mm());
    EXPECT_EQ(placement->pictureShown_mm, saved.imageSizeForDisplay_mm());
    EXPECT_EQ(placement->pictureShown_mm, (Size_mm{120, 160})); // 10 px a millimetre, turned
    EXPECT_EQ(placement->orientation, ImageRotation::r90);
    PrintDocument opened;
    DocumentSettings::apply(opened, settings, app);
    EXPECT_EQ(placement->pictureShown_mm, opened.imageSizeForDisplay_mm());

    const auto without = [&](const QString& key, const QVariant& value = {}) {
        QVariantMap changed = settings;
        if (value.isValid()) {
            changed.insert(key, value);
        } else {
            changed.remove(key);
        }
        return DocumentSettings::placement(changed);
    };
    EXPECT_FALSE(without(kestrom::DocumentKey::Package::canvasIdentifier));
    EXPECT_FALSE(without(kestrom::DocumentKey::Package::canvasIdentifier, QStringLiteral("B0")));
    EXPECT_FALSE(without(kestrom::DocumentKey::Package::modelName));
    EXPECT_FALSE(without(kestrom::DocumentKey::Package::modelName, QStringLiteral("Oak")));
    EXPECT_FALSE(without(kestrom::DocumentKey::imageSize_px));
    EXPECT_FALSE(
        without(kestrom::DocumentKey::imageSize_px,
                QVariantMap{{QStringLiteral("Width"), 0.0}, {QStringLiteral("Height"), 1200.0}}));
}

// A package's picture is first decoded to the size its settings show it at,
// never beyond the fallback; settings that do not place it, or a placement
// that shows nothing, leave the fallback. Its whole pixels follow alike.
TEST_F(PackageTest, aPictureIsFirstDecodedToTheSizeItsSettingsShowItAt) {
    // The whole decodes wait, so that the first decodes stay to be seen.
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    FullDecode::setHookForTesting([released] {
        released.wait();
        return true;
    });
    std::vector<OriginalImage::Pointer> pictures;
    const auto restore = qScopeGuard([&] {
        release.set_value();
        for (const auto& picture : pictures) {
            EXPECT_TRUE(picture->decodeFully());
        }
        FullDecode::setHookForTesting({});
    });
    const QByteArray jpeg = testpictures::encode(photo(1600, 1200), "jpeg", 90);
    PrintDocument saved;
    saved.setDeviceDescriptor(model(alderName));
    saved.setOriginalImage(pictureOf(jpeg, "/pictures/photo.jpg"));
    saved.setImageSize_px({1600, 1200});
    const QString placed = path(QStringLiteral("Placed.lunvik"));
    DocumentPackage::write(saved, placed);
    const QVariantMap placedSettings = DocumentSettings::dictionaryForSave(saved);
    ASSERT_TRUE(DocumentSettings::placement(placedSettings));
    // The same package whose settings name no canvas.
    QVariantMap unplacedSettings = DocumentSettings::dictionaryForSave(saved);
    unplacedSettings.remove(kestrom::DocumentKey::Package::canvasIdentifier);
    const QString unplaced = packageWith(unplacedSettings, QStringLiteral("Unplaced.lunvik"));
    writeFile(unplaced + u'/' + DocumentPackage::imageDataFileName, jpeg);

    const QSize fallback(800, 800);
    const kestrom::PackageDecodeBound shown(fallback, &tenthOfTheView, QSizeF(1000, 750), 2);
    const auto firstDecode = [&](const QString& package, const kestrom::PackageDecodeBound& bound) {
        const auto contents = DocumentPackage::load(package, bound);
        if (!contents.image) {
            ADD_FAILURE() << "no picture";
            return QSize();
        }
        pictures.push_back(contents.image);
        return contents.image->scaledDecode().size();
    };
    // 1/8 of the picture covers 200 x 150; the fallback needs 1/2.
    EXPECT_EQ(shown.forSettings(placedSettings), QSize(200, 150));
    EXPECT_EQ(firstDecode(placed, shown), QSize(200, 150));
    EXPECT_EQ(firstDecode(placed, fallback), QSize(800, 600));
    EXPECT_EQ(firstDecode(unplaced, shown), QSize(800, 600));
    EXPECT_EQ(
        firstDecode(placed, kestrom::PackageDecodeBound(fallback, &shownNowhere, {1000, 750}, 2)),
        QSize(800, 600));
    // Shown larger than the fallback: the fallback's decode, not a larger one.
    EXPECT_EQ(firstDecode(placed, kestrom::PackageDecodeBound(QSize(300, 300), &tenthOfTheView,
                                                              {10000, 7500}, 2)),
              QSize(400, 300));
    // Without a fallback the picture is decoded whole at once.
    EXPECT_EQ(kestrom::PackageDecodeBound({}, &tenthOfTheView, {1000, 750}, 2)
                  .forSettings(placedSettings),
              QSize());
}

// A photo package's read prepares its picture's gray for the print from the
// whole decode's first rows, in the turn and mirror its settings give, before
// any document takes the picture. The document's own request is that one:
// the gray is made once.
TEST_F(PackageTest, aPhotoPackagesReadPreparesThePrintsGrayOnceFromItsFirstRows) {
    const QByteArray jpeg = testpictures::encode(photo(1600, 1200), "jpeg", 90);
    PrintDocument saved;
    saved.setDeviceDescriptor(model(alderName));
    saved.setOriginalImage(pictureOf(jpeg, "/pictures/photo.jpg"));
    saved.setImageSize_px({1600, 1200});
    saved.setImageOrientation(ImageRotation::r90);
    saved.setFlipsImageHorizontal(true);
    const QString package = path(QStringLiteral("Turned.lunvik"));
    DocumentPackage::write(saved, package);
    platform::OrientedImageCache::waitForPreparations();
    platform::OrientedImageCache::dropKeptGray();
    const int before = platform::OrientedImageCache::colourPicturesMadeGray();

    const auto contents = DocumentPackage::load(package, QSize(400, 400));
    ASSERT_TRUE(contents.image);
    platform::OrientedImageCache::waitForPreparations();
    EXPECT_EQ(platform::OrientedImageCache::colourPicturesMadeGray() - before, 1);

    PrintDocument opened;
    DocumentPackage::apply(opened, contents);
    EXPECT_EQ(opened.imageOrientation(), ImageRotation::r90);
    EXPECT_TRUE(opened.flipsImageHorizontal());
    platform::OrientedImageCache::waitForPreparations();
    EXPECT_EQ(platform::OrientedImageCache::colourPicturesMadeGray() - before, 1);
    // Turned otherwise, it is made again.
    opened.setImageOrientation(ImageRotation::r180);
    platform::OrientedImageCache::waitForPreparations();
    EXPECT_EQ(platform::OrientedImageCache::colourPicturesMadeGray() - before, 2);
}
