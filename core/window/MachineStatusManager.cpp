#include "core/window/MachineStatusManager.h"

#include "core/document/runs/DeviceRunQueue.h"
#include "model/connections/DeviceConnection.h"
#include "model/connections/DeviceStatus.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/Progress.h"

#include <QPointer>

namespace kestrom {

const QString MachineStatusManager::viewStatusDidChangeNotification =
    QStringLiteral("MachineStatusManager.ViewStatusDidChange");

bool MachineStatusManager::ViewStatus::operator==(const ViewStatus& other) const {
    if (kind != other.kind) {
        return false;
    }
    switch (kind) {
    case Kind::empty:
        return true;
    case Kind::isReloading:
        return progress == other.progress;
    case Kind::hasValue:
        if (elements != other.elements || bool(error) != bool(other.error)) {
            return false;
        }
        return !error || error->localizedDescription() == other.error->localizedDescription();
    }
    return false;
}

MachineStatusManager::MachineStatusManager(QObject* parent) : QObject(parent) {}

MachineStatusManager::~MachineStatusManager() = default;

void MachineStatusManager::setDeviceDescriptor(
    std::shared_ptr<const ambrel::DeviceDescriptor> descriptor) {
    m_deviceDescriptor = std::move(descriptor);
}

void MachineStatusManager::setTransportTypeString(const QString& transportType) {
    m_transportTypeString = transportType;
    m_transportType = ambrel::TransportType::fromRawValue(transportType);
}

const QList<ambrel::DeviceStatusElement>& MachineStatusManager::statusElements() const {
    static const QList<ambrel::DeviceStatusElement> none;
    return m_viewStatus.kind == ViewStatus::Kind::hasValue ? m_viewStatus.elements : none;
}

std::shared_ptr<platform::Progress> MachineStatusManager::reloadProgress() const {
    return isReloading() ? m_viewStatus.progress : nullptr;
}

void MachineStatusManager::reload() {
    if (isReloading() || !m_deviceDescriptor || !m_transportType) {
        return;
    }
    auto progress = std::make_shared<platform::Progress>();
    ViewStatus reading;
    reading.kind = ViewStatus::Kind::isReloading;
    reading.progress = progress;
    setViewStatus(std::move(reading));

    std::shared_ptr<ambrel::DeviceConnection> connection =
        m_deviceDescriptor->newConnection(*m_transportType);
    QPointer<MachineStatusManager> self(this);
    auto finish = [self](ambrel::DeviceStatus status) {
        if (!self) {
            return;
        }
        ViewStatus read;
        read.kind = ViewStatus::Kind::hasValue;
        read.elements = std::move(status.elements);
        read.error = std::move(status.error);
        self->setViewStatus(std::move(read));
    };
    if (!connection) {
        finish({});
        return;
    }
    // The worker holds the connection and the progress only; the answer is
    // queued to the main thread, where the guard tells whether anyone is left.
    DeviceRunQueue::run([connection, progress, finish] {
        ambrel::DeviceStatus status = connection->getStatus(progress);
        platform::MainThread::post(
            [finish, status = std::move(status)]() mutable { finish(std::move(status)); });
    });
}

void MachineStatusManager::setViewStatus(ViewStatus status) {
    m_viewStatus = std::move(status);
    emit viewStatusChanged();
    platform::NotificationCenter::defaultCenter().post(viewStatusDidChangeNotification, this);
}

} // namespace kestrom
