#pragma once

#include "model/texts/LocalizedProgressDescription.h"
#include "model/texts/LocalizedStringTable.h"
#include "model/texts/RawValueEnum.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace ambrel {

// A step of a scan.
class ScanProgressDescription : public LocalizedProgressDescription,
                                public RawValueEnum<ScanProgressDescription> {
public:
    enum Case {
        moving,
        analyzingImage,
        startingScan,
        scanning,
        finishedScan,
        connectingToScanner,
        turningScannerOff,
        transferringImageFromScanner,
    };

    ScanProgressDescription(Case value) : m_case(value) {}

    // The case names, in declaration order.
    static const QStringList& rawValues();
    static const QString& keyPrefix();

    Case value() const { return m_case; }
    QString localizedValue() const override;
    QString localizedValue(const LocalizedStringTable& table) const;

    bool operator==(const ScanProgressDescription& other) const { return m_case == other.m_case; }

private:
    Case m_case;
};

} // namespace ambrel
