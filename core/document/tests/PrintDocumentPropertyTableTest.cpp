#include "core/document/tests/DocumentTestSupport.h"

#include "core/document/job/ConversionOptionTable.h"
#include "core/document/job/DocumentKey.h"
#include "core/document/job/PrintDocumentPropertyTable.h"
#include "core/document/job/SettingFace.h"
#include "core/document/package/DocumentSettings.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include <cmath>

using namespace ambrel;
using namespace documenttest;
using kestrom::DocumentSettings;
using kestrom::PrintDocument;
namespace DocumentKey = kestrom::DocumentKey;
namespace SettingFace = kestrom::SettingFace;

namespace {

using PropertyTableTest = DocumentTest;

// The comment at the top of PrintDocument.h, from the observable keys to the
// key paths through owned objects.
QString documentedKeys() {
    QFile header(QStringLiteral(LUNVIK_SOURCE_ROOT "/core/document/job/PrintDocument.h"));
    if (!header.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QString text = QString::fromUtf8(header.readAll());
    const qsizetype start = text.indexOf(QLatin1String("// Observable keys"));
    const qsizetype end = text.indexOf(QLatin1String("// Key paths through owned objects"));
    return start >= 0 && end > start ? text.mid(start, end - start) : QString();
}

TEST_F(PropertyTableTest, theHeadersKeyListNamesEveryKeyAndNothingElse) {
    const QString documented = documentedKeys();
    ASSERT_FALSE(documented.isEmpty());
    const QStringList keys = PrintDocument::allKeys();
    for (const QString& key : keys) {
        const QRegularExpression word(QStringLiteral("\\b%1\\b").arg(key));
        EXPECT_TRUE(word.match(documented).hasMatch()) << key.toStdString();
    }
    // Each line of the stored list starts with the keys it describes.
    const QRegularExpression entry(QStringLiteral("^//   (\\w+(?:, \\w+)*)(?:  |$)"),
                                   QRegularExpression::MultilineOption);
    int entries = 0;
    for (auto it = entry.globalMatch(documented); it.hasNext();) {
        for (const QString& key : it.next().captured(1).split(QStringLiteral(", "))) {
            ++entries;
            EXPECT_TRUE(keys.contains(key)) << key.toStdString();
        }
    }
    EXPECT_GE(entries, 20);
}

// Saved packages and scripts name the plain settings; renaming a row would
// lose them.
TEST_F(PropertyTableTest, thePlainSettingsKeepTheirNamesAndOrder) {
    QStringList rows;
#define ROW_KEY(type, key, ...) rows << DocumentKey::key;
    KESTROM_PRINT_DOCUMENT_PROPERTIES(ROW_KEY)
#undef ROW_KEY
    EXPECT_EQ(rows, (QStringList{"imageOrientation", "flipsImageHorizontal", "imageRepeatXCount",
                                 "imageRepeatYCount", "imageRepeatXMargin_mm",
                                 "imageRepeatYMargin_mm", "usesMinimumSeparatedXMargin",
                                 "usesMaximumBlackXLength", "minimumSeparatedXMargin_mm",
                                 "maximumBlackXLength_mm", "additionalWhitespaceLength_start_mm",
                                 "additionalWhitespaceLength_end_mm"}));
}

// A value of the row's kind other than the default, within the bounds.
QVariant otherValue(const QVariant& current, double lower, double upper) {
    switch (current.typeId()) {
    case QMetaType::Bool:
        return !current.toBool();
    case QMetaType::Int: // a quarter turn
        return (current.toInt() + 1) % 4;
    case QMetaType::LongLong:
        return current.toLongLong() + 2;
    default:
        return std::isfinite(lower) && std::isfinite(upper) ? (lower + upper) / 2 + 0.25
                                                            : current.toDouble() + 7.5;
    }
}

// Every row: a change through its key face is kept by a saved package and
// comes back when the package is applied to a new document.
TEST_F(PropertyTableTest, everyPlainSettingTravelsThroughThePackage) {
    PrintDocument saved;
    QHash<QString, QVariant> written;
#define WRITE_ROW(type, key, Key, Face, undo, lower, upper, ...)                                   \
    written.insert(DocumentKey::key, otherValue(saved.valueForKey(DocumentKey::key), lower, upper));
    KESTROM_PRINT_DOCUMENT_PROPERTIES(WRITE_ROW)
#undef WRITE_ROW
    for (auto it = written.cbegin(); it != written.cend(); ++it) {
        const QVariant before = saved.valueForKey(it.key());
        saved.setValueForKey(it.key(), it.value());
        EXPECT_NE(saved.valueForKey(it.key()), before) << it.key().toStdString();
    }
    const QVariantMap settings = DocumentSettings::dictionaryForSave(saved);

    PrintDocument opened;
    DocumentSettings::apply(opened, settings, DocumentSettings::Application{"Lunvik", "1.0"});
    for (auto it = written.cbegin(); it != written.cend(); ++it) {
        EXPECT_EQ(opened.valueForKey(it.key()), saved.valueForKey(it.key()))
            << it.key().toStdString();
    }
}

// A package without the plain settings gives a new document's values.
TEST_F(PropertyTableTest, missingOrMistypedSettingsGiveTheDefaults) {
    PrintDocument changed;
    changed.setMaximumBlackXLength_mm(44);
    changed.setFlipsImageHorizontal(true);
    changed.setImageRepeatYCount(3);
    changed.setImageOrientation(ImageRotation::r180);
    QVariantMap settings = DocumentSettings::dictionaryForSave(changed);
    settings.insert(DocumentKey::maximumBlackXLength_mm, QStringLiteral("44"));
    settings.insert(DocumentKey::flipsImageHorizontal, 2);
    settings.remove(DocumentKey::imageRepeatYCount);
    settings.insert(DocumentKey::imageOrientation, 9);

    PrintDocument opened;
    DocumentSettings::apply(opened, settings, DocumentSettings::Application{"Lunvik", "1.0"});
    const OriginalImageDrawingOptions defaults;
    EXPECT_EQ(opened.maximumBlackXLength_mm(), defaults.maximumBlackXLength_mm);
    EXPECT_EQ(opened.flipsImageHorizontal(), defaults.flipsImageHorizontal);
    EXPECT_EQ(opened.imageRepeatYCount(), defaults.imageRepeatYCount);
    EXPECT_EQ(opened.imageOrientation(), ImageRotation::none);
}

// The keys each derived value depends on, as its observers rely on them.
const QHash<QString, QStringList>& dependencies() {
    static const QStringList options = {"blackConversionOptions.threshold.threshold",
                                        "blackConversionOptions.threshold.expansionLevel",
                                        "blackConversionOptions.halftone.linesPerInch",
                                        "blackConversionOptions.halftone.angle_deg",
                                        "blackConversionOptions.halftone.brightnessFactor",
                                        "blackConversionOptions.halftone.blackClampFactor",
                                        "blackConversionOptions.halftone.whiteClampFactor"};
    static const QHash<QString, QStringList> lists = {
        {"imageSizeForDisplay_px", {"imageOrientation", "imageSize_px"}},
        {"imageSizeForDisplay_mm", {"imageSizeForDisplay_px", "deviceDescriptor"}},
        {"allImageArea_mm",
         {"deviceDescriptor", "imageOffset_mm", "imageSizeForDisplay_mm", "imageOffsetBase",
          "imageRepeatXCount", "imageRepeatYCount", "imageRepeatXMargin_mm",
          "imageRepeatYMargin_mm"}},
        {"imageOverflownAmount_mm", {"deviceDescriptor", "allImageArea_mm", "canvas"}},
        {"currentBlackConversion", QStringList{"blackConversionType"} + options},
        {"imageBitmapExpansionLevelText", {"blackConversionOptions.threshold.expansionLevel"}},
        {"imageBitmapConversionPropertiesAreDefault", QStringList{"blackConversionType"} + options},
        {"horizontalImageSplitPropertiesAreDefault",
         {"usesMinimumSeparatedXMargin", "usesMaximumBlackXLength", "minimumSeparatedXMargin_mm",
          "maximumBlackXLength_mm"}},
        {"sequences",
         {"originalImage", "deviceDescriptor", "blackConversionOptions.threshold.threshold",
          "blackConversionOptions.threshold.expansionLevel", "imageOffset_mm", "imageSize_px",
          "imageOrientation", "imageOffsetBase", "flipsImageHorizontal", "imageRepeatXCount",
          "imageRepeatYCount", "imageRepeatXMargin_mm", "imageRepeatYMargin_mm",
          "minimumSeparatedXMargin_mm", "maximumBlackXLength_mm", "usesMinimumSeparatedXMargin",
          "usesMaximumBlackXLength", "additionalWhitespaceLength_start_mm",
          "additionalWhitespaceLength_end_mm"}},
    };
    return lists;
}

// The derived values a change of the key announces, through other derived
// values too.
QSet<QString> announcedBy(const QString& key) {
    QSet<QString> announced;
    for (bool grew = true; grew;) {
        grew = false;
        for (auto it = dependencies().cbegin(); it != dependencies().cend(); ++it) {
            if (announced.contains(it.key())) {
                continue;
            }
            const bool depends =
                it.value().contains(key) ||
                std::any_of(it.value().cbegin(), it.value().cend(),
                            [&](const QString& k) { return announced.contains(k); });
            if (depends) {
                announced.insert(it.key());
                grew = true;
            }
        }
    }
    return announced;
}

// The derived values a row's effects name directly.
QSet<QString> namedBy(unsigned effects) {
    using namespace kestrom::PropertyEffect;
    QSet<QString> named;
    if (effects & sequences) {
        named << "sequences";
    }
    if (effects & displaySize) {
        named << "imageSizeForDisplay_px";
    }
    if (effects & imageArea) {
        named << "allImageArea_mm";
    }
    if (effects & splitDefaults) {
        named << "horizontalImageSplitPropertiesAreDefault";
    }
    if (effects & conversion) {
        named << "currentBlackConversion"
              << "imageBitmapConversionPropertiesAreDefault";
    }
    if (effects & expansionText) {
        named << "imageBitmapExpansionLevelText";
    }
    return named;
}

// The derived values that list the key directly.
QSet<QString> listing(const QString& key) {
    QSet<QString> keys;
    for (auto it = dependencies().cbegin(); it != dependencies().cend(); ++it) {
        if (it.value().contains(key)) {
            keys.insert(it.key());
        }
    }
    return keys;
}

struct RowUnderTest {
    QString keyPath;
    unsigned effects;
    QVariant otherValue;
};

QList<RowUnderTest> everyRow(const PrintDocument& document) {
    QList<RowUnderTest> rows;
#define ROW_EFFECTS(type, key, Key, Face, undo, lower, upper, effects)                             \
    rows.append({DocumentKey::key, effects,                                                        \
                 otherValue(document.valueForKey(DocumentKey::key), lower, upper)});
    using namespace kestrom::PropertyEffect;
    KESTROM_PRINT_DOCUMENT_PROPERTIES(ROW_EFFECTS)
#undef ROW_EFFECTS
    const auto addOptions = [&](const QString& group, const auto& table) {
        for (const auto& row : table) {
            const QString path = "blackConversionOptions." + group + "." + row.key;
            const double now = document.valueForKeyPath(path).toDouble();
            const double other = row.fit == kestrom::OptionFit::clamped
                                     ? (now == row.upper ? row.lower : row.upper)
                                     : now + 7;
            rows.append({path, row.effects, other});
        }
    };
    addOptions("threshold", kestrom::ConversionOptionTable::threshold);
    addOptions("halftone", kestrom::ConversionOptionTable::halftone);
    return rows;
}

TEST_F(PropertyTableTest, theDocumentDeclaresEachDerivedValuesDependencies) {
    const PrintDocument document;
    for (auto it = dependencies().cbegin(); it != dependencies().cend(); ++it) {
        const QStringList declared = document.keyPathsAffectingKey(it.key());
        EXPECT_EQ(QSet<QString>(declared.cbegin(), declared.cend()),
                  QSet<QString>(it.value().cbegin(), it.value().cend()))
            << it.key().toStdString();
    }
}

// A row that forgets an effect leaves a view stale without an error; here
// each row's effects are held against the dependency lists, and a change
// of each setting announces exactly the derived values that follow from them.
TEST_F(PropertyTableTest, eachRowsEffectsAreTheDerivedValuesItsChangeAnnounces) {
    PrintDocument document;
    document.setDeviceDescriptor(model(alderName));
    const QStringList derived = dependencies().keys();
    for (const RowUnderTest& row : everyRow(document)) {
        SCOPED_TRACE(row.keyPath.toStdString());
        EXPECT_EQ(namedBy(row.effects), listing(row.keyPath));
        ChangeCounter counter(document, derived);
        const QVariant before = document.valueForKeyPath(row.keyPath);
        // The options object takes every option (the document's own path
        // refuses those without an undo step).
        const QString prefix = DocumentKey::blackConversionOptions + '.';
        if (row.keyPath.startsWith(prefix)) {
            document.blackConversionOptions().setValueForKeyPath(row.keyPath.mid(prefix.size()),
                                                                 row.otherValue);
        } else {
            document.setValueForKeyPath(row.keyPath, row.otherValue);
        }
        ASSERT_NE(document.valueForKeyPath(row.keyPath), before);
        QSet<QString> announced;
        for (const QString& key : derived) {
            if (counter.count(key) > 0) {
                announced.insert(key);
            }
        }
        EXPECT_EQ(announced, announcedBy(row.keyPath));
    }
}

// Undo steps and key paths of the conversion options follow from their rows:
// code names an option by its field, and every field has one row.
TEST_F(PropertyTableTest, theConversionOptionsKeysAreTheirRows) {
    namespace Table = kestrom::ConversionOptionTable;
    using T = ambrel::BlackConversionThresholdOption;
    using H = ambrel::BlackConversionHalftoneOption;
    EXPECT_EQ(Table::optionPath(&T::threshold), "blackConversionOptions.threshold.threshold");
    EXPECT_EQ(Table::optionPath(&T::expansionLevel),
              "blackConversionOptions.threshold.expansionLevel");
    const QStringList halftone = {
        Table::optionPath(&H::linesPerInch), Table::optionPath(&H::angle_deg),
        Table::optionPath(&H::brightnessFactor), Table::optionPath(&H::blackClampFactor),
        Table::optionPath(&H::whiteClampFactor)};
    ASSERT_EQ(halftone.size(), qsizetype(Table::halftone.size()));
    for (size_t i = 0; i < Table::halftone.size(); ++i) {
        EXPECT_EQ(halftone[qsizetype(i)],
                  QStringLiteral("blackConversionOptions.halftone.") + Table::halftone[i].key);
    }
    for (const auto& row : Table::halftone) {
        if (row.undo) {
            EXPECT_TRUE(kestrom::UndoActionName::fromRawValue(row.undo)) << row.key;
        }
    }
}

// The reset returns the options its rows name to the defaults of the
// option structs, and the document tells it is at its defaults exactly then.
TEST_F(PropertyTableTest, theResetReturnsItsRowsToTheStructsDefaults) {
    namespace Table = kestrom::ConversionOptionTable;
    using H = ambrel::BlackConversionHalftoneOption;
    PrintDocument document;
    document.setBlackConversionType(ambrel::BlackConversionType::halftone);
    EXPECT_TRUE(document.imageBitmapConversionPropertiesAreDefault());
    document.setValueForKeyPath(Table::optionPath(&H::brightnessFactor), 0.3);
    document.setValueForKeyPath(Table::optionPath(&H::whiteClampFactor), 0.2);
    EXPECT_FALSE(document.imageBitmapConversionPropertiesAreDefault());
    document.resetBlackConversionProperties({ambrel::BlackConversionType::halftone});
    EXPECT_EQ(document.blackConversionOptions().halftone().rawValue(), H{});
    EXPECT_TRUE(document.imageBitmapConversionPropertiesAreDefault());

    // The screen is not the reset's: lines per inch stay.
    document.setValueForKeyPath(Table::optionPath(&H::linesPerInch), 45.0);
    document.resetBlackConversionProperties({ambrel::BlackConversionType::halftone});
    EXPECT_EQ(document.blackConversionOptions().halftone().rawValue().linesPerInch, 45.0);
    EXPECT_FALSE(document.imageBitmapConversionPropertiesAreDefault());

    document.setBlackConversionType(ambrel::BlackConversionType::threshold);
    document.setValueForKeyPath(
        Table::optionPath(&ambrel::BlackConversionThresholdOption::threshold), 0.7);
    document.resetBlackConversionProperties({ambrel::BlackConversionType::threshold});
    EXPECT_EQ(document.blackConversionOptions().threshold().rawValue(),
              ambrel::BlackConversionThresholdOption{});
}
} // namespace
