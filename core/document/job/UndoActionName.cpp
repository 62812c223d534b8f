#include "core/document/job/UndoActionName.h"

#include "core/document/application/Framework.h"

#include <array>

namespace kestrom {

namespace {

constexpr std::array<const char*, 31> rawValues = {
    "changingImage",
    "addingImage",
    "deletingImage",
    "changingImageName",
    "changingPrinterModel",
    "changingCanvas",
    "changingTransportType",
    "resizingImage",
    "movingImage",
    "changingOffsetBase",
    "rotatingImage",
    "changingBlackConversionType",
    "changingBitmapConversionThreshold",
    "changingBitmapExpansionLevel",
    "changingImageBrightness",
    "changingHalftoneOption",
    "flippingImage",
    "changingImageRepeatXCount",
    "changingImageRepeatYCount",
    "changingImageRepeatXMargin",
    "changingImageRepeatYMargin",
    "resettingImageRepeatCount",
    "resettingImagePosition",
    "changingDeviceSetting",
    "changingMinimumSeparatedXMargin",
    "changingMaximumBlackXLength",
    "changingUsesMinimumSeparatedXMargin",
    "changingUsesMaximumBlackXLength",
    "changingAdditionalWhitespaceLength",
    "resettingHorizontalImageSplit",
    "resettingBitmapConversionProperties",
};

static_assert(int(UndoActionName::Case::resettingBitmapConversionProperties) + 1 ==
              int(rawValues.size()));

} // namespace

QList<UndoActionName> UndoActionName::allCases() {
    QList<UndoActionName> list;
    for (size_t i = 0; i < rawValues.size(); ++i) {
        list.append(Case(i));
    }
    return list;
}

std::optional<UndoActionName> UndoActionName::fromRawValue(const QString& rawValue) {
    for (size_t i = 0; i < rawValues.size(); ++i) {
        if (rawValue == QLatin1String(rawValues[i])) {
            return Case(i);
        }
    }
    return std::nullopt;
}

QString UndoActionName::rawValue() const {
    return QString::fromLatin1(rawValues[size_t(m_case)]);
}

QString UndoActionName::displayedName() const {
    return Framework::frameworkStringTable()
        .getLocalizedStringOrNull(localizationKey())
        .value_or(rawValue());
}

} // namespace kestrom
