#pragma once

#include "model/descriptions/DeviceBaseSerializedInfo.h"

#include <QByteArray>

namespace ambrel {

// Turns a description text into the resolved records of its models: each
// override entry merged onto its base (in any text order, overrides of
// overrides included), in the text order of the entries, disabled models
// dropped.
class DeviceDescriptionDecoder {
public:
    // Throws DecodingError for text that does not decode and
    // DeviceDescriptionError for an override whose base never appears.
    static QList<DeviceBaseSerializedInfo> resolvedRecords(const QByteArray& json);
};

} // namespace ambrel
