#include "model/texts/ProgressDescriptionText.h"

namespace ambrel {

QString ProgressDescriptionText::key(const QString& prefix, const QString& rawValue) {
    if (rawValue.isEmpty()) {
        return prefix;
    }
    return prefix + rawValue.left(1).toUpper() + rawValue.mid(1);
}

QString ProgressDescriptionText::localizedValue(const QString& prefix, const QString& rawValue,
                                                const LocalizedStringTable& table) {
    return table.getLocalizedStringOrNull(key(prefix, rawValue)).value_or(rawValue);
}

} // namespace ambrel
