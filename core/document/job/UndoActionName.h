#pragma once

#include "model/texts/RawValueEnum.h"

namespace kestrom {

// The names of the document's undo steps. The raw value is the case name; the
// Undo menu shows the framework table's text for "PrintDocument_UndoActionName_"
// followed by it, or the raw value when the table has none.
class UndoActionName : public ambrel::RawValueEnum<UndoActionName> {
public:
    enum class Case {
        changingImage,
        addingImage,
        deletingImage,
        changingImageName,
        changingPrinterModel,
        changingCanvas,
        changingTransportType,
        resizingImage,
        movingImage,
        changingOffsetBase,
        rotatingImage,
        changingBlackConversionType,
        changingBitmapConversionThreshold,
        changingBitmapExpansionLevel,
        changingImageBrightness,
        changingHalftoneOption,
        flippingImage,
        changingImageRepeatXCount,
        changingImageRepeatYCount,
        changingImageRepeatXMargin,
        changingImageRepeatYMargin,
        resettingImageRepeatCount,
        resettingImagePosition,
        changingDeviceSetting,
        changingMinimumSeparatedXMargin,
        changingMaximumBlackXLength,
        changingUsesMinimumSeparatedXMargin,
        changingUsesMaximumBlackXLength,
        changingAdditionalWhitespaceLength,
        resettingHorizontalImageSplit,
        resettingBitmapConversionProperties,
    };

    constexpr UndoActionName(Case c) : m_case(c) {}
    constexpr operator Case() const { return m_case; }
    constexpr Case value() const { return m_case; }

    // The 31 names in declaration order.
    static const QStringList& rawValues();

    QString localizationKey() const {
        return QStringLiteral("PrintDocument_UndoActionName_") + rawValue();
    }
    // The title of the step as the Undo menu shows it.
    QString displayedName() const;

    constexpr bool operator==(const UndoActionName&) const = default;

private:
    Case m_case;
};

} // namespace kestrom
