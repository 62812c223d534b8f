#pragma once

#include "model/texts/LocalizedProgressDescription.h"
#include "model/texts/LocalizedStringTable.h"
#include "model/texts/RawValueEnum.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace ambrel {

// A step of a print or a maintenance action.
class PrintProgressDescription : public LocalizedProgressDescription,
                                 public RawValueEnum<PrintProgressDescription> {
public:
    enum Case {
        processingImage,
        sendingImageData,
        sendingRemainingImageData,
        preparingForLunvik,
        preparingDataForImage,
        checkingPrinterStatus,
        settingParametersForLunvik,
        settingParametersForPrint,
        movingPrintHead,
        finishingPrint,
        imageDataSendingCompleted,
        startingPrint,
        printing,
        preparingForPrint,
        startingLunvik,
        workingLunvik,
        sequenceAofB,
        sendingCommand,
        readyToExchangeCartridges,
    };

    PrintProgressDescription(Case value) : m_case(value) {}

    // The case names, in declaration order.
    static const QStringList& rawValues();
    static const QString& keyPrefix();

    Case value() const { return m_case; }
    QString localizedValue() const override;
    QString localizedValue(const LocalizedStringTable& table) const;

    bool operator==(const PrintProgressDescription& other) const { return m_case == other.m_case; }

private:
    Case m_case;
};

} // namespace ambrel
