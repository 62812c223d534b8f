#pragma once

#include "model/descriptions/DeviceAdditionalInfo.h"
#include "model/descriptions/DeviceAdditionalInfoError.h"
#include "model/units/JsonReader.h"

#include <QList>

#include <typeinfo>

namespace ambrel {

// Extra records of a device description that only other parts of the system
// understand. It keeps the raw JSON objects, most preferred first, and decodes
// a record anew on every request.
//
// A key is looked up per top level key: the first object that holds it with a
// value other than null answers as a whole, even when its value does not
// decode; later objects are then not consulted.
class DeviceAdditionalInfoDictionary {
public:
    using Error = DeviceAdditionalInfoError;

    // One view over an empty object.
    DeviceAdditionalInfoDictionary();
    // The value must be a JSON object; anything else fails with typeMismatch.
    static DeviceAdditionalInfoDictionary decode(const JsonReader& reader);

    const QList<JsonReader>& keyedContainers() const { return m_keyedContainers; }

    // Throws Error when no view holds T's key, or the DecodingError of T.
    template <DeviceAdditionalInfo T> T value() const {
        for (const JsonReader& view : m_keyedContainers) {
            if (auto entry = view.optionalKey(T::key())) {
                return T::decode(*entry);
            }
        }
        throw Error(T::key(), QString::fromLatin1(typeid(T).name()));
    }

    // The decoded record, or T's default when it is missing or undecodable.
    template <DeviceAdditionalInfo T> T valueOrDefault() const {
        try {
            return value<T>();
        } catch (const platform::Error&) {
            return T();
        }
    }

    // The preferred dictionary's views, then this dictionary's.
    DeviceAdditionalInfoDictionary merging(const DeviceAdditionalInfoDictionary& preferring) const;

private:
    explicit DeviceAdditionalInfoDictionary(QList<JsonReader> views)
        : m_keyedContainers(std::move(views)) {}

    QList<JsonReader> m_keyedContainers;
};

} // namespace ambrel
