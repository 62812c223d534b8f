#include "core/document/job/ThresholdWrapper.h"

#include "core/document/job/OptionValue.h"

#include <algorithm>
#include <cmath>

namespace kestrom {

namespace {

const QString thresholdKey = QStringLiteral("threshold");
const QString expansionLevelKey = QStringLiteral("expansionLevel");

QStringList& keys() {
    static QStringList all{thresholdKey, expansionLevelKey};
    return all;
}

} // namespace

ThresholdWrapper::ThresholdWrapper(const Option& rawValue) : m_rawValue(rawValue) {}

void ThresholdWrapper::setRawValue(const Option& rawValue) {
    willChangeValueForKey(thresholdKey);
    willChangeValueForKey(expansionLevelKey);
    m_rawValue = rawValue;
    didChangeValueForKey(expansionLevelKey);
    didChangeValueForKey(thresholdKey);
}

void ThresholdWrapper::setThreshold(double threshold) {
    if (!std::isfinite(threshold)) {
        return;
    }
    notifyChangingValue(thresholdKey, [&] {
        m_rawValue.threshold = Option::ClampedValueRanges::threshold.clamped(threshold);
    });
}

void ThresholdWrapper::setExpansionLevel(qint64 level) {
    notifyChangingValue(expansionLevelKey, [&] {
        m_rawValue.expansionLevel = Option::ClampedValueRanges::expansionLevel.clamped(level);
    });
}

QVariantMap ThresholdWrapper::dictionaryForSave() const {
    return {{thresholdKey, m_rawValue.threshold}, {expansionLevelKey, m_rawValue.expansionLevel}};
}

void ThresholdWrapper::loadDictionaryForSave(const QVariantMap& dictionary) {
    if (auto threshold = OptionValue::finiteNumber(dictionary.value(thresholdKey))) {
        m_rawValue.threshold = Option::ClampedValueRanges::threshold.clamped(*threshold);
    }
    if (auto level = OptionValue::wholeNumber(dictionary.value(expansionLevelKey))) {
        m_rawValue.expansionLevel = Option::ClampedValueRanges::expansionLevel.clamped(*level);
    }
}

QStringList ThresholdWrapper::allKeys() {
    return keys();
}

void ThresholdWrapper::setAllKeys(const QStringList& list) {
    keys() = list;
}

QVariant ThresholdWrapper::valueForKey(const QString& key) const {
    if (key == thresholdKey) {
        return m_rawValue.threshold;
    }
    if (key == expansionLevelKey) {
        return m_rawValue.expansionLevel;
    }
    return Observable::valueForKey(key);
}

void ThresholdWrapper::setValueForKey(const QString& key, const QVariant& value) {
    if (key == thresholdKey) {
        if (auto number = OptionValue::finiteNumber(value)) {
            setThreshold(*number);
        }
    } else if (key == expansionLevelKey) {
        if (auto number = OptionValue::finiteNumber(value)) {
            // Whole levels; the setter clamps, so huge numbers only need to fit.
            setExpansionLevel(qint64(std::clamp(std::trunc(*number), -1e15, 1e15)));
        }
    } else {
        Observable::setValueForKey(key, value);
    }
}

} // namespace kestrom
