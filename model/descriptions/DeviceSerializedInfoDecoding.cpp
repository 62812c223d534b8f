#include "model/descriptions/DeviceSerializedInfoDecoding.h"

namespace ambrel::DeviceSerializedInfoDecoding {

QStringList strings(const JsonReader& reader) {
    QStringList list;
    for (const JsonReader& element : reader.array()) {
        list.append(element.string());
    }
    return list;
}

QList<Canvas::SerializedInfo> canvases(const JsonReader& reader) {
    QList<Canvas::SerializedInfo> list;
    for (const JsonReader& element : reader.array()) {
        list.append(Canvas::SerializedInfo::decode(element));
    }
    return list;
}

QList<MaintenanceAction::SerializedInfo> maintenanceActions(const JsonReader& reader) {
    QList<MaintenanceAction::SerializedInfo> list;
    for (const JsonReader& element : reader.array()) {
        list.append(MaintenanceAction::SerializedInfo::decode(element));
    }
    return list;
}

} // namespace ambrel::DeviceSerializedInfoDecoding
