#include "model/texts/PrintProgressAdditionalDescription.h"

#include "model/texts/ProgressDescriptionText.h"

namespace ambrel {

const QStringList& PrintProgressAdditionalDescription::rawValues() {
    static const QStringList values{
        QStringLiteral("clickCancelWhenCartridgeExchangeIsCompleted"),
        QStringLiteral("moveHeadToFrontAndClickCancelWhenCartridgeExchangeIsCompleted"),
    };
    return values;
}

const QString& PrintProgressAdditionalDescription::keyPrefix() {
    static const QString prefix = QStringLiteral("PrintProgress_AdditionalDescription_");
    return prefix;
}

QString PrintProgressAdditionalDescription::localizedValue() const {
    return localizedValue(LocalizedStringTable::ambrel());
}

QString
PrintProgressAdditionalDescription::localizedValue(const LocalizedStringTable& table) const {
    return ProgressDescriptionText::localizedValue(keyPrefix(), rawValue(), table);
}

} // namespace ambrel
