#include "core/document/tests/PackageTestSupport.h"

#include "core/document/application/DocumentActions.h"
#include "core/document/package/DocumentFileError.h"
#include "core/document/package/SettingsReadingError.h"
#include "platform/tests/support/TestPictures.h"

#include <QProcess>
#include <QTimeZone>

#include <cmath>
#include <limits>

using namespace ambrel;
using namespace documenttest;
using namespace packagetest;
using kestrom::DocumentFileError;
using kestrom::DocumentPackage;
using kestrom::DocumentSettings;
using kestrom::PrintDocument;
using kestrom::SettingsReadingError;

// How a package's settings are written, read, checked and brought into the
// window's ranges.

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
    // the reason given, and the document stays as it was.
    writeFile(newer + "/ImageData", "a picture of a kind yet to come");
    PrintDocument reverted;
    reverted.setImageRepeatXCount(4);
    EXPECT_THROW(DocumentPackage::apply(reverted, DocumentPackage::load(newer), app),
                 SettingsReadingError);
    EXPECT_EQ(reverted.imageRepeatXCount(), 4);
    // An application new enough opens it without the picture.
    const auto contents = DocumentPackage::load(newer);
    EXPECT_NO_THROW(DocumentPackage::apply(reverted, contents, {"Lunvik", "2.0"}));
    EXPECT_EQ(reverted.imageRepeatXCount(), 1);
    EXPECT_FALSE(reverted.originalImage());
    EXPECT_TRUE(DocumentPackage::pictureNotRead(contents));
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
