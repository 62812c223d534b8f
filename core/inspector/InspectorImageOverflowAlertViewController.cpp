#include "core/inspector/InspectorImageOverflowAlertViewController.h"

#include <QLabel>
#include <QVBoxLayout>

namespace kestrom {

InspectorImageOverflowAlertViewController::InspectorImageOverflowAlertViewController(
    QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    m_message = new QLabel(this);
    m_message->setWordWrap(true);
    m_message->setMaximumWidth(280);
    layout->addWidget(m_message);
}

void InspectorImageOverflowAlertViewController::setDeviceDescriptor(
    std::shared_ptr<const ambrel::DeviceDescriptor> device, bool whollyOutside) {
    m_deviceDescriptor = std::move(device);
    m_message->setText(m_deviceDescriptor ? m_deviceDescriptor->overflowAlertMessage(whollyOutside)
                                          : QString());
}

} // namespace kestrom
