#include "core/document/job/HalftoneWrapper.h"

#include "core/document/job/OptionValue.h"

#include <cmath>

namespace kestrom {

namespace {

const QString linesPerInchKey = QStringLiteral("linesPerInch");
const QString angleKey = QStringLiteral("angle_deg");
const QString brightnessKey = QStringLiteral("brightnessFactor");
const QString blackClampKey = QStringLiteral("blackClampFactor");
const QString whiteClampKey = QStringLiteral("whiteClampFactor");

QStringList& keys() {
    static QStringList all{linesPerInchKey, angleKey, brightnessKey, blackClampKey, whiteClampKey};
    return all;
}

// The keys a saved document keeps: all but the angle.
const QStringList savedKeys{linesPerInchKey, brightnessKey, blackClampKey, whiteClampKey};

} // namespace

HalftoneWrapper::HalftoneWrapper(const Option& rawValue) : m_rawValue(rawValue) {}

void HalftoneWrapper::setRawValue(const Option& rawValue) {
    const QStringList all{linesPerInchKey, angleKey, brightnessKey, blackClampKey, whiteClampKey};
    for (const QString& key : all) {
        willChangeValueForKey(key);
    }
    m_rawValue = rawValue;
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        didChangeValueForKey(*it);
    }
}

void HalftoneWrapper::setLinesPerInch(double value) {
    store(linesPerInchKey, value);
}
void HalftoneWrapper::setAngle_deg(double value) {
    store(angleKey, value);
}
void HalftoneWrapper::setBrightnessFactor(double value) {
    store(brightnessKey, value);
}
void HalftoneWrapper::setBlackClampFactor(double value) {
    store(blackClampKey, value);
}
void HalftoneWrapper::setWhiteClampFactor(double value) {
    store(whiteClampKey, value);
}

std::optional<double> HalftoneWrapper::fitted(const QString& key, double value) const {
    if (key == linesPerInchKey) {
        return value;
    }
    if (key == angleKey) {
        return std::remainder(value, 360.0);
    }
    if (key == brightnessKey) {
        return Option::ClampedValueRanges::brightnessFactor.clamped(value);
    }
    if (key == blackClampKey) {
        return Option::ClampedValueRanges::blackClampFactor.clamped(value);
    }
    if (key == whiteClampKey) {
        return Option::ClampedValueRanges::whiteClampFactor.clamped(value);
    }
    return std::nullopt;
}

double* HalftoneWrapper::field(const QString& key) {
    if (key == linesPerInchKey) {
        return &m_rawValue.linesPerInch;
    }
    if (key == angleKey) {
        return &m_rawValue.angle_deg;
    }
    if (key == brightnessKey) {
        return &m_rawValue.brightnessFactor;
    }
    if (key == blackClampKey) {
        return &m_rawValue.blackClampFactor;
    }
    if (key == whiteClampKey) {
        return &m_rawValue.whiteClampFactor;
    }
    return nullptr;
}

void HalftoneWrapper::store(const QString& key, double value) {
    const auto stored = fitted(key, value);
    if (!stored || !std::isfinite(value)) {
        return;
    }
    notifyChangingValue(key, [&] { *field(key) = *stored; });
}

QVariantMap HalftoneWrapper::dictionaryForSave() const {
    QVariantMap dictionary;
    for (const QString& key : savedKeys) {
        dictionary.insert(key, valueForKey(key));
    }
    return dictionary;
}

void HalftoneWrapper::loadDictionaryForSave(const QVariantMap& dictionary) {
    for (const QString& key : savedKeys) {
        if (auto number = OptionValue::finiteNumber(dictionary.value(key))) {
            *field(key) = *fitted(key, *number);
        }
    }
}

QStringList HalftoneWrapper::allKeys() {
    return keys();
}

void HalftoneWrapper::setAllKeys(const QStringList& list) {
    keys() = list;
}

QVariant HalftoneWrapper::valueForKey(const QString& key) const {
    if (double* value = const_cast<HalftoneWrapper*>(this)->field(key)) {
        return *value;
    }
    return Observable::valueForKey(key);
}

void HalftoneWrapper::setValueForKey(const QString& key, const QVariant& value) {
    if (!field(key)) {
        Observable::setValueForKey(key, value);
        return;
    }
    if (auto number = OptionValue::finiteNumber(value)) {
        store(key, *number);
    }
}

} // namespace kestrom
