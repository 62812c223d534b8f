#pragma once

// The names of the print document's keys, written once. Views observe them as
// "document.<key>", scripts and packages name them; a misspelt name here is a
// compile error everywhere else.

#include <QString>

namespace kestrom::DocumentKey {

// Stored settings.
inline const QString originalImage = QStringLiteral("originalImage");
inline const QString imageSize_px = QStringLiteral("imageSize_px");
inline const QString imageOffset_mm = QStringLiteral("imageOffset_mm");
inline const QString imageOrientation = QStringLiteral("imageOrientation");
inline const QString imageOffsetBase = QStringLiteral("imageOffsetBase");
inline const QString imageOffsetBaseFourCharCode = QStringLiteral("imageOffsetBaseFourCharCode");
inline const QString flipsImageHorizontal = QStringLiteral("flipsImageHorizontal");
inline const QString deviceDescriptor = QStringLiteral("deviceDescriptor");
inline const QString transportType = QStringLiteral("transportType");
inline const QString blackConversionType = QStringLiteral("blackConversionType");
inline const QString canvas = QStringLiteral("canvas");
inline const QString currentDeviceSetting = QStringLiteral("currentDeviceSetting");
inline const QString blackConversionOptions = QStringLiteral("blackConversionOptions");
inline const QString imageRepeatXCount = QStringLiteral("imageRepeatXCount");
inline const QString imageRepeatYCount = QStringLiteral("imageRepeatYCount");
inline const QString imageRepeatXMargin_mm = QStringLiteral("imageRepeatXMargin_mm");
inline const QString imageRepeatYMargin_mm = QStringLiteral("imageRepeatYMargin_mm");
inline const QString minimumSeparatedXMargin_mm = QStringLiteral("minimumSeparatedXMargin_mm");
inline const QString maximumBlackXLength_mm = QStringLiteral("maximumBlackXLength_mm");
inline const QString usesMinimumSeparatedXMargin = QStringLiteral("usesMinimumSeparatedXMargin");
inline const QString usesMaximumBlackXLength = QStringLiteral("usesMaximumBlackXLength");
inline const QString additionalWhitespaceLength_start_mm =
    QStringLiteral("additionalWhitespaceLength_start_mm");
inline const QString additionalWhitespaceLength_end_mm =
    QStringLiteral("additionalWhitespaceLength_end_mm");
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

} // namespace kestrom::DocumentKey
