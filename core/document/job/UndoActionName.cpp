#include "core/document/job/UndoActionName.h"

#include "core/document/job/ConversionOptionTable.h"
#include "core/document/job/Framework.h"
#include "core/document/job/KestromText.h"
#include "core/document/job/PrintDocumentPropertyTable.h"

namespace kestrom {

const QList<UndoActionName>& UndoActionName::allCases() {
    static const QList<UndoActionName> cases = [] {
        QList<UndoActionName> all = {
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
            changingBlackConversionType,
            resettingImageRepeatCount,
            resettingImagePosition,
            changingDeviceSetting,
            resettingHorizontalImageSplit,
            resettingBitmapConversionProperties,
        };
        const auto add = [&all](const char* rawValue) {
            if (rawValue && !all.contains(UndoActionName(rawValue))) {
                all.append(UndoActionName(rawValue));
            }
        };
#define KESTROM_ADD_ROW_UNDO(type, key, Key, Face, undo, ...) add(#undo);
        KESTROM_PRINT_DOCUMENT_PROPERTIES(KESTROM_ADD_ROW_UNDO)
#undef KESTROM_ADD_ROW_UNDO
        for (const auto& row : ConversionOptionTable::threshold) {
            add(row.undo);
        }
        for (const auto& row : ConversionOptionTable::halftone) {
            add(row.undo);
        }
        return all;
    }();
    return cases;
}

std::optional<UndoActionName> UndoActionName::fromRawValue(const QString& rawValue) {
    for (const UndoActionName& name : allCases()) {
        if (name.rawValue() == rawValue) {
            return name;
        }
    }
    return std::nullopt;
}

QString UndoActionName::displayedName() const {
    return KestromText::optionalText(localizationKey()).value_or(rawValue());
}

} // namespace kestrom
