#pragma once

#include "platform/usb/UsbHost.h"
#include "transport/model/DeviceCommunicationContextObjCImpl.h"

#include <chrono>
#include <memory>
#include <optional>

namespace dari {

// An open USB device: its printer-class interface claimed, bytes moving over
// the interface's two bulk pipes. Devices are reached through
// platform::UsbHost::current() as it was when the context opened.
//
// Transfers run on the calling thread (a run's worker thread) and call their
// completion before they return. A device that stops responding is
// re-enumerated and opened again, at most three times within one read or one
// stall clearing. After a failed send or read the context stays usable; after
// a failed re-open it has no device left and every transfer reports
// "NoDevice".
class UsbDeviceCommunicationContextObjCImpl : public fennick::DeviceCommunicationContextObjCImpl {
public:
    static constexpr qsizetype writeSliceLength = 2056;
    static constexpr std::chrono::milliseconds writeTimeout{2000};
    static constexpr std::chrono::milliseconds readTimeout{1000};
    // Packet size of a pipe whose properties cannot be read or give no size.
    static constexpr quint16 fallbackMaxPacketSize = 128;
    static constexpr int maxReopensPerOperation = 3;

    // Finds the first device with the identifiers and opens it; throws
    // platform::Error ("NoDevice", "CouldNotOpen" (with texts of its own for
    // a device this user may not open), or the exclusive-access error of a
    // device held elsewhere).
    UsbDeviceCommunicationContextObjCImpl(quint32 vendorIdentifier, quint32 productIdentifier,
                                          bool forcesReadTimeout);
    ~UsbDeviceCommunicationContextObjCImpl() override;

    quint32 theVendorIdentifier() const { return m_vendorIdentifier; }
    quint32 theProductIdentifier() const { return m_productIdentifier; }
    // When set, every read lasts until the device falls silent and answers the
    // first bytes of all it sent.
    bool forcesReadTimeout() const { return m_forcesReadTimeout; }
    void setForcesReadTimeout(bool forces) { m_forcesReadTimeout = forces; }
    platform::UsbDevice* deviceInterface() const { return m_deviceInterface.get(); }
    platform::UsbInterface* interfaceInterface() const { return m_interfaceInterface.get(); }
    quint8 pipeRef_write() const { return m_pipeRefWrite; }
    quint8 pipeRef_read() const { return m_pipeRefRead; }
    quint16 maxPacketSize_write() const { return m_maxPacketSizeWrite; }
    // Also the size of each read request.
    quint16 maxPacketSize_read() const { return m_maxPacketSizeRead; }

    void sendData(const QByteArray& data, SendCompletion completion) override;
    void readDataWithLength(quint64 length, ReadCompletion completion) override;

    // Clears a stall of the read pipe; reports nothing.
    void clearReadPipeStall();
    // Closes, re-enumerates and opens the device again; the error when that
    // fails ("CouldNotReopen").
    std::optional<platform::Error> reopenDevice();

    std::unique_ptr<platform::UsbDevice> createDeviceInterface() const;
    static std::unique_ptr<platform::UsbInterface>
    createInterfaceInterfaceWithDeviceInterface(platform::UsbDevice& device);

    UsbDeviceCommunicationContextObjCImpl(const UsbDeviceCommunicationContextObjCImpl&) = delete;
    UsbDeviceCommunicationContextObjCImpl&
    operator=(const UsbDeviceCommunicationContextObjCImpl&) = delete;

private:
    void closeInterfaceAndDevice();
    quint16 maxPacketSizeOf(quint8 pipe) const;
    std::shared_ptr<const platform::Error> readInto(quint64 length, QByteArray& buffer);

    const quint32 m_vendorIdentifier;
    const quint32 m_productIdentifier;
    bool m_forcesReadTimeout;
    std::shared_ptr<platform::UsbHost> m_host;
    std::unique_ptr<platform::UsbDevice> m_deviceInterface;
    std::unique_ptr<platform::UsbInterface> m_interfaceInterface;
    quint8 m_pipeRefWrite = 0;
    quint8 m_pipeRefRead = 0;
    quint16 m_maxPacketSizeWrite = 0;
    quint16 m_maxPacketSizeRead = 0;
};

} // namespace dari
