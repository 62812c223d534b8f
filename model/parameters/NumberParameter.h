#pragma once

#include "model/parameters/DeviceSettingParameter.h"
#include "model/units/JsonReader.h"

namespace ambrel {

// A setting chosen on a slider between min and max.
class NumberParameter : public DeviceSettingParameter {
public:
    struct SerializedInfo {
        QString identifier;
        std::optional<QString> pane;
        std::optional<double> minValue;
        std::optional<double> maxValue;
        std::optional<double> defaultValue;
        std::optional<double> tickFrequency;

        static SerializedInfo decode(const JsonReader& reader);
    };

    NumberParameter(const SerializedInfo& info, const QList<LocalizedStringTable>& tables);

    Kind kind() const override { return Kind::number; }

    double min() const { return m_min; }
    void setMin(double min) { m_min = min; }
    double max() const { return m_max; }
    void setMax(double max) { m_max = max; }
    // The slider's stops; 0 for a slider without stops, which is also what a
    // tick frequency of 0 or one that is not finite gives.
    qint64 numberOfSteps() const { return m_numberOfSteps; }
    void setNumberOfSteps(qint64 steps) { m_numberOfSteps = steps; }
    double defaultNumber() const { return defaultValue().toDouble(); }

    // Below min gives min, above max gives max; no snapping to stops. NaN
    // comes back unchanged.
    double constrainValue(double value) const;

    // Adds "min", "max", "numberOfSteps" and "defaultNumber".
    QVariant valueForKey(const QString& key) const override;

private:
    double m_min = 0;
    double m_max = 1.0;
    qint64 m_numberOfSteps = 0;
};

} // namespace ambrel
