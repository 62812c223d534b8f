#include "transport/dari/UsbDeviceCommunicationContextObjCImpl.h"

#include "platform/Log.h"
#include "transport/dari/PipeSubdata.h"
#include "transport/dari/UsbAccessError.h"
#include "transport/model/PipeError.h"

#include <thread>

namespace dari {

using fennick::PipeErrorCode;
using fennick::PipeErrorMakeWithCode;
using platform::UsbResult;

namespace {

std::shared_ptr<const platform::Error> shared(const platform::Error& error) {
    return error.clone();
}

std::shared_ptr<const platform::Error> errorOf(UsbResult::Code result) {
    const auto error = fennick::MakeNSErrorWithIOReturn(result);
    return error ? shared(*error) : nullptr;
}

// A device whose interface went with a failed re-open is gone for this context.
std::shared_ptr<const platform::Error> noDeviceError() {
    return shared(PipeErrorMakeWithCode(PipeErrorCode::noDevice));
}

} // namespace

UsbDeviceCommunicationContextObjCImpl::UsbDeviceCommunicationContextObjCImpl(
    quint32 vendorIdentifier, quint32 productIdentifier, bool forcesReadTimeout)
    : m_vendorIdentifier(vendorIdentifier), m_productIdentifier(productIdentifier),
      m_forcesReadTimeout(forcesReadTimeout), m_host(platform::UsbHost::current()) {
    std::unique_ptr<platform::UsbDevice> device = createDeviceInterface();
    if (!device) {
        throw PipeErrorMakeWithCode(PipeErrorCode::noDevice);
    }
    const UsbResult::Code opened = device->open();
    if (opened == UsbResult::exclusiveAccess) {
        throw *fennick::MakeNSErrorWithIOReturn(opened);
    }
    if (opened == UsbResult::notPrivileged) {
        throw UsbAccessError::make();
    }
    if (opened != UsbResult::success) {
        throw PipeErrorMakeWithCode(PipeErrorCode::couldNotOpen);
    }

    quint8 configuration = 0;
    UsbResult::Code configured = device->configurationValue(0, configuration);
    if (configured == UsbResult::success) {
        configured = device->setConfiguration(configuration);
    }
    if (configured != UsbResult::success) {
        platform::Log::line(QStringLiteral("Could not set active configuration (error: %1)")
                                .arg(quint32(configured), 0, 16));
    }

    std::unique_ptr<platform::UsbInterface> interface =
        createInterfaceInterfaceWithDeviceInterface(*device);
    if (!interface) {
        throw PipeErrorMakeWithCode(PipeErrorCode::couldNotOpen);
    }
    platform::UsbPipeProperties first;
    if (interface->pipeProperties(1, first) == UsbResult::success &&
        first.direction == platform::UsbDirection::in) {
        m_pipeRefRead = 1;
        m_pipeRefWrite = 2;
    } else {
        m_pipeRefWrite = 1;
        m_pipeRefRead = 2;
    }
    if (interface->open() != UsbResult::success) {
        throw PipeErrorMakeWithCode(PipeErrorCode::couldNotOpen);
    }

    m_deviceInterface = std::move(device);
    m_interfaceInterface = std::move(interface);
    m_maxPacketSizeRead = maxPacketSizeOf(m_pipeRefRead);
    m_maxPacketSizeWrite = maxPacketSizeOf(m_pipeRefWrite);
    clearReadPipeStall();
}

UsbDeviceCommunicationContextObjCImpl::~UsbDeviceCommunicationContextObjCImpl() {
    closeInterfaceAndDevice();
}

void UsbDeviceCommunicationContextObjCImpl::closeInterfaceAndDevice() {
    if (m_interfaceInterface) {
        m_interfaceInterface->close();
        m_interfaceInterface.reset();
    }
    if (m_deviceInterface) {
        m_deviceInterface->close();
        m_deviceInterface.reset();
    }
}

quint16 UsbDeviceCommunicationContextObjCImpl::maxPacketSizeOf(quint8 pipe) const {
    platform::UsbPipeProperties properties;
    // A zero size would make every read request ask for nothing and a read
    // never end.
    if (m_interfaceInterface->pipeProperties(pipe, properties) != UsbResult::success ||
        properties.maxPacketSize == 0) {
        return fallbackMaxPacketSize;
    }
    return properties.maxPacketSize;
}

std::unique_ptr<platform::UsbDevice>
UsbDeviceCommunicationContextObjCImpl::createDeviceInterface() const {
    return m_host->findDevice(m_vendorIdentifier, m_productIdentifier);
}

std::unique_ptr<platform::UsbInterface>
UsbDeviceCommunicationContextObjCImpl::createInterfaceInterfaceWithDeviceInterface(
    platform::UsbDevice& device) {
    return device.findInterface(platform::UsbDevice::printerClass);
}

void UsbDeviceCommunicationContextObjCImpl::sendData(const QByteArray& data,
                                                     SendCompletion completion) {
    clearReadPipeStall();
    if (data.isEmpty()) {
        completion(nullptr);
        return;
    }
    if (!m_interfaceInterface) {
        completion(noDeviceError());
        return;
    }
    std::shared_ptr<const platform::Error> error;
    pipe_enumerateSubdataWithStrideLength(
        data, writeSliceLength, [&](const QByteArray& slice, bool& stop) {
            const UsbResult::Code result =
                m_interfaceInterface->writePipe(m_pipeRefWrite, slice, writeTimeout, writeTimeout);
            if (result != UsbResult::success) {
                error = errorOf(result);
                stop = true;
            }
        });
    completion(error);
}

void UsbDeviceCommunicationContextObjCImpl::readDataWithLength(quint64 length,
                                                               ReadCompletion completion) {
    if (length == 0) {
        completion(QByteArray(), nullptr);
        return;
    }
    QByteArray buffer;
    if (auto error = readInto(length, buffer)) {
        completion(std::nullopt, std::move(error));
        return;
    }
    if (length == noLength) {
        if (buffer.isEmpty()) {
            completion(std::nullopt,
                       shared(PipeErrorMakeWithCode(PipeErrorCode::couldNotGetEnoughData)));
        } else {
            completion(buffer, nullptr);
        }
        return;
    }
    if (quint64(buffer.size()) < length) {
        completion(std::nullopt,
                   shared(PipeErrorMakeWithCode(PipeErrorCode::couldNotGetEnoughData)));
        return;
    }
    completion(buffer.left(qsizetype(length)), nullptr);
}

// Collects read requests into the buffer until the device falls silent or,
// unless reads are forced to wait for silence, enough has arrived.
std::shared_ptr<const platform::Error>
UsbDeviceCommunicationContextObjCImpl::readInto(quint64 length, QByteArray& buffer) {
    buffer.reserve(m_maxPacketSizeRead);
    bool isFirstRequest = true;
    int reopens = 0;
    for (;;) {
        if (!m_interfaceInterface) {
            return noDeviceError();
        }
        QByteArray packet;
        const UsbResult::Code result = m_interfaceInterface->readPipe(
            m_pipeRefRead, m_maxPacketSizeRead, packet, readTimeout, readTimeout);
        if (result == UsbResult::notResponding) {
            if (reopens == maxReopensPerOperation) {
                return shared(PipeErrorMakeWithCode(PipeErrorCode::couldNotReopen));
            }
            ++reopens;
            if (auto error = reopenDevice()) {
                return shared(*error);
            }
            isFirstRequest = false;
            continue;
        }
        if (result == UsbResult::success) {
            buffer += packet;
            isFirstRequest = false;
            if (!m_forcesReadTimeout && length != noLength && quint64(buffer.size()) >= length) {
                return nullptr;
            }
            continue;
        }
        if (result == UsbResult::transactionTimeout) {
            clearReadPipeStall();
            if (isFirstRequest) {
                return shared(PipeErrorMakeWithCode(PipeErrorCode::timeout));
            }
            return nullptr;
        }
        platform::Log::line(QStringLiteral("read error."));
        return errorOf(result);
    }
}

void UsbDeviceCommunicationContextObjCImpl::clearReadPipeStall() {
    int reopens = 0;
    while (m_interfaceInterface) {
        const UsbResult::Code result = m_interfaceInterface->clearPipeStallBothEnds(m_pipeRefRead);
        if (result == UsbResult::success) {
            return;
        }
        if (result != UsbResult::notResponding) {
            platform::Log::line(QStringLiteral("clearReadPipeStall() error!"));
            errorOf(result);
            return;
        }
        platform::Log::line(
            QStringLiteral("clearReadPipeStall(): returned kIOReturnNotResponding."));
        if (reopens == maxReopensPerOperation) {
            PipeErrorMakeWithCode(PipeErrorCode::couldNotReopen);
            return;
        }
        ++reopens;
        if (reopenDevice()) {
            return;
        }
    }
}

std::optional<platform::Error> UsbDeviceCommunicationContextObjCImpl::reopenDevice() {
    platform::Log::lineWithCallStack(QStringLiteral("reopen"));
    if (!m_interfaceInterface) {
        return std::nullopt;
    }
    m_interfaceInterface->close();
    m_interfaceInterface.reset();
    m_deviceInterface->reEnumerate();
    m_deviceInterface->close();
    m_deviceInterface.reset();

    std::this_thread::sleep_for(m_host->reEnumerationDelay());

    UsbResult::Code failure = UsbResult::success;
    std::unique_ptr<platform::UsbDevice> device = createDeviceInterface();
    std::unique_ptr<platform::UsbInterface> interface;
    if (!device) {
        failure = UsbResult::error;
    } else if (const UsbResult::Code opened = device->open(); opened != UsbResult::success) {
        failure = opened;
    } else if (interface = createInterfaceInterfaceWithDeviceInterface(*device); !interface) {
        failure = UsbResult::error;
    } else if (const UsbResult::Code claimed = interface->open(); claimed != UsbResult::success) {
        failure = claimed;
    }
    if (failure != UsbResult::success) {
        fennick::MakeNSErrorWithIOReturn(failure);
        return PipeErrorMakeWithCode(PipeErrorCode::couldNotReopen);
    }
    m_deviceInterface = std::move(device);
    m_interfaceInterface = std::move(interface);
    return std::nullopt;
}

} // namespace dari
