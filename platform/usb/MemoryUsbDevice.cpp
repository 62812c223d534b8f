#include "platform/usb/MemoryUsbDevice.h"

namespace platform {

MemoryUsbDevice::MemoryUsbDevice(quint32 vendorIdentifier, quint32 productIdentifier)
    : m_vendor(vendorIdentifier),
      m_product(productIdentifier), m_pipes{{UsbDirection::in, 64, true},
                                            {UsbDirection::out, 64, true}} {}

void MemoryUsbDevice::setPipes(const QList<Pipe>& pipes) {
    std::lock_guard lock(m_mutex);
    m_pipes = pipes;
}

void MemoryUsbDevice::setHasPrinterInterface(bool hasOne) {
    std::lock_guard lock(m_mutex);
    m_hasPrinterInterface = hasOne;
}

quint8 MemoryUsbDevice::activeConfiguration() const {
    std::lock_guard lock(m_mutex);
    return m_activeConfiguration;
}

void MemoryUsbDevice::setOpenResult(UsbResult::Code result) {
    std::lock_guard lock(m_mutex);
    m_openResult = result;
}

void MemoryUsbDevice::setConfigurationDescriptorResult(UsbResult::Code result) {
    std::lock_guard lock(m_mutex);
    m_configurationDescriptorResult = result;
}

void MemoryUsbDevice::setInterfaceOpenResult(UsbResult::Code result) {
    std::lock_guard lock(m_mutex);
    m_interfaceOpenResult = result;
}

void MemoryUsbDevice::queueReply(const QByteArray& bytes) {
    {
        std::lock_guard lock(m_mutex);
        m_readEvents.push_back({ReadEvent::Kind::reply, bytes, UsbResult::success, 1});
    }
    m_readable.notify_all();
}

void MemoryUsbDevice::queueSilence(int requests) {
    if (requests <= 0) {
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_readEvents.push_back({ReadEvent::Kind::silence, {}, UsbResult::success, requests});
    }
    m_readable.notify_all();
}

void MemoryUsbDevice::queueReadResult(UsbResult::Code result, int requests) {
    if (requests <= 0) {
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_readEvents.push_back({ReadEvent::Kind::result, {}, result, requests});
    }
    m_readable.notify_all();
}

void MemoryUsbDevice::setReplyWait(std::chrono::milliseconds wait) {
    std::lock_guard lock(m_mutex);
    m_replyWait = wait;
}

void MemoryUsbDevice::setReplySource(ReplySource source) {
    std::lock_guard lock(m_mutex);
    m_replySource = std::move(source);
}

int MemoryUsbDevice::pendingReadEvents() const {
    std::lock_guard lock(m_mutex);
    return int(m_readEvents.size());
}

void MemoryUsbDevice::queueWriteResult(UsbResult::Code result, int requests) {
    if (requests > 0) {
        std::lock_guard lock(m_mutex);
        m_writeResults.push_back({result, requests});
    }
}

void MemoryUsbDevice::setWriteHandler(WriteHandler handler) {
    std::lock_guard lock(m_mutex);
    m_writeHandler = std::move(handler);
}

QList<QByteArray> MemoryUsbDevice::writes() const {
    std::lock_guard lock(m_mutex);
    return m_writes;
}

QByteArray MemoryUsbDevice::written() const {
    std::lock_guard lock(m_mutex);
    QByteArray all;
    for (const QByteArray& w : m_writes) {
        all += w;
    }
    return all;
}

void MemoryUsbDevice::setKeepsWrites(bool keeps) {
    std::lock_guard lock(m_mutex);
    m_keepsWrites = keeps;
}

void MemoryUsbDevice::clearWrites() {
    std::lock_guard lock(m_mutex);
    m_writes.clear();
}

void MemoryUsbDevice::stallPipe(quint8 pipe) {
    std::lock_guard lock(m_mutex);
    m_stalledPipes.insert(pipe);
}

bool MemoryUsbDevice::isPipeStalled(quint8 pipe) const {
    std::lock_guard lock(m_mutex);
    return m_stalledPipes.count(pipe) > 0;
}

void MemoryUsbDevice::queueClearStallResult(UsbResult::Code result, int requests) {
    if (requests > 0) {
        std::lock_guard lock(m_mutex);
        m_clearStallResults.push_back({result, requests});
    }
}

void MemoryUsbDevice::setNotResponding(bool notResponding) {
    std::lock_guard lock(m_mutex);
    m_notResponding = notResponding;
}

void MemoryUsbDevice::unplug() {
    {
        std::lock_guard lock(m_mutex);
        m_attached = false;
        invalidateHandles();
    }
    m_readable.notify_all();
}

void MemoryUsbDevice::plugIn() {
    std::lock_guard lock(m_mutex);
    m_attached = true;
}

bool MemoryUsbDevice::isAttached() const {
    std::lock_guard lock(m_mutex);
    return m_attached;
}

void MemoryUsbDevice::setReappearsAfterReEnumeration(bool reappears) {
    std::lock_guard lock(m_mutex);
    m_reappears = reappears;
}

int MemoryUsbDevice::reEnumerationCount() const {
    std::lock_guard lock(m_mutex);
    return m_reEnumerations;
}

bool MemoryUsbDevice::isOpen() const {
    std::lock_guard lock(m_mutex);
    return m_openedBy != 0;
}

bool MemoryUsbDevice::isInterfaceOpen() const {
    std::lock_guard lock(m_mutex);
    return m_interfaceOpen;
}

QStringList MemoryUsbDevice::operations() const {
    std::lock_guard lock(m_mutex);
    return m_operations;
}

// The handles' side.

int MemoryUsbDevice::generation() const {
    std::lock_guard lock(m_mutex);
    return m_attached ? m_generation : -1;
}

UsbResult::Code MemoryUsbDevice::open(int gen, quint64 owner) {
    std::lock_guard lock(m_mutex);
    if (gen != m_generation || !m_attached) {
        return UsbResult::noDevice;
    }
    if (m_openResult != UsbResult::success) {
        return m_openResult;
    }
    if (m_openedBy && m_openedBy != owner) {
        return UsbResult::exclusiveAccess;
    }
    m_openedBy = owner;
    record(QStringLiteral("open device"));
    return UsbResult::success;
}

void MemoryUsbDevice::close(int gen, quint64 owner) {
    std::lock_guard lock(m_mutex);
    if (gen != m_generation || m_openedBy != owner) {
        return;
    }
    m_openedBy = 0;
    m_interfaceOpen = false;
    record(QStringLiteral("close device"));
}

UsbResult::Code MemoryUsbDevice::configurationValue(int gen, quint8 index, quint8& value) {
    std::lock_guard lock(m_mutex);
    if (gen != m_generation || !m_attached) {
        return UsbResult::noDevice;
    }
    if (m_configurationDescriptorResult != UsbResult::success) {
        return m_configurationDescriptorResult;
    }
    if (index != 0) {
        return UsbResult::badArgument;
    }
    value = 1;
    return UsbResult::success;
}

UsbResult::Code MemoryUsbDevice::setConfiguration(int gen, quint64 owner, quint8 value) {
    std::lock_guard lock(m_mutex);
    if (gen != m_generation || !m_attached) {
        return UsbResult::noDevice;
    }
    if (m_openedBy != owner) {
        return UsbResult::notOpen;
    }
    if (value != 1) {
        return UsbResult::badArgument;
    }
    if (m_activeConfiguration != value) {
        m_activeConfiguration = value;
        record(QStringLiteral("set configuration %1").arg(value));
    }
    return UsbResult::success;
}

bool MemoryUsbDevice::hasPrinterInterface(int gen) const {
    std::lock_guard lock(m_mutex);
    return gen == m_generation && m_attached && m_hasPrinterInterface;
}

UsbResult::Code MemoryUsbDevice::reEnumerate(int gen, quint64 owner) {
    {
        std::lock_guard lock(m_mutex);
        if (gen != m_generation || !m_attached) {
            return UsbResult::noDevice;
        }
        if (m_openedBy != owner) {
            return UsbResult::notOpen;
        }
        record(QStringLiteral("re-enumerate"));
        ++m_reEnumerations;
        m_activeConfiguration = 0;
        invalidateHandles();
        m_attached = m_reappears;
    }
    m_readable.notify_all();
    return UsbResult::success;
}

UsbResult::Code MemoryUsbDevice::openInterface(int gen, quint64 owner) {
    std::lock_guard lock(m_mutex);
    if (gen != m_generation || !m_attached) {
        return UsbResult::noDevice;
    }
    if (m_openedBy != owner) {
        return UsbResult::notOpen;
    }
    if (m_interfaceOpenResult != UsbResult::success) {
        return m_interfaceOpenResult;
    }
    if (m_interfaceOpen) {
        return UsbResult::exclusiveAccess;
    }
    m_interfaceOpen = true;
    record(QStringLiteral("open interface"));
    return UsbResult::success;
}

void MemoryUsbDevice::closeInterface(int gen, quint64 owner) {
    std::lock_guard lock(m_mutex);
    if (gen != m_generation || m_openedBy != owner || !m_interfaceOpen) {
        return;
    }
    m_interfaceOpen = false;
    record(QStringLiteral("close interface"));
}

UsbResult::Code MemoryUsbDevice::pipeProperties(int gen, quint8 pipe,
                                                UsbPipeProperties& properties) const {
    std::lock_guard lock(m_mutex);
    if (gen != m_generation || !m_attached) {
        return UsbResult::noDevice;
    }
    if (pipe == 0 || pipe > m_pipes.size()) {
        return UsbResult::unknownPipe;
    }
    const Pipe& p = m_pipes[pipe - 1];
    if (!p.propertiesReadable) {
        return UsbResult::error;
    }
    properties.direction = p.direction;
    properties.transferType = UsbTransferType::bulk;
    properties.endpointNumber = pipe;
    properties.maxPacketSize = p.maxPacketSize;
    properties.interval = 0;
    return UsbResult::success;
}

UsbResult::Code MemoryUsbDevice::transferBlocker(int gen, quint64 owner, quint8 pipe,
                                                 UsbDirection direction) const {
    if (gen != m_generation || !m_attached) {
        return UsbResult::noDevice;
    }
    if (m_openedBy != owner || !m_interfaceOpen) {
        return UsbResult::notOpen;
    }
    if (pipe == 0 || pipe > m_pipes.size() || m_pipes[pipe - 1].direction != direction) {
        return UsbResult::unknownPipe;
    }
    if (m_notResponding) {
        return UsbResult::notResponding;
    }
    if (m_stalledPipes.count(pipe)) {
        return UsbResult::pipeStalled;
    }
    return UsbResult::success;
}

UsbResult::Code MemoryUsbDevice::takeCountdown(std::deque<Countdown>& queue) {
    if (queue.empty()) {
        return UsbResult::success;
    }
    const UsbResult::Code result = queue.front().result;
    if (--queue.front().count <= 0) {
        queue.pop_front();
    }
    return result;
}

UsbResult::Code MemoryUsbDevice::writePipe(int gen, quint64 owner, quint8 pipe,
                                           const QByteArray& data) {
    WriteHandler handler;
    {
        std::lock_guard lock(m_mutex);
        UsbResult::Code result = transferBlocker(gen, owner, pipe, UsbDirection::out);
        if (result == UsbResult::success) {
            result = takeCountdown(m_writeResults);
        }
        if (result != UsbResult::success) {
            record(QStringLiteral("write %1: failed").arg(pipe));
            return result;
        }
        if (m_keepsWrites) {
            m_writes.append(data);
            record(QStringLiteral("write %1: %2 bytes").arg(pipe).arg(data.size()));
        }
        handler = m_writeHandler;
    }
    if (handler) {
        handler(data);
    }
    return UsbResult::success;
}

UsbResult::Code MemoryUsbDevice::readPipe(int gen, quint64 owner, quint8 pipe, qsizetype maxLength,
                                          QByteArray& data) {
    std::unique_lock lock(m_mutex);
    data.clear();
    const UsbResult::Code blocked = transferBlocker(gen, owner, pipe, UsbDirection::in);
    if (blocked != UsbResult::success) {
        record(QStringLiteral("read %1: failed").arg(pipe));
        return blocked;
    }
    if (m_readEvents.empty() && m_replySource) {
        const ReplySource source = m_replySource;
        lock.unlock();
        QByteArray reply = source(maxLength).left(maxLength);
        lock.lock();
        if (gen != m_generation || !m_attached) {
            return UsbResult::noDevice;
        }
        if (!reply.isEmpty()) {
            data = reply;
            record(QStringLiteral("read %1: %2 bytes").arg(pipe).arg(data.size()));
            return UsbResult::success;
        }
    }
    if (m_readEvents.empty() && m_replyWait.count() > 0) {
        m_readable.wait_for(lock, m_replyWait, [&] {
            return !m_readEvents.empty() || gen != m_generation || !m_attached;
        });
        if (gen != m_generation || !m_attached) {
            return UsbResult::noDevice;
        }
    }
    if (m_readEvents.empty()) {
        record(QStringLiteral("read %1: timed out").arg(pipe));
        return UsbResult::transactionTimeout;
    }
    ReadEvent& event = m_readEvents.front();
    switch (event.kind) {
    case ReadEvent::Kind::reply:
        data = event.bytes.left(maxLength);
        event.bytes.remove(0, data.size());
        if (event.bytes.isEmpty()) {
            m_readEvents.pop_front();
        }
        record(QStringLiteral("read %1: %2 bytes").arg(pipe).arg(data.size()));
        return UsbResult::success;
    case ReadEvent::Kind::silence:
        if (--event.count <= 0) {
            m_readEvents.pop_front();
        }
        record(QStringLiteral("read %1: timed out").arg(pipe));
        return UsbResult::transactionTimeout;
    case ReadEvent::Kind::result: {
        const UsbResult::Code result = event.result;
        if (--event.count <= 0) {
            m_readEvents.pop_front();
        }
        record(QStringLiteral("read %1: failed").arg(pipe));
        return result;
    }
    }
    return UsbResult::error;
}

UsbResult::Code MemoryUsbDevice::clearPipeStall(int gen, quint64 owner, quint8 pipe) {
    std::lock_guard lock(m_mutex);
    if (gen != m_generation || !m_attached) {
        return UsbResult::noDevice;
    }
    if (m_openedBy != owner || !m_interfaceOpen) {
        return UsbResult::notOpen;
    }
    if (pipe == 0 || pipe > m_pipes.size()) {
        return UsbResult::unknownPipe;
    }
    UsbResult::Code result =
        m_notResponding ? UsbResult::notResponding : takeCountdown(m_clearStallResults);
    if (result != UsbResult::success) {
        record(QStringLiteral("clear stall %1: failed").arg(pipe));
        return result;
    }
    m_stalledPipes.erase(pipe);
    record(QStringLiteral("clear stall %1").arg(pipe));
    return UsbResult::success;
}

void MemoryUsbDevice::record(const QString& operation) {
    m_operations.append(operation);
}

void MemoryUsbDevice::invalidateHandles() {
    ++m_generation;
    m_openedBy = 0;
    m_interfaceOpen = false;
    m_stalledPipes.clear();
}

} // namespace platform
