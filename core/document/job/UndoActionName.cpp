#include "core/document/job/UndoActionName.h"

#include "core/document/application/Framework.h"
#include "core/document/application/KestromText.h"

#include <array>

namespace kestrom {

namespace {

constexpr std::array<const char*, 31> names = {
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
              int(names.size()));

} // namespace

const QStringList& UndoActionName::rawValues() {
    static const QStringList values = [] {
        QStringList list;
        for (const char* name : names) {
            list.append(QString::fromLatin1(name));
        }
        return list;
    }();
    return values;
}

QString UndoActionName::displayedName() const {
    return KestromText::optionalText(localizationKey()).value_or(rawValue());
}

} // namespace kestrom
