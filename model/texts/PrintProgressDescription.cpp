#include "model/texts/PrintProgressDescription.h"

#include "model/texts/ProgressDescriptionText.h"

namespace ambrel {

const QStringList& PrintProgressDescription::rawValues() {
    static const QStringList values{
        QStringLiteral("processingImage"),
        QStringLiteral("sendingImageData"),
        QStringLiteral("sendingRemainingImageData"),
        QStringLiteral("preparingForLunvik"),
        QStringLiteral("preparingDataForImage"),
        QStringLiteral("checkingPrinterStatus"),
        QStringLiteral("settingParametersForLunvik"),
        QStringLiteral("settingParametersForPrint"),
        QStringLiteral("movingPrintHead"),
        QStringLiteral("finishingPrint"),
        QStringLiteral("imageDataSendingCompleted"),
        QStringLiteral("startingPrint"),
        QStringLiteral("printing"),
        QStringLiteral("preparingForPrint"),
        QStringLiteral("startingLunvik"),
        QStringLiteral("workingLunvik"),
        QStringLiteral("sequenceAofB"),
        QStringLiteral("sendingCommand"),
        QStringLiteral("readyToExchangeCartridges"),
    };
    return values;
}

const QString& PrintProgressDescription::keyPrefix() {
    static const QString prefix = QStringLiteral("PrintProgress_Description_");
    return prefix;
}

QString PrintProgressDescription::localizedValue() const {
    return localizedValue(LocalizedStringTable::ambrel());
}

QString PrintProgressDescription::localizedValue(const LocalizedStringTable& table) const {
    return ProgressDescriptionText::localizedValue(keyPrefix(), rawValue(), table);
}

} // namespace ambrel
