#include "model/connections/PrintTask.h"

#include "model/parameters/DeviceSettingParameter.h"

namespace ambrel {

PrintTask::PrintTask(std::shared_ptr<const DeviceDescriptor> deviceDescriptor,
                     std::shared_ptr<const Canvas> canvas, TransportType transportType,
                     ImageSource imageSource, QVariantMap deviceSettingValues)
    : m_deviceDescriptor(std::move(deviceDescriptor)), m_canvas(std::move(canvas)),
      m_transportType(transportType), m_imageSource(std::move(imageSource)),
      m_deviceSettingValues(std::move(deviceSettingValues)) {}

QVariant PrintTask::deviceSetting(const QString& key) const {
    const auto found = m_deviceSettingValues.constFind(key);
    if (found != m_deviceSettingValues.cend()) {
        return found.value();
    }
    if (m_deviceDescriptor) {
        for (const auto& parameter : m_deviceDescriptor->parameterProperties()) {
            if (parameter->identifier() == key) {
                return parameter->defaultValue();
            }
        }
    }
    return {};
}

} // namespace ambrel
