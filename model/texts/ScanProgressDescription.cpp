#include "model/texts/ScanProgressDescription.h"

#include "model/texts/ProgressDescriptionText.h"

namespace ambrel {

const QStringList& ScanProgressDescription::rawValues() {
    static const QStringList values{
        QStringLiteral("moving"),
        QStringLiteral("analyzingImage"),
        QStringLiteral("startingScan"),
        QStringLiteral("scanning"),
        QStringLiteral("finishedScan"),
        QStringLiteral("connectingToScanner"),
        QStringLiteral("turningScannerOff"),
        QStringLiteral("transferringImageFromScanner"),
    };
    return values;
}

const QString& ScanProgressDescription::keyPrefix() {
    static const QString prefix = QStringLiteral("ScanProgress_Description_");
    return prefix;
}

QString ScanProgressDescription::localizedValue() const {
    return localizedValue(LocalizedStringTable::ambrel());
}

QString ScanProgressDescription::localizedValue(const LocalizedStringTable& table) const {
    return ProgressDescriptionText::localizedValue(keyPrefix(), rawValue(), table);
}

} // namespace ambrel
