#pragma once

#include "core/inspector/InspectorPageDescriptor.h"

#include "model/units/JsonReader.h"

#include <QList>
#include <QStringList>

#include <optional>

namespace kestrom {

// A model's own say on its inspector, kept in its description's additional
// information: which pages are tabs, and pages of its own.
struct DeviceInspectorInfo {
    std::optional<QStringList> inspectorTabPages;
    std::optional<QList<InspectorPageDescriptor::SerializedInfo>> inspectorPages;

    static QString key() { return QStringLiteral("Dovrel.inspector"); }
    static DeviceInspectorInfo decode(const ambrel::JsonReader& reader);
};

} // namespace kestrom
