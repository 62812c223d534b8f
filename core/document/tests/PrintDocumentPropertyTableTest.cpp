#include "core/document/tests/DocumentTestSupport.h"

#include "core/document/job/DocumentKey.h"
#include "core/document/job/PrintDocumentPropertyTable.h"
#include "core/document/job/SettingFace.h"
#include "core/document/package/DocumentSettings.h"

#include <QFile>
#include <QRegularExpression>

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

} // namespace
