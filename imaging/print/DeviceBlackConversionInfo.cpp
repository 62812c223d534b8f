#include "imaging/print/DeviceBlackConversionInfo.h"

#include <mutex>

namespace quenta {

namespace {

std::mutex& keyMutex() {
    static std::mutex m;
    return m;
}

QString& storedKey() {
    static QString key = QStringLiteral("BlackConversion");
    return key;
}

} // namespace

DeviceBlackConversionInfo::HalftoneInfo
DeviceBlackConversionInfo::HalftoneInfo::decode(const ambrel::JsonReader& reader) {
    return HalftoneInfo{reader.optionalNumber(QStringLiteral("deviceGamma"))};
}

QJsonObject DeviceBlackConversionInfo::HalftoneInfo::encode() const {
    QJsonObject o;
    if (deviceGamma) {
        o.insert(QStringLiteral("deviceGamma"), *deviceGamma);
    }
    return o;
}

DeviceBlackConversionInfo::ThresholdInfo
DeviceBlackConversionInfo::ThresholdInfo::decode(const ambrel::JsonReader& reader) {
    return ThresholdInfo{reader.optionalBoolean(QStringLiteral("isExpansionAvailable"))};
}

QJsonObject DeviceBlackConversionInfo::ThresholdInfo::encode() const {
    QJsonObject o;
    if (isExpansionAvailable) {
        o.insert(QStringLiteral("isExpansionAvailable"), *isExpansionAvailable);
    }
    return o;
}

QString DeviceBlackConversionInfo::key() {
    std::lock_guard lock(keyMutex());
    return storedKey();
}

void DeviceBlackConversionInfo::setKey(const QString& key) {
    std::lock_guard lock(keyMutex());
    storedKey() = key;
}

DeviceBlackConversionInfo DeviceBlackConversionInfo::decode(const ambrel::JsonReader& reader) {
    DeviceBlackConversionInfo info;
    if (auto h = reader.optionalKey(QStringLiteral("halftone"))) {
        info.halftone = HalftoneInfo::decode(*h);
    }
    if (auto t = reader.optionalKey(QStringLiteral("threshold"))) {
        info.threshold = ThresholdInfo::decode(*t);
    }
    return info;
}

QList<ambrel::BlackConversionType> DeviceBlackConversionInfo::availableConversionTypes() const {
    QList<ambrel::BlackConversionType> types{ambrel::BlackConversionType::threshold};
    if (halftone) {
        types.append(ambrel::BlackConversionType::halftone);
    }
    return types;
}

} // namespace quenta
