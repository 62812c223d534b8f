#include "model/DeviceDescriptionDecoder.h"

#include "model/DeviceDescriptionError.h"

#include <variant>

namespace ambrel {

QList<DeviceBaseSerializedInfo> DeviceDescriptionDecoder::resolvedRecords(const QByteArray& json) {
    const JsonReader root = JsonReader::parse(json);

    // Names pass: every entry, base or override, in text order.
    QStringList names;
    for (const JsonReader& entry : root.array()) {
        names.append(entry.key(QStringLiteral("modelName")).string());
    }

    // Entries pass: an entry with the key "baseModelName" is an override.
    QList<DeviceBaseSerializedInfo> bases;
    QList<DeviceOverrideSerializedInfo> overrides;
    for (const JsonReader& entry : root.array()) {
        if (entry.contains(QStringLiteral("baseModelName"))) {
            overrides.append(DeviceOverrideSerializedInfo::decode(entry));
        } else {
            bases.append(DeviceBaseSerializedInfo::decode(entry));
        }
    }

    // Resolve the first override whose base is known, then start again, so
    // that an override may build on another override wherever it stands.
    while (!overrides.isEmpty()) {
        bool resolved = false;
        for (qsizetype i = 0; i < overrides.size() && !resolved; ++i) {
            const DeviceOverrideSerializedInfo& o = overrides[i];
            for (const DeviceBaseSerializedInfo& b : bases) {
                if (b.modelName == o.baseModelName) {
                    bases.append(b.merged(o));
                    overrides.removeAt(i);
                    resolved = true;
                    break;
                }
            }
        }
        if (!resolved) {
            // No remaining override can ever be resolved.
            const DeviceOverrideSerializedInfo& o = overrides.first();
            throw DeviceDescriptionError(DeviceDescriptionError::Case::baseModelNotFound,
                                         o.modelName, o.baseModelName);
        }
    }

    // Text order: derived records were appended after all bases, so each
    // model takes the position of its own entry.
    QList<DeviceBaseSerializedInfo> ordered;
    for (const QString& name : names) {
        const auto it =
            std::find_if(bases.cbegin(), bases.cend(),
                         [&](const DeviceBaseSerializedInfo& b) { return b.modelName == name; });
        if (it != bases.cend() && !it->isDisabled.value_or(false)) {
            ordered.append(*it);
        }
    }
    return ordered;
}

} // namespace ambrel
