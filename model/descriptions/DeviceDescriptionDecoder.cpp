#include "model/descriptions/DeviceDescriptionDecoder.h"

#include "model/descriptions/DeviceDescriptionError.h"

#include <QHash>

#include <functional>
#include <queue>
#include <variant>
#include <vector>

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

    // An override is resolved once its base is known; of those that can be,
    // the earliest in the text goes first, so that an override may build on
    // another override wherever it stands. A name keeps the first record made
    // under it.
    QHash<QString, qsizetype> recordOfName;
    for (qsizetype i = 0; i < bases.size(); ++i) {
        if (!recordOfName.contains(bases[i].modelName)) {
            recordOfName.insert(bases[i].modelName, i);
        }
    }
    QHash<QString, QList<qsizetype>> waitingOn;
    std::priority_queue<qsizetype, std::vector<qsizetype>, std::greater<>> ready;
    for (qsizetype i = 0; i < overrides.size(); ++i) {
        if (recordOfName.contains(overrides[i].baseModelName)) {
            ready.push(i);
        } else {
            waitingOn[overrides[i].baseModelName].append(i);
        }
    }
    qsizetype resolvedCount = 0;
    while (!ready.empty()) {
        const DeviceOverrideSerializedInfo& o = overrides[ready.top()];
        ready.pop();
        bases.append(bases[recordOfName.value(o.baseModelName)].merged(o));
        ++resolvedCount;
        if (!recordOfName.contains(o.modelName)) {
            recordOfName.insert(o.modelName, bases.size() - 1);
            for (const qsizetype waiting : waitingOn.take(o.modelName)) {
                ready.push(waiting);
            }
        }
    }
    if (resolvedCount < overrides.size()) {
        // The earliest override that no base will ever reach.
        qsizetype first = overrides.size();
        for (const QList<qsizetype>& waiting : std::as_const(waitingOn)) {
            first = std::min(first, waiting.first());
        }
        const DeviceOverrideSerializedInfo& o = overrides[first];
        throw DeviceDescriptionError(DeviceDescriptionError::Case::baseModelNotFound, o.modelName,
                                     o.baseModelName);
    }

    // Text order: each model takes the position of its own entry.
    QList<DeviceBaseSerializedInfo> ordered;
    for (const QString& name : names) {
        const auto it = recordOfName.constFind(name);
        if (it != recordOfName.cend() && !bases[*it].isDisabled.value_or(false)) {
            ordered.append(bases[*it]);
        }
    }
    return ordered;
}

} // namespace ambrel
