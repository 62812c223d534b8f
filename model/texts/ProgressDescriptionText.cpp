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

std::optional<int> ProgressDescriptionText::indexOf(const QStringList& rawValues,
                                                    const QString& rawValue) {
    const qsizetype index = rawValues.indexOf(rawValue);
    if (index < 0) {
        return std::nullopt;
    }
    return int(index);
}

} // namespace ambrel
