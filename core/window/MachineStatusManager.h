#pragma once

#include "model/connections/DeviceStatusElement.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "model/descriptions/TransportType.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace platform {
class Progress;
}

namespace kestrom {

// The last machine status read for one document window, read again on
// request. The read runs on a worker thread; its answer comes back through
// the event loop and is dropped when the manager is gone by then.
class MachineStatusManager : public QObject {
    Q_OBJECT
public:
    struct ViewStatus {
        enum class Kind { empty, isReloading, hasValue };
        Kind kind = Kind::empty;
        std::shared_ptr<platform::Progress> progress;
        QList<ambrel::DeviceStatusElement> elements;
        std::shared_ptr<const platform::Error> error;

        bool operator==(const ViewStatus& other) const;
    };

    // Posted on the default notification center with the manager as sender
    // after every change of the view status.
    static const QString viewStatusDidChangeNotification;

    explicit MachineStatusManager(QObject* parent = nullptr);
    ~MachineStatusManager() override;

    const ViewStatus& viewStatus() const { return m_viewStatus; }

    const std::shared_ptr<const ambrel::DeviceDescriptor>& deviceDescriptor() const {
        return m_deviceDescriptor;
    }
    void setDeviceDescriptor(std::shared_ptr<const ambrel::DeviceDescriptor> descriptor);
    // The transport as the document names it: "usb" and "wifi" are known,
    // anything else means no transport (the text is still kept).
    const QString& transportTypeString() const { return m_transportTypeString; }
    void setTransportTypeString(const QString& transportType);
    std::optional<ambrel::TransportType> transportType() const { return m_transportType; }

    // Empty unless a read has finished.
    const QList<ambrel::DeviceStatusElement>& statusElements() const;
    bool isReloading() const { return m_viewStatus.kind == ViewStatus::Kind::isReloading; }
    std::shared_ptr<platform::Progress> reloadProgress() const;

    // Starts one read; while one runs, or without a model or transport, it
    // does nothing. Cancel a read through reloadProgress().
    void reload();

Q_SIGNALS:
    void viewStatusChanged();

private:
    void setViewStatus(ViewStatus status);

    ViewStatus m_viewStatus;
    std::shared_ptr<const ambrel::DeviceDescriptor> m_deviceDescriptor;
    std::optional<ambrel::TransportType> m_transportType;
    QString m_transportTypeString;
};

} // namespace kestrom
