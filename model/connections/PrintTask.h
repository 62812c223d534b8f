#pragma once

#include "model/descriptions/Canvas.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "model/descriptions/TransportType.h"
#include "model/pictures/ImageSource.h"

#include <QVariantMap>

#include <memory>

namespace ambrel {

// Everything a device connection needs for one print: the model, the canvas
// on it, the transport, the picture with its placement and the values of the
// model's settings. Built once per print run; later changes to the document
// do not reach a task already built.
class PrintTask {
public:
    PrintTask(std::shared_ptr<const DeviceDescriptor> deviceDescriptor,
              std::shared_ptr<const Canvas> canvas, TransportType transportType,
              ImageSource imageSource, QVariantMap deviceSettingValues = {});

    const std::shared_ptr<const DeviceDescriptor>& deviceDescriptor() const {
        return m_deviceDescriptor;
    }
    const std::shared_ptr<const Canvas>& canvas() const { return m_canvas; }
    void setCanvas(std::shared_ptr<const Canvas> canvas) { m_canvas = std::move(canvas); }
    TransportType transportType() const { return m_transportType; }
    void setTransportType(TransportType type) { m_transportType = type; }
    const ImageSource& imageSource() const { return m_imageSource; }
    void setImageSource(ImageSource source) { m_imageSource = std::move(source); }
    // The user's values keyed by parameter identifier.
    const QVariantMap& deviceSettingValues() const { return m_deviceSettingValues; }
    void setDeviceSettingValues(QVariantMap values) { m_deviceSettingValues = std::move(values); }

    // The user's value of a setting, else the default of the model's first
    // parameter with that identifier (which may be no value). A key that is
    // neither gives no value.
    QVariant deviceSetting(const QString& key) const;

private:
    std::shared_ptr<const DeviceDescriptor> m_deviceDescriptor;
    std::shared_ptr<const Canvas> m_canvas;
    TransportType m_transportType;
    ImageSource m_imageSource;
    QVariantMap m_deviceSettingValues;
};

} // namespace ambrel
