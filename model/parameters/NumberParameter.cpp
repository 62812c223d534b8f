#include "model/parameters/NumberParameter.h"

#include <cmath>

namespace ambrel {

namespace {

// round((max - min) / tick) + 1; a count that cannot be a slider's (no
// finite tick, not finite, beyond 64 bits, below one) means no stops.
qint64 stepCount(double min, double max, double tick) {
    if (tick == 0 || !std::isfinite(tick)) {
        return 0;
    }
    const double steps = std::round((max - min) / tick) + 1;
    if (!std::isfinite(steps) || steps < 1 || steps >= 9223372036854775808.0) {
        return 0;
    }
    return qint64(steps);
}

} // namespace

NumberParameter::SerializedInfo NumberParameter::SerializedInfo::decode(const JsonReader& reader) {
    SerializedInfo info;
    info.identifier = reader.key(QStringLiteral("identifier")).string();
    info.pane = reader.optionalString(QStringLiteral("pane"));
    info.minValue = reader.optionalNumber(QStringLiteral("minValue"));
    info.maxValue = reader.optionalNumber(QStringLiteral("maxValue"));
    info.defaultValue = reader.optionalNumber(QStringLiteral("defaultValue"));
    info.tickFrequency = reader.optionalNumber(QStringLiteral("tickFrequency"));
    return info;
}

NumberParameter::NumberParameter(const SerializedInfo& info,
                                 const QList<LocalizedStringTable>& tables)
    : DeviceSettingParameter(info.identifier, info.pane, tables) {
    m_min = info.minValue.value_or(0);
    m_max = info.maxValue.value_or(1.0);
    setDefaultValue(info.defaultValue.value_or(m_min));
    m_numberOfSteps = stepCount(m_min, m_max, info.tickFrequency.value_or(1.0));
}

double NumberParameter::constrainValue(double value) const {
    if (value < m_min) {
        return m_min;
    }
    if (value > m_max) {
        return m_max;
    }
    return value;
}

QVariant NumberParameter::valueForKey(const QString& key) const {
    if (key == QLatin1String("min")) {
        return m_min;
    }
    if (key == QLatin1String("max")) {
        return m_max;
    }
    if (key == QLatin1String("numberOfSteps")) {
        return m_numberOfSteps;
    }
    if (key == QLatin1String("defaultNumber")) {
        return defaultNumber();
    }
    return DeviceSettingParameter::valueForKey(key);
}

} // namespace ambrel
