#pragma once

// The names of the print document's keys, written once. Views observe them as
// "document.<key>", scripts and packages name them; a misspelt name here is a
// compile error everywhere else.

#include "core/document/job/PrintDocumentPropertyTable.h"

#include <QString>

namespace kestrom::DocumentKey {

// The plain settings, from the property table.
#define KESTROM_DOCUMENT_KEY(type, key, ...) inline const QString key = QStringLiteral(#key);
KESTROM_PRINT_DOCUMENT_PROPERTIES(KESTROM_DOCUMENT_KEY)
#undef KESTROM_DOCUMENT_KEY

// The other stored settings.
inline const QString originalImage = QStringLiteral("originalImage");
inline const QString imageSize_px = QStringLiteral("imageSize_px");
inline const QString imageOffset_mm = QStringLiteral("imageOffset_mm");
inline const QString imageOffsetBase = QStringLiteral("imageOffsetBase");
inline const QString imageOffsetBaseFourCharCode = QStringLiteral("imageOffsetBaseFourCharCode");
inline const QString deviceDescriptor = QStringLiteral("deviceDescriptor");
inline const QString transportType = QStringLiteral("transportType");
inline const QString blackConversionType = QStringLiteral("blackConversionType");
inline const QString canvas = QStringLiteral("canvas");
inline const QString currentDeviceSetting = QStringLiteral("currentDeviceSetting");
inline const QString blackConversionOptions = QStringLiteral("blackConversionOptions");
inline const QString inViewingMode = QStringLiteral("inViewingMode");
inline const QString lastDeviceSettingInfos = QStringLiteral("lastDeviceSettingInfos");

// Derived values.
inline const QString imageSizeForDisplay_px = QStringLiteral("imageSizeForDisplay_px");
inline const QString imageSizeForDisplay_mm = QStringLiteral("imageSizeForDisplay_mm");
inline const QString allImageArea_mm = QStringLiteral("allImageArea_mm");
inline const QString imageOverflownAmount_mm = QStringLiteral("imageOverflownAmount_mm");
inline const QString imageOriginalSizeDescription = QStringLiteral("imageOriginalSizeDescription");
inline const QString currentBlackConversion = QStringLiteral("currentBlackConversion");
inline const QString imageBitmapExpansionLevelText =
    QStringLiteral("imageBitmapExpansionLevelText");
inline const QString imageBitmapConversionPropertiesAreDefault =
    QStringLiteral("imageBitmapConversionPropertiesAreDefault");
inline const QString horizontalImageSplitPropertiesAreDefault =
    QStringLiteral("horizontalImageSplitPropertiesAreDefault");
// No value of its own: announced whenever the print's parts move.
inline const QString sequences = QStringLiteral("sequences");

// "document.<key>", the path a view observes through its document.
inline QString viewPath(const QString& key) {
    return QStringLiteral("document.") + key;
}

// The keys of "originalImage.<key>".
namespace Picture {
inline const QString vector = QStringLiteral("vector");
inline const QString widthPerHeight = QStringLiteral("widthPerHeight");
inline const QString fileName = QStringLiteral("fileName");
inline const QString filePath = QStringLiteral("filePath");
inline const QString fileURL = QStringLiteral("fileURL");
inline const QString sizeInfoText = QStringLiteral("sizeInfoText");
} // namespace Picture

// The names a saved package gives what has no document key of the same name.
// The plain settings are saved under their own keys.
namespace Package {
inline const QString minimumApplicationVersion = QStringLiteral("minimumApplicationVersion");
inline const QString imageOriginalFileURL = QStringLiteral("imageOriginalFileURL");
inline const QString imageOriginalFileURLBookmarkData =
    QStringLiteral("imageOriginalFileURLBookmarkData");
inline const QString imageBitmapConversionThreshold =
    QStringLiteral("imageBitmapConversionThreshold");
inline const QString imageBitmapExpansionLevel = QStringLiteral("imageBitmapExpansionLevel");
inline const QString modelName = QStringLiteral("modelName");
inline const QString canvasIdentifier = QStringLiteral("canvasIdentifier");
inline const QString transportTypeIdentifier = QStringLiteral("transportTypeIdentifier");
inline const QString imageBlackConversionType = QStringLiteral("imageBlackConversionType");
inline const QString imageBlackConversionOptions = QStringLiteral("imageBlackConversionOptions");
// The fields of a saved point and size.
inline const QString x = QStringLiteral("X");
inline const QString y = QStringLiteral("Y");
inline const QString width = QStringLiteral("Width");
inline const QString height = QStringLiteral("Height");
} // namespace Package

// The properties a script reads on a document (the document interface of the
// scripting service).
namespace Script {
inline const QString name = QStringLiteral("name");
inline const QString modelName = QStringLiteral("modelName");
inline const QString imageOffsetBase = QStringLiteral("imageOffsetBase");
} // namespace Script

// The two groups of conversion options under "blackConversionOptions"; an
// option's own key is its row's (ConversionOptionTable::optionPath).
namespace OptionGroup {
inline const QString threshold = QStringLiteral("threshold");
inline const QString halftone = QStringLiteral("halftone");
} // namespace OptionGroup

} // namespace kestrom::DocumentKey
