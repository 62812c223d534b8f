#include "core/document/job/ThresholdWrapper.h"

#include "core/document/job/DocumentKey.h"
#include "core/document/job/OptionValue.h"

#include <algorithm>
#include <cmath>

namespace kestrom {

namespace {

namespace Key = DocumentKey::Threshold;

} // namespace

ThresholdWrapper::ThresholdWrapper(const Option& rawValue) : m_rawValue(rawValue) {}

void ThresholdWrapper::setRawValue(const Option& rawValue) {
    willChangeValueForKey(Key::threshold);
    willChangeValueForKey(Key::expansionLevel);
    m_rawValue = rawValue;
    didChangeValueForKey(Key::expansionLevel);
    didChangeValueForKey(Key::threshold);
}

void ThresholdWrapper::setThreshold(double threshold) {
    if (!std::isfinite(threshold)) {
        return;
    }
    notifyChangingValue(Key::threshold, [&] {
        m_rawValue.threshold = Option::ClampedValueRanges::threshold.clamped(threshold);
    });
}

void ThresholdWrapper::setExpansionLevel(qint64 level) {
    notifyChangingValue(Key::expansionLevel, [&] {
        m_rawValue.expansionLevel = Option::ClampedValueRanges::expansionLevel.clamped(level);
    });
}

QVariantMap ThresholdWrapper::dictionaryForSave() const {
    return {{Key::threshold, m_rawValue.threshold},
            {Key::expansionLevel, m_rawValue.expansionLevel}};
}

void ThresholdWrapper::loadDictionaryForSave(const QVariantMap& dictionary) {
    if (auto threshold = OptionValue::finiteNumber(dictionary.value(Key::threshold))) {
        m_rawValue.threshold = Option::ClampedValueRanges::threshold.clamped(*threshold);
    }
    if (auto level = OptionValue::wholeNumber(dictionary.value(Key::expansionLevel))) {
        m_rawValue.expansionLevel = Option::ClampedValueRanges::expansionLevel.clamped(*level);
    }
}

QStringList ThresholdWrapper::allKeys() {
    return {Key::threshold, Key::expansionLevel};
}

std::optional<UndoActionName> ThresholdWrapper::undoActionName(const QString& key) {
    if (key == Key::threshold) {
        return UndoActionName::Case::changingBitmapConversionThreshold;
    }
    if (key == Key::expansionLevel) {
        return UndoActionName::Case::changingBitmapExpansionLevel;
    }
    return std::nullopt;
}

QVariant ThresholdWrapper::valueForKey(const QString& key) const {
    if (key == Key::threshold) {
        return m_rawValue.threshold;
    }
    if (key == Key::expansionLevel) {
        return m_rawValue.expansionLevel;
    }
    return Observable::valueForKey(key);
}

void ThresholdWrapper::setValueForKey(const QString& key, const QVariant& value) {
    if (key == Key::threshold) {
        if (auto number = OptionValue::finiteNumber(value)) {
            setThreshold(*number);
        }
    } else if (key == Key::expansionLevel) {
        if (auto number = OptionValue::finiteNumber(value)) {
            // Whole levels; the setter clamps, so huge numbers only need to fit.
            setExpansionLevel(qint64(std::clamp(std::trunc(*number), -1e15, 1e15)));
        }
    } else {
        Observable::setValueForKey(key, value);
    }
}

} // namespace kestrom
