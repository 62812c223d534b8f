#pragma once

#include "model/connections/ConnectPlugin.h"
#include "model/connections/DeviceConnection.h"
#include "model/connections/DeviceStatus.h"
#include "model/errors/ConnectionError.h"
#include "platform/Bundle.h"
#include "platform/Progress.h"

#include <atomic>
#include <chrono>

// Two stencil models whose status read takes 100 ms: "Stencil One" with one
// canvas, one transport and maintenance actions (one of them for debugging),
// "Stencil Two" with two canvases, two transports and no maintenance button.
namespace window_test {

inline std::atomic<int> statusReads{0};
// Reads that the cancel ended before their 100 ms were up.
inline std::atomic<int> statusReadsCancelled{0};
inline std::atomic<bool> statusFails{false};

class SlowStatusConnection : public ambrel::DeviceConnection {
public:
    using DeviceConnection::DeviceConnection;

    ambrel::DeviceStatus getStatus(const std::shared_ptr<platform::Progress>& progress) override {
        ++statusReads;
        if (progress->waitForCancellation(std::chrono::milliseconds(100))) {
            ++statusReadsCancelled;
        }
        ambrel::DeviceStatus status;
        status.elements << ambrel::DeviceStatusElement::modelName(deviceDescriptor()->modelName())
                        << ambrel::DeviceStatusElement::firmware(QStringLiteral("V1.2"))
                        << ambrel::DeviceStatusElement::remainingBlackInk(0.456);
        if (statusFails) {
            const ambrel::ConnectionError busy(ambrel::ConnectionError::Case::printerIsBusy);
            status.elements << ambrel::DeviceStatusElement::error(busy);
            status.error = busy.clone();
        }
        return status;
    }
};

class SlowStatusPlugin : public ambrel::ConnectPlugin {
public:
    QString deviceDescriptorsJson() const override {
        return QStringLiteral(R"([{
            "modelName": "Stencil One", "printerType": "slow", "headDotCount": 256, "dpi": 300,
            "canvases": [{"identifier": "A", "size_mm": {"width": 40, "height": 100}}],
            "offsetBases": ["center"],
            "parameterProperties": [{"type": "number", "identifier": "speed",
                                     "pane": "PrinterOptions", "minValue": 1, "maxValue": 9,
                                     "defaultValue": 5}],
            "maintenanceActions": [{"identifier": "clean"},
                                   {"identifier": "purge", "visibility": "debug"}]
        }, {
            "modelName": "Stencil Two", "printerType": "slow", "headDotCount": 256, "dpi": 300,
            "canvases": [{"identifier": "A", "size_mm": {"width": 40, "height": 100}},
                         {"identifier": "B", "size_mm": {"width": 80, "height": 120}}],
            "transportTypes": ["usb", "wifi"],
            "offsetBases": ["center"],
            "showsMaintenanceButton": false
        }])");
    }
    std::shared_ptr<ambrel::DeviceConnection>
    newConnection(const std::shared_ptr<const ambrel::DeviceDescriptor>& descriptor,
                  ambrel::TransportType transportType) const override {
        if (descriptor->printerType() != QLatin1String("slow")) {
            return nullptr;
        }
        return std::make_shared<SlowStatusConnection>(descriptor, transportType);
    }
    const platform::Bundle* bundle() const override {
        return platform::Bundle::named(QStringLiteral("WindowTestPlugin"));
    }
};

inline std::shared_ptr<const ambrel::DeviceDescriptor> model(const QString& name) {
    for (const auto& model : ambrel::DeviceDescriptor::supported()) {
        if (model->modelName() == name) {
            return model;
        }
    }
    return nullptr;
}

} // namespace window_test
