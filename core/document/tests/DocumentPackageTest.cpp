#include "core/document/tests/DocumentTestSupport.h"

#include "core/document/application/DocumentActions.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/document/package/DocumentFileError.h"
#include "core/document/package/DocumentPackage.h"
#include "core/document/package/DocumentSettings.h"
#include "core/document/package/DocumentWorkQueue.h"
#include "core/document/package/PackageReadAhead.h"
#include "core/document/package/SettingsReadingError.h"
#include "model/pictures/FullDecode.h"
#include "model/pictures/OriginalImageError.h"
#include "platform/MainThread.h"
#include "platform/PropertyList.h"
#include "platform/graphics/OrientedImageCache.h"
#include "platform/tests/support/TestPictures.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QScopeGuard>
#include <QTimeZone>

#include <atomic>
#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <future>
#include <limits>
#include <linux/capability.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace ambrel;
using namespace documenttest;
using kestrom::DocumentFileError;
using kestrom::DocumentPackage;
using kestrom::DocumentSettings;
using kestrom::PrintDocument;
using kestrom::SettingsReadingError;

namespace {

const DocumentSettings::Application app{QStringLiteral("Lunvik"), QStringLiteral("1.9.3")};

class PackageTest : public DocumentTest {
protected:
    QString path(const QString& name) const { return m_folder.filePath(name); }

    static void writeFile(const QString& path, const QByteArray& data) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
    }

    // A package of the settings alone.
    QString packageWith(const QVariant& settings, const QString& name = "Job.lunvik") {
        const QString package = path(name);
        QDir().mkpath(package);
        writeFile(package + "/Settings.plist",
                  platform::PropertyList::toData(settings, platform::PropertyList::Format::Binary));
        return package;
    }

    // A saved document's settings with some keys replaced or removed.
    QVariantMap savedSettings(const QVariantMap& changes = {}, const QStringList& removed = {}) {
        PrintDocument document;
        QVariantMap settings = DocumentSettings::dictionaryForSave(document);
        for (auto it = changes.begin(); it != changes.end(); ++it) {
            settings.insert(it.key(), it.value());
        }
        for (const QString& key : removed) {
            settings.remove(key);
        }
        return settings;
    }

    static QString damageOf(const std::function<void()>& body) {
        try {
            body();
        } catch (const platform::Error& error) {
            return error.domain() + ' ' + QString::number(error.code()) + ": " +
                   error.localizedDescription() + ' ' +
                   error.localizedRecoverySuggestion().value_or(QString());
        }
        return "no error";
    }
};

QImage photo(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x ^ y) & 0xff));
        }
    }
    return image;
}

OriginalImage::Pointer pictureOf(const QByteArray& data, const QString& location) {
    return OriginalImage::fromData(data, QUrl::fromLocalFile(location));
}

// A package of the picture, repeated three times across.
void writeRepeatedPicturePackage(const QString& package, const QByteArray& picture) {
    PrintDocument saved;
    saved.setOriginalImage(pictureOf(picture, "/pictures/photo.jpg"));
    saved.setImageRepeatXCount(3);
    DocumentPackage::write(saved, package);
}

TEST_F(PackageTest, aSavedDocumentReadsBackWithEveryValue) {
    PrintDocument saved;
    saved.setDeviceDescriptor(model(alderName));
    saved.setOriginalImage(
        pictureOf(testpictures::encode(photo(40, 30), "png"), "/pictures/a b.png"));
    saved.setImageSize_px({400, 300});
    saved.setImageOffset_mm({12.5, -3.25});
    saved.setImageOrientation(ImageRotation::r270);
    saved.setFlipsImageHorizontal(true);
    saved.setImageOffsetBase(OffsetBase::bottomRight);
    saved.setCanvas(model(alderName)->canvases().at(1));
    saved.setTransportType(TransportType::wifi);
    saved.setImageRepeatXCount(3);
    saved.setImageRepeatYCount(2);
    saved.setImageRepeatXMargin_mm(4.5);
    saved.setImageRepeatYMargin_mm(1.5);
    saved.setUsesMinimumSeparatedXMargin(false);
    saved.setUsesMaximumBlackXLength(false);
    saved.setMinimumSeparatedXMargin_mm(80);
    saved.setMaximumBlackXLength_mm(200);
    saved.setAdditionalWhitespaceLength_start_mm(7);
    saved.setAdditionalWhitespaceLength_end_mm(9);
    saved.setBlackConversionType(BlackConversionType::halftone);
    saved.setValueForKeyPath("blackConversionOptions.threshold.threshold", 0.3);
    saved.setValueForKeyPath("blackConversionOptions.threshold.expansionLevel", 2);
    saved.setValueForKeyPath("blackConversionOptions.halftone.linesPerInch", 45.0);
    saved.setValueForKeyPath("currentDeviceSetting.speed", 8);
    saved.setValueForKeyPath("currentDeviceSetting.mode", "fast");
    DocumentPackage::write(saved, path("Job.lunvik"));

    PrintDocument opened;
    opened.blackConversionOptions().halftone().setValueForKey("angle_deg", 12.0);
    DocumentPackage::apply(opened, DocumentPackage::load(path("Job.lunvik")), app);

    EXPECT_EQ(DocumentSettings::dictionaryForSave(opened),
              DocumentSettings::dictionaryForSave(saved));
    EXPECT_EQ(opened.transportType(), TransportType::wifi);
    EXPECT_EQ(opened.currentDeviceSetting()->values().value("speed").toDouble(), 8);
    ASSERT_TRUE(opened.originalImage());
    EXPECT_EQ(opened.originalImage()->data(), saved.originalImage()->data());
    EXPECT_EQ(opened.originalImage()->fileURL(), QUrl::fromLocalFile("/pictures/a b.png"));
    // No key holds the screen's angle: it stays as it was.
    EXPECT_EQ(opened.blackConversionOptions().halftone().valueForKey("angle_deg").toDouble(), 12.0);
    // Reading is no step a user could undo.
    EXPECT_FALSE(opened.undoManager()->canUndo());
    EXPECT_TRUE(opened.undoManager()->isUndoRegistrationEnabled());

    // The thumbnail is the picture as a JPEG at full size.
    QImage thumbnail(path("Job.lunvik/QuickLook/Thumbnail.jpg"));
    EXPECT_EQ(thumbnail.size(), QSize(40, 30));
    EXPECT_EQ(QFileInfo(path("Job.lunvik/ImageData")).size(), saved.originalImage()->data().size());
}

TEST_F(PackageTest, settingsHaveTheirTypesForOtherTools) {
    PrintDocument document;
    document.setOriginalImage(picture(20, 10));
    DocumentPackage::write(document, path("Job.lunvik"));

    QProcess plistutil;
    plistutil.start("plistutil", {"-i", path("Job.lunvik/Settings.plist")});
    if (!plistutil.waitForFinished(60000) || plistutil.exitCode() != 0) {
        GTEST_SKIP() << "plistutil is not available";
    }
    const QString xml = QString::fromUtf8(plistutil.readAllStandardOutput()).simplified();
    EXPECT_TRUE(xml.contains("<key>minimumApplicationVersion</key> <string>1.0</string>"))
        << xml.toStdString();
    EXPECT_TRUE(xml.contains(QString("<key>imageOffsetBase</key> <integer>%1</integer>")
                                 .arg(*OffsetBase::center.fourCharCode())));
    EXPECT_TRUE(xml.contains("<key>imageOffset_mm</key> <dict> <key>X</key> <real>0"));
    EXPECT_TRUE(xml.contains("<key>Y</key> <real>0"));
    EXPECT_TRUE(xml.contains("<key>Width</key> <real>"));
    EXPECT_FALSE(xml.contains("Bookmark"));
    // Every key under its own name, with its type.
    const QVariantMap settings =
        platform::PropertyList::readFile(path("Job.lunvik/Settings.plist")).toMap();
    const QMap<QString, int> types{
        {"minimumApplicationVersion", QMetaType::QString},
        {"currentDeviceSetting", QMetaType::QVariantMap},
        {"imageOriginalFileURL", QMetaType::QString},
        {"imageBitmapConversionThreshold", QMetaType::Double},
        {"imageOffset_mm", QMetaType::QVariantMap},
        {"imageSize_px", QMetaType::QVariantMap},
        {"imageOrientation", QMetaType::LongLong},
        {"flipsImageHorizontal", QMetaType::Bool},
        {"modelName", QMetaType::QString},
        {"imageOffsetBase", QMetaType::LongLong},
        {"imageRepeatXCount", QMetaType::LongLong},
        {"imageRepeatYCount", QMetaType::LongLong},
        {"imageRepeatXMargin_mm", QMetaType::Double},
        {"imageRepeatYMargin_mm", QMetaType::Double},
        {"usesMinimumSeparatedXMargin", QMetaType::Bool},
        {"usesMaximumBlackXLength", QMetaType::Bool},
        {"minimumSeparatedXMargin_mm", QMetaType::Double},
        {"maximumBlackXLength_mm", QMetaType::Double},
        {"imageBitmapExpansionLevel", QMetaType::LongLong},
        {"additionalWhitespaceLength_start_mm", QMetaType::Double},
        {"additionalWhitespaceLength_end_mm", QMetaType::Double},
        {"canvasIdentifier", QMetaType::QString},
        {"imageBlackConversionType", QMetaType::QString},
        {"imageBlackConversionOptions", QMetaType::QVariantMap},
    };
    EXPECT_EQ(settings.keys(), types.keys());
    for (auto it = settings.begin(); it != settings.end(); ++it) {
        EXPECT_EQ(it.value().typeId(), types.value(it.key())) << it.key().toStdString();
    }
    EXPECT_EQ(settings.value("imageSize_px").toMap().value("Height").typeId(), QMetaType::Double);
    // The device setting's own anchor is left out: the document's is the one.
    EXPECT_FALSE(settings.value("currentDeviceSetting").toMap().contains("imageOffsetBase"));
}

TEST_F(PackageTest, versionsOrderTheirNumbersAsNumbers) {
    EXPECT_GT(DocumentSettings::compareVersions("1.10", "1.9"), 0);
    EXPECT_GT(DocumentSettings::compareVersions("2.0", "1.9.3"), 0);
    EXPECT_LT(DocumentSettings::compareVersions("1.0", "1.0.1"), 0);
    EXPECT_EQ(DocumentSettings::compareVersions("1.9", "1.9"), 0);
    EXPECT_EQ(DocumentSettings::compareVersions("1.09", "1.9"), 0);

    PrintDocument document;
    const QString newer = packageWith(savedSettings({{"minimumApplicationVersion", "2.0"}}));
    try {
        DocumentPackage::apply(document, DocumentPackage::load(newer), app);
        FAIL() << "a document of a newer application opened";
    } catch (const SettingsReadingError& error) {
        EXPECT_EQ(error.errorCase(), SettingsReadingError::Case::documentWasMadeOnHigherVersionApp);
        EXPECT_EQ(error.payload(), QStringList({"2.0", "1.9.3"}));
        EXPECT_EQ(error.localizedRecoverySuggestion(),
                  "It needs version 2.0 or later; this is version 1.9.3.");
    }
    const QString tenth =
        packageWith(savedSettings({{"minimumApplicationVersion", "1.10"}}), "Tenth.lunvik");
    EXPECT_THROW(DocumentPackage::apply(document, DocumentPackage::load(tenth), {"Lunvik", "1.9"}),
                 SettingsReadingError);
    EXPECT_NO_THROW(
        DocumentPackage::apply(document, DocumentPackage::load(tenth), {"Lunvik", "1.10"}));

    // A newer application's picture this one cannot decode: the version is
    // the reason given, not damage.
    writeFile(newer + "/ImageData", "a picture of a kind yet to come");
    EXPECT_THROW(DocumentPackage::apply(document, DocumentPackage::load(newer), app),
                 SettingsReadingError);
    // Otherwise the damage is the reason, and the document stays as it was.
    PrintDocument reverted;
    reverted.setImageRepeatXCount(4);
    EXPECT_THROW(DocumentPackage::apply(reverted, DocumentPackage::load(newer), {"Lunvik", "2.0"}),
                 platform::Error);
    EXPECT_EQ(reverted.imageRepeatXCount(), 4);
}

TEST_F(PackageTest, aModelNoPluginServesIsRefusedByName) {
    PrintDocument document;
    auto reasonFor = [&](const QVariantMap& settings) -> QStringList {
        try {
            DocumentPackage::apply(document, DocumentPackage::load(packageWith(settings)), app);
        } catch (const SettingsReadingError& error) {
            EXPECT_EQ(error.errorCase(), SettingsReadingError::Case::deviceIsNotSupported);
            return error.payload();
        }
        return {};
    };
    EXPECT_EQ(reasonFor(savedSettings({{"modelName", "alder"}})),
              QStringList({"Lunvik", "1.9.3", "alder"}));
    EXPECT_EQ(reasonFor(savedSettings({}, {"modelName"})),
              QStringList({"Lunvik", "1.9.3", "None"}));
    EXPECT_EQ(reasonFor(savedSettings({{"modelName", 7}})),
              QStringList({"Lunvik", "1.9.3", "None"}));
}

TEST_F(PackageTest, theMessageShortensALongModelName) {
    PrintDocument document;
    auto errorFor = [&](const QString& name) -> std::optional<SettingsReadingError> {
        try {
            DocumentPackage::apply(
                document, DocumentPackage::load(packageWith(savedSettings({{"modelName", name}}))),
                app);
        } catch (const SettingsReadingError& error) {
            return error;
        }
        return std::nullopt;
    };
    const auto shortName = errorFor("alder");
    ASSERT_TRUE(shortName);
    EXPECT_EQ(shortName->localizedDescription(),
              "Lunvik 1.9.3 does not support the model “alder” this document was made for.");

    // 64 characters are shown whole; longer names keep 63 and an ellipsis.
    const QString fits(64, QLatin1Char('m'));
    const auto fitting = errorFor(fits);
    ASSERT_TRUE(fitting);
    EXPECT_TRUE(fitting->localizedDescription().contains("“" + fits + "”"));

    const QString huge = QString(100000, QLatin1Char('x'));
    const auto tooLong = errorFor(huge);
    ASSERT_TRUE(tooLong);
    EXPECT_EQ(tooLong->localizedDescription(), "Lunvik 1.9.3 does not support the model “" +
                                                   QString(63, QLatin1Char('x')) +
                                                   "…” this document was made for.");
    EXPECT_EQ(tooLong->payload().last(), huge);

    // A character made of two code units is kept whole or left out whole.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x96\xA8");
    const auto pairs = errorFor(QString(62, QLatin1Char('p')) + emoji + emoji);
    ASSERT_TRUE(pairs);
    EXPECT_TRUE(pairs->localizedDescription().contains("“" + QString(62, QLatin1Char('p')) + "…”"));
}

TEST_F(PackageTest, missingAndStrangeValuesTakeTheirDefaults) {
    PrintDocument document;
    document.setImageRepeatXCount(5);
    document.setUsesMaximumBlackXLength(false);
    document.setImageOrientation(ImageRotation::r90);
    const QVariantMap settings =
        savedSettings({{"modelName", cedarName},
                       {"imageOrientation", 4},
                       {"imageBlackConversionType", "Halftone"},
                       {"imageOffset_mm", QVariantMap{{"X", "left"}, {"Y", 2.0}}},
                       {"imageSize_px", QVariantMap{{"Width", 12.9}, {"Height", 5}}},
                       {"canvasIdentifier", "B5"},
                       {"imageBitmapConversionThreshold", 7.5}},
                      {"imageRepeatXCount", "minimumSeparatedXMargin_mm", "usesMaximumBlackXLength",
                       "imageBlackConversionOptions"});
    DocumentPackage::apply(document, DocumentPackage::load(packageWith(settings)), app);
    EXPECT_EQ(document.deviceDescriptor(), model(cedarName));
    EXPECT_EQ(document.imageOrientation(), ImageRotation::none);
    EXPECT_EQ(document.imageRepeatXCount(), 1);
    EXPECT_EQ(document.minimumSeparatedXMargin_mm(), 70.0);
    EXPECT_TRUE(document.usesMaximumBlackXLength());
    EXPECT_EQ(document.blackConversionType(), BlackConversionType::threshold);
    EXPECT_EQ(document.imageOffset_mm(), (Point_mm{0, 0}));
    EXPECT_EQ(document.imageSize_px(), (Size_px{12, 5}));
    // A canvas the model does not have counts as none named.
    PrintDocument cedar;
    cedar.setDeviceDescriptor(model(cedarName));
    ASSERT_TRUE(document.canvas() && cedar.canvas());
    EXPECT_EQ(document.canvas()->identifier(), cedar.canvas()->identifier());
    EXPECT_EQ(document.blackConversionOptions().threshold().rawValue().threshold, 1.0);

    DocumentPackage::apply(document,
                           DocumentPackage::load(packageWith(
                               savedSettings({{"imageOrientation", -1}}), "Second.lunvik")),
                           app);
    EXPECT_EQ(document.imageOrientation(), ImageRotation::none);
}

TEST_F(PackageTest, everyKeyOfAnyOtherTypeOpensAndSavesAgain) {
    const double inf = std::numeric_limits<double>::infinity();
    const QVariantList strange{QVariant("text"),
                               QVariant(qint64(-1)),
                               QVariant(std::numeric_limits<qint64>::max()),
                               QVariant(std::numeric_limits<qint64>::min()),
                               QVariant(std::nan("")),
                               QVariant(inf),
                               QVariant(-inf),
                               QVariant(1e300),
                               QVariant(true),
                               QVariant(QByteArray("\0\1")),
                               QVariant(QDateTime::fromSecsSinceEpoch(0, QTimeZone::utc())),
                               QVariant(QVariantList{1, "a"}),
                               QVariant(QVariantMap{{"X", inf},
                                                    {"Y", "a"},
                                                    {"Width", -inf},
                                                    {"Height", std::nan("")},
                                                    {"speed", inf},
                                                    {"threshold", QVariantMap{}}})};
    const QStringList keys = savedSettings().keys();
    ASSERT_GE(keys.size(), 20);
    int n = 0;
    for (const QString& key : keys) {
        for (const QVariant& value : strange) {
            PrintDocument document;
            const QString package =
                packageWith(savedSettings({{key, value}}), QString("P%1.lunvik").arg(++n));
            try {
                DocumentPackage::read(document, package);
            } catch (const platform::Error&) {
                // Only the model and the anchor are required; a picture's
                // location says the package lost its picture.
                const bool namesPicture =
                    key == "imageOriginalFileURL" && value.typeId() == QMetaType::QString;
                EXPECT_TRUE(key == "modelName" || key == "imageOffsetBase" || namesPicture)
                    << key.toStdString() << " refused " << value.toString().toStdString();
                continue;
            }
            // Whatever was read is a document that saves and opens again.
            const QVariant saved =
                platform::PropertyList::fromData(DocumentSettings::settingsDataForSave(document));
            ASSERT_TRUE(saved.isValid()) << key.toStdString();
            for (const QVariant& number : saved.toMap()) {
                if (number.typeId() == QMetaType::Double) {
                    EXPECT_TRUE(std::isfinite(number.toDouble())) << key.toStdString();
                }
            }
            const QVariantMap offset = saved.toMap().value("imageOffset_mm").toMap();
            EXPECT_TRUE(std::isfinite(offset.value("X").toDouble())) << key.toStdString();
        }
    }
}

TEST_F(PackageTest, theAnchorMustBeACodeAndFallsBackToAnAllowedOne) {
    PrintDocument document;
    auto apply = [&](const QVariantMap& settings) {
        static int n = 0;
        DocumentPackage::apply(
            document, DocumentPackage::load(packageWith(settings, QString("P%1.lunvik").arg(++n))),
            app);
    };
    // Birch allows topLeft and top only.
    apply(savedSettings({{"modelName", birchName},
                         {"imageOffsetBase", qint64(*OffsetBase::bottomRight.fourCharCode())}}));
    EXPECT_EQ(document.imageOffsetBase(), OffsetBase::topLeft);
    apply(savedSettings(
        {{"modelName", birchName}, {"imageOffsetBase", qint64(*OffsetBase::top.fourCharCode())}}));
    EXPECT_EQ(document.imageOffsetBase(), OffsetBase::top);

    for (const QVariant& bad :
         {QVariant(qint64(1) << 40), QVariant("center"), QVariant(qint64(5))}) {
        try {
            apply(savedSettings({{"imageOffsetBase", bad}}));
            ADD_FAILURE() << "took " << bad.toString().toStdString();
        } catch (const platform::Error& error) {
            EXPECT_EQ(error.domain(), DocumentFileError::osStatusDomain);
            EXPECT_EQ(error.code(), -4);
        }
    }
}

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
// is refused as too large, read whole or for a quick first look, and the
// document stays as it was.
TEST_F(PackageTest, aPictureBeyondTheLimitsRefusesThePackageAsTooLarge) {
    QByteArray jpeg = testpictures::encode(photo(64, 48), "jpeg", 90);
    const qsizetype frame = jpeg.indexOf(QByteArray("\xff\xc0", 2));
    ASSERT_GT(frame, 0);
    // Height and width of 65000 each: billions of pixels.
    jpeg.replace(frame + 5, 4, QByteArray::fromHex("fde8fde8"));
    PrintDocument saved;
    saved.setOriginalImage(pictureOf(testpictures::encode(photo(64, 48), "jpeg", 90), "/p.jpg"));
    DocumentPackage::write(saved, path("Huge.lunvik"));
    writeFile(path("Huge.lunvik/ImageData"), jpeg);
    for (const QSize bound : {QSize(), QSize(200, 200)}) {
        SCOPED_TRACE(bound.width());
        const auto contents = DocumentPackage::load(path("Huge.lunvik"), bound);
        EXPECT_FALSE(contents.image);
        EXPECT_EQ(contents.pictureRefusal, platform::PictureRefusal::tooLarge);
        ASSERT_TRUE(contents.fingerprint);
        EXPECT_TRUE(contents.fingerprint->hasDigests());
        PrintDocument opened;
        try {
            DocumentPackage::apply(opened, contents, app);
            ADD_FAILURE() << "applied";
        } catch (const OriginalImageError& e) {
            EXPECT_EQ(e.errorCase(), OriginalImageError::Case::tooLarge);
            EXPECT_TRUE(e.localizedDescription().contains(QStringLiteral("Huge.lunvik")));
        }
        EXPECT_FALSE(opened.originalImage());
    }
    // A picture that merely does not decode is still damage to the package.
    writeFile(path("Huge.lunvik/ImageData"), jpeg.left(jpeg.size() / 2));
    PrintDocument opened;
    EXPECT_TRUE(damageOf([&] {
                    DocumentPackage::apply(opened, DocumentPackage::load(path("Huge.lunvik")), app);
                }).contains("Its picture is damaged."));
}

TEST_F(PackageTest, damagedPackagesAreRefusedWithAReason) {
    PrintDocument document;
    document.setOriginalImage(picture(10, 10));
    DocumentPackage::write(document, path("Good.lunvik"));
    auto copyOfGood = [&](const QString& name) {
        const QString target = path(name);
        QDir().mkpath(target);
        for (const QString& member : {"Settings.plist", "ImageData"}) {
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

    const QString badPicture = copyOfGood("BadPicture.lunvik");
    writeFile(badPicture + "/ImageData", "\x89PNG\r\n\x1a\n and then nothing");
    EXPECT_TRUE(refusal(badPicture).contains("Its picture is damaged."));
    const QString emptyPicture = copyOfGood("EmptyPicture.lunvik");
    writeFile(emptyPicture + "/ImageData", "");
    EXPECT_TRUE(refusal(emptyPicture).contains("Its picture is damaged."));
    // A page wider than PDF allows is no picture either, and ends nothing.
    const QString hugePage = copyOfGood("HugePage.lunvik");
    writeFile(hugePage + "/ImageData",
              testpictures::pdfWithMediaBox("0 0 10000000000000000000 500"));
    EXPECT_TRUE(refusal(hugePage).contains("Its picture is damaged."));

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
    for (const QString& saved : {"Job.lunvik", "Plain.lunvik"}) {
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

} // namespace

namespace {

TEST_F(PackageTest, aPackageThatLostItsPictureIsRefusedOneSavedWithoutOpens) {
    PrintDocument document;
    document.setOriginalImage(picture(10, 10));
    DocumentPackage::write(document, path("Lost.lunvik"));
    QFile::remove(path("Lost.lunvik/ImageData"));
    EXPECT_EQ(damageOf([&] { DocumentPackage::read(document, path("Lost.lunvik")); }),
              "NSCocoaErrorDomain 259: The document “Lost.lunvik” cannot be opened because it "
              "is damaged. Its picture is missing.");
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
    DocumentPackage::apply(opened, DocumentPackage::load(path("Empty.lunvik")), app);
    EXPECT_FALSE(opened.originalImage());
    EXPECT_EQ(opened.imageRepeatXCount(), 3);
}

// Values no setter of the window makes are brought into its ranges; what
// its setters make stays as saved.
TEST_F(PackageTest, placementValuesNoSetterMakesAreBroughtIntoTheRangesOfTheWindow) {
    // Alder prints 10 pixels per millimetre: a side of 800 mm is 8000 pixels.
    auto opened = [&](const QVariantMap& changes) {
        static int n = 0;
        auto document = std::make_unique<PrintDocument>();
        DocumentPackage::apply(*document,
                               DocumentPackage::load(packageWith(savedSettings(changes),
                                                                 QString("P%1.lunvik").arg(++n))),
                               app);
        return document;
    };
    auto size = [](double width, double height) {
        return QVariantMap{{"Width", width}, {"Height", height}};
    };
    const auto huge = opened({{"modelName", alderName},
                              {"imageSize_px", size(2147483647.0, 2147483647.0)},
                              {"imageOffset_mm", QVariantMap{{"X", 1e9}, {"Y", -1e300}}},
                              {"imageRepeatXMargin_mm", 1e12},
                              {"imageRepeatYMargin_mm", -5.0},
                              {"imageRepeatXCount", qint64(1) << 40},
                              {"minimumSeparatedXMargin_mm", 1e9}});
    EXPECT_EQ(huge->imageSize_px(), (Size_px{8000, 8000}));
    EXPECT_EQ(huge->imageOffset_mm(), (Point_mm{1e6, -1e6}));
    EXPECT_EQ(huge->imageRepeatXMargin_mm(), 300.0);
    EXPECT_EQ(huge->imageRepeatYMargin_mm(), 0.0);
    EXPECT_EQ(huge->imageRepeatXCount(), 50);
    EXPECT_EQ(huge->minimumSeparatedXMargin_mm(), 600.0);

    // Sides longer than any picture at its actual size, neither typed nor
    // fitted, keep their proportion.
    EXPECT_EQ(
        opened({{"modelName", alderName}, {"imageSize_px", size(100000, 20000)}})->imageSize_px(),
        (Size_px{8000, 1600}));
    // The arrow keys move a picture beyond the fields' 300 mm.
    EXPECT_EQ(opened({{"modelName", alderName},
                      {"imageOffset_mm", QVariantMap{{"X", 450.0}, {"Y", -1200.5}}}})
                  ->imageOffset_mm(),
              (Point_mm{450, -1200.5}));
    // A raster picture at its actual size, a page at its actual size, a
    // width typed for a tall picture: each stays as saved, as do small sizes.
    for (const Size_px& made : {Size_px{20000, 12000}, Size_px{40000, 40000}, Size_px{20, 9000000},
                                Size_px{8000, 30}, Size_px{12, 7}}) {
        EXPECT_EQ(opened({{"modelName", alderName},
                          {"imageSize_px", size(double(made.width), double(made.height))}})
                      ->imageSize_px(),
                  made);
    }
}

// A picture set to its actual size, wider than the longest side the fields
// take, reopens at the size it was saved with.
TEST_F(PackageTest, aPictureAtItsActualSizeReopensAtThatSize) {
    // 10000 pixels at 300 dpi are 846.7 mm.
    PrintDocument saved;
    saved.setDeviceDescriptor(model(birchName));
    saved.setOriginalImage(pictureOf(testpictures::encode(photo(10000, 40), "png"), "/wide.png"));
    kestrom::DocumentActions::resizeImageToActualSize(saved);
    ASSERT_EQ(saved.imageSize_px(), (Size_px{10000, 40}));
    ASSERT_GT(saved.imageSizeForDisplay_mm().width, 800.0);
    DocumentPackage::write(saved, path("Wide.lunvik"));

    PrintDocument opened;
    DocumentPackage::apply(opened, DocumentPackage::load(path("Wide.lunvik")), app);
    EXPECT_EQ(opened.imageSize_px(), (Size_px{10000, 40}));
    EXPECT_EQ(opened.imageSizeForDisplay_mm(), saved.imageSizeForDisplay_mm());
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
