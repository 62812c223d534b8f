#include "TestModels.h"

#include "model/connections/ConnectPlugin.h"
#include "model/connections/ConnectPluginManager.h"

#include <mutex>

namespace testmodels {

namespace {

class Plugin : public ambrel::ConnectPlugin {
public:
    QString deviceDescriptorsJson() const override {
        return QStringLiteral(R"([
            {"modelName": "Alpha", "printerType": "test", "dpi": 300,
             "canvases": [{"identifier": "A4", "size_mm": {"width": 297, "height": 210}}],
             "offsetBases": ["center", "topLeft"],
             "parameterProperties": [
                {"type": "number", "identifier": "speed", "minValue": 10, "maxValue": 50,
                 "defaultValue": 20},
                {"type": "bool", "identifier": "cool", "defaultValue": true},
                {"type": "bool", "identifier": "vent"},
                {"type": "pick", "identifier": "mode", "items": ["fast", "fine"],
                 "defaultValue": "fine"}]},
            {"modelName": "Beta", "printerType": "test", "dpi": 600,
             "canvases": [{"identifier": "A5", "size_mm": {"width": 210, "height": 148}}],
             "offsetBases": ["center"],
             "parameterProperties": [
                {"type": "number", "identifier": "depth", "minValue": 0, "maxValue": 1,
                 "defaultValue": 0.5}]}])");
    }
    std::shared_ptr<ambrel::DeviceConnection>
    newConnection(const std::shared_ptr<const ambrel::DeviceDescriptor>&,
                  ambrel::TransportType) const override {
        return nullptr;
    }
    const platform::Bundle* bundle() const override {
        return platform::Bundle::named(QStringLiteral("DocumentTestPlugin"));
    }
};

} // namespace

void registerOnce() {
    static std::once_flag once;
    std::call_once(
        once, [] { ambrel::ConnectPluginManager::shared().load({std::make_shared<Plugin>()}); });
}

std::shared_ptr<const ambrel::DeviceDescriptor> model(const QString& name) {
    registerOnce();
    for (const auto& descriptor : ambrel::DeviceDescriptor::supported()) {
        if (descriptor->modelName() == name) {
            return descriptor;
        }
    }
    return nullptr;
}

} // namespace testmodels
