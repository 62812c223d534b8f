#pragma once

#include "model/texts/LocalizedAdditionalProgressDescription.h"
#include "model/texts/LocalizedStringTable.h"
#include "model/texts/RawValueEnum.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace ambrel {

// What the user does while the device waits for a cartridge exchange.
class PrintProgressAdditionalDescription : public LocalizedAdditionalProgressDescription,
                                           public RawValueEnum<PrintProgressAdditionalDescription> {
public:
    enum Case {
        clickCancelWhenCartridgeExchangeIsCompleted,
        moveHeadToFrontAndClickCancelWhenCartridgeExchangeIsCompleted,
    };

    PrintProgressAdditionalDescription(Case value) : m_case(value) {}

    // The case names, in declaration order.
    static const QStringList& rawValues();
    static const QString& keyPrefix();

    Case value() const { return m_case; }
    QString localizedValue() const override;
    QString localizedValue(const LocalizedStringTable& table) const;

    bool operator==(const PrintProgressAdditionalDescription& other) const {
        return m_case == other.m_case;
    }

private:
    Case m_case;
};

} // namespace ambrel
