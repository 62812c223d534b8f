#pragma once

#include "model/descriptions/Canvas.h"
#include "model/descriptions/MaintenanceAction.h"

#include <QStringList>

namespace ambrel::DeviceSerializedInfoDecoding {

// Typed lists shared by both kinds of description entry.
QStringList strings(const JsonReader& reader);
QList<Canvas::SerializedInfo> canvases(const JsonReader& reader);
QList<MaintenanceAction::SerializedInfo> maintenanceActions(const JsonReader& reader);

} // namespace ambrel::DeviceSerializedInfoDecoding
