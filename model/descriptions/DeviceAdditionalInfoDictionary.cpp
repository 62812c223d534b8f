#include "model/descriptions/DeviceAdditionalInfoDictionary.h"

#include <QJsonObject>

namespace ambrel {

DeviceAdditionalInfoDictionary::DeviceAdditionalInfoDictionary()
    : m_keyedContainers{JsonReader(QJsonObject())} {}

DeviceAdditionalInfoDictionary DeviceAdditionalInfoDictionary::decode(const JsonReader& reader) {
    reader.object(); // refuses anything but an object
    return DeviceAdditionalInfoDictionary(QList<JsonReader>{reader});
}

DeviceAdditionalInfoDictionary
DeviceAdditionalInfoDictionary::merging(const DeviceAdditionalInfoDictionary& preferring) const {
    return DeviceAdditionalInfoDictionary(preferring.m_keyedContainers + m_keyedContainers);
}

} // namespace ambrel
