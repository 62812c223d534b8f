#pragma once

#include "model/units/JsonReader.h"

#include <QString>

#include <concepts>

namespace ambrel {

// A typed record kept in a device description's additional information: it
// names the key its JSON value stands under, decodes itself from that value
// and has a default for models that lack it or whose value does not decode.
template <typename T>
concept DeviceAdditionalInfo = std::default_initializable<T> && requires(const JsonReader& r) {
    { T::key() } -> std::convertible_to<QString>;
    { T::decode(r) } -> std::same_as<T>;
};

} // namespace ambrel
