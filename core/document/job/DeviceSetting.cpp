#include "core/document/job/DeviceSetting.h"

#include "core/document/job/DocumentKey.h"
#include "model/parameters/AnyValue.h"
#include "model/parameters/BoolParameter.h"
#include "model/parameters/NumberParameter.h"
#include "model/parameters/PickParameter.h"

#include <QDebug>

#include <cmath>
#include <limits>

namespace kestrom {

using ambrel::AnyValue;
using ambrel::BlackConversionType;
using ambrel::DeviceSettingParameter;
using ambrel::OffsetBase;

namespace {

// The four fields a saved setting keeps besides the parameters.
const QString& imageOffsetBaseKey = kestrom::DocumentKey::imageOffsetBase;
const QString& canvasIdentifierKey = kestrom::DocumentKey::Package::canvasIdentifier;
const QString& transportTypeIdentifierKey = kestrom::DocumentKey::Package::transportTypeIdentifier;
const QString& blackConversionTypeKey = kestrom::DocumentKey::blackConversionType;

bool isInteger(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

std::optional<QString> text(const QVariant& value) {
    if (value.typeId() == QMetaType::QString) {
        return value.toString();
    }
    return std::nullopt;
}

} // namespace

DeviceSetting::DeviceSetting() = default;

DeviceSetting::DeviceSetting(const ambrel::DeviceDescriptor& descriptor)
    : m_parameters(descriptor.parameterProperties()) {
    for (const auto& parameter : descriptor.parameterProperties()) {
        // Nothing is stored for a parameter without a default: a saved
        // dictionary has no placeholder for it.
        if (parameter->defaultValue().isValid()) {
            setValueForKey(parameter->identifier(), parameter->defaultValue());
        }
    }
}

DeviceSetting::DeviceSetting(const DeviceSetting& other)
    : Observable(other), m_values(other.m_values), m_imageOffsetBase(other.m_imageOffsetBase),
      m_canvasIdentifier(other.m_canvasIdentifier),
      m_transportTypeIdentifier(other.m_transportTypeIdentifier),
      m_blackConversionType(other.m_blackConversionType), m_parameters(other.m_parameters) {}

DeviceSetting& DeviceSetting::operator=(const DeviceSetting& other) {
    Observable::operator=(other);
    m_values = other.m_values;
    m_imageOffsetBase = other.m_imageOffsetBase;
    m_canvasIdentifier = other.m_canvasIdentifier;
    m_transportTypeIdentifier = other.m_transportTypeIdentifier;
    m_blackConversionType = other.m_blackConversionType;
    m_parameters = other.m_parameters;
    return *this;
}

DeviceSetting::~DeviceSetting() = default;

std::shared_ptr<DeviceSetting> DeviceSetting::withDefaultsOfModelName(const QString& modelName) {
    for (const auto& descriptor : ambrel::DeviceDescriptor::supported()) {
        if (descriptor->modelName() == modelName) {
            return std::make_shared<DeviceSetting>(*descriptor);
        }
    }
    return nullptr;
}

std::shared_ptr<DeviceSetting> DeviceSetting::copy() const {
    return std::make_shared<DeviceSetting>(*this);
}

void DeviceSetting::setValues(const QVariantMap& values) {
    notifyChangingValue(QStringLiteral("values"), [&] { m_values = values; });
}

QVariant DeviceSetting::valueForKey(const QString& key) const {
    return m_values.value(key);
}

void DeviceSetting::setValueForKey(const QString& key, const QVariant& value) {
    notifyChangingValue(key, [&] {
        if (value.isValid()) {
            m_values.insert(key, value);
        } else {
            m_values.remove(key);
        }
    });
}

QVariantMap DeviceSetting::dictionaryForSave() const {
    QVariantMap dictionary;
    for (auto it = m_values.begin(); it != m_values.end(); ++it) {
        if (it.value().isValid()) {
            dictionary.insert(it.key(), it.value());
        }
    }
    if (m_imageOffsetBase) {
        dictionary.insert(imageOffsetBaseKey, m_imageOffsetBase->rawValue());
    }
    if (m_canvasIdentifier) {
        dictionary.insert(canvasIdentifierKey, *m_canvasIdentifier);
    }
    if (m_transportTypeIdentifier) {
        dictionary.insert(transportTypeIdentifierKey, *m_transportTypeIdentifier);
    }
    if (m_blackConversionType) {
        dictionary.insert(blackConversionTypeKey, m_blackConversionType->rawValue());
    }
    return dictionary;
}

void DeviceSetting::loadDictionaryForSave(const QVariantMap& dictionary) {
    QVariantMap rest = dictionary;
    if (rest.contains(imageOffsetBaseKey)) {
        const QVariant value = rest.take(imageOffsetBaseKey);
        if (isInteger(value)) {
            // A four-character code; a number outside 32 bits names no anchor.
            const qint64 code = value.toLongLong();
            if (code >= std::numeric_limits<qint32>::min() &&
                code <= std::numeric_limits<qint32>::max()) {
                if (auto anchor = OffsetBase::fromFourCharCode(qint32(code))) {
                    m_imageOffsetBase = anchor;
                }
            }
        } else if (auto name = text(value)) {
            if (auto anchor = OffsetBase::fromRawValue(*name)) {
                m_imageOffsetBase = anchor;
            }
        }
    }
    if (rest.contains(canvasIdentifierKey)) {
        if (auto identifier = text(rest.take(canvasIdentifierKey))) {
            m_canvasIdentifier = identifier;
        }
    }
    if (rest.contains(transportTypeIdentifierKey)) {
        if (auto identifier = text(rest.take(transportTypeIdentifierKey))) {
            m_transportTypeIdentifier = identifier;
        }
    }
    if (rest.contains(blackConversionTypeKey)) {
        if (auto name = text(rest.take(blackConversionTypeKey))) {
            if (auto type = BlackConversionType::fromRawValue(*name)) {
                m_blackConversionType = type;
            }
        }
    }
    for (auto it = rest.begin(); it != rest.end(); ++it) {
        loadValue(it.key(), it.value());
    }
}

void DeviceSetting::loadValue(const QString& key, const QVariant& value) {
    if (!value.isValid()) {
        return;
    }
    const auto known = parameter(key);
    if (!known) {
        m_values.insert(key, value);
        return;
    }
    switch (known->kind()) {
    case DeviceSettingParameter::Kind::number: {
        if (!AnyValue::isNumber(value) || !std::isfinite(value.toDouble())) {
            return;
        }
        const auto* number = static_cast<const ambrel::NumberParameter*>(known.get());
        m_values.insert(key, number->constrainValue(value.toDouble()));
        return;
    }
    case DeviceSettingParameter::Kind::boolean:
        if (value.typeId() == QMetaType::Bool) {
            m_values.insert(key, value);
        }
        return;
    case DeviceSettingParameter::Kind::pick: {
        const auto* pick = static_cast<const ambrel::PickParameter*>(known.get());
        const auto identifier = text(value);
        for (const auto& item : pick->items()) {
            if (identifier && item->identifier() == *identifier) {
                m_values.insert(key, value);
                return;
            }
        }
        return;
    }
    }
}

std::shared_ptr<const DeviceSettingParameter> DeviceSetting::parameter(const QString& key) const {
    // The last parameter of an identifier is the one whose default counts.
    for (auto it = m_parameters.rbegin(); it != m_parameters.rend(); ++it) {
        if ((*it)->identifier() == key) {
            return *it;
        }
    }
    return nullptr;
}

QString DeviceSetting::description() const {
    QString text;
    QDebug(&text).nospace() << dictionaryForSave();
    return text;
}

} // namespace kestrom
