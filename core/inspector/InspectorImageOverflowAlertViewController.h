#pragma once

#include "model/descriptions/DeviceDescriptor.h"

#include <QWidget>

#include <memory>

class QLabel;

namespace kestrom {

// The note the image layout pane opens from its overflow line: what happens
// to the parts of the picture that run over the canvas on this model.
class InspectorImageOverflowAlertViewController : public QWidget {
    Q_OBJECT
public:
    explicit InspectorImageOverflowAlertViewController(QWidget* parent = nullptr);

    const std::shared_ptr<const ambrel::DeviceDescriptor>& deviceDescriptor() const {
        return m_deviceDescriptor;
    }
    void setDeviceDescriptor(std::shared_ptr<const ambrel::DeviceDescriptor> device,
                             bool whollyOutside = false);
    QLabel* messageLabel() const { return m_message; }

private:
    std::shared_ptr<const ambrel::DeviceDescriptor> m_deviceDescriptor;
    QLabel* m_message;
};

} // namespace kestrom
