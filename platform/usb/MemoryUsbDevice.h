#pragma once

#include "platform/usb/UsbPipeProperties.h"
#include "platform/usb/UsbResult.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>

namespace platform {

class MemoryUsbDeviceHandle;
class MemoryUsbInterfaceHandle;

// A scriptable USB device for tests, attached to a MemoryUsbHost. It has one
// configuration (value 1) with one printer-class interface whose pipes are
// set with setPipes() (by default pipe 1 bulk IN and pipe 2 bulk OUT, 64-byte
// packets).
//
// Reading. Every read request takes the next event of one queue, in order:
//   queueReply(bytes)       the device sends these bytes; a request gets at
//                           most its length of them and the rest waits for
//                           the next request (a short reply is just a short
//                           reply; an empty one is a zero-length packet);
//   queueSilence(n)         the next n requests time out;
//   queueReadResult(code,n) the next n requests fail with code (for instance
//                           UsbResult::notResponding or pipeStalled).
// A request that finds the queue empty asks the reply source, when one is
// set (setReplySource: a device simulator handing out its pending answer; an
// empty answer is silence), and otherwise times out at once, unless
// setReplyWait() lets it wait for a reply queued from another thread.
// Time-outs never take real time.
//
// Writing. Every write request is recorded (writes(), written()) and then
// handed to the write handler, which may queue replies: that is how a device
// simulator answers commands. queueWriteResult(code, n) makes the next n write
// requests fail instead (they are not recorded).
//
// Faults. stallPipe() stalls a pipe until the host clears it;
// setNotResponding(true) makes every transfer and stall clearing answer
// UsbResult::notResponding until it is set back (re-enumeration does not cure
// it); queueClearStallResult() fails the next stall clearings;
// setOpenResult(), setConfigurationDescriptorResult() and
// setInterfaceOpenResult() fail the opening steps; setHasPrinterInterface(false)
// and pipes whose properties are unreadable shape odd devices.
//
// Presence. unplug() detaches the device: it is no longer found and every
// handle to it answers UsbResult::noDevice; plugIn() attaches it again.
// Re-enumeration closes the device, invalidates the handles (the device must
// be found again) and, unless setReappearsAfterReEnumeration(false), leaves it
// attached. A second opening while the device is open answers
// UsbResult::exclusiveAccess, as for a device held by another program.
//
// Record. operations() lists every host request in order ("open device",
// "set configuration 1", "open interface", "clear stall 1", "write 2: 5 bytes",
// "read 1: 3 bytes", "read 1: timed out", "re-enumerate", "close interface",
// "close device", ...), for checking order and counts.
//
// Every member is thread-safe.
class MemoryUsbDevice {
public:
    struct Pipe {
        UsbDirection direction = UsbDirection::in;
        quint16 maxPacketSize = 64;
        bool propertiesReadable = true;
    };
    using WriteHandler = std::function<void(const QByteArray& data)>;
    using ReplySource = std::function<QByteArray(qsizetype maxLength)>;

    MemoryUsbDevice(quint32 vendorIdentifier, quint32 productIdentifier);

    quint32 vendorIdentifier() const { return m_vendor; }
    quint32 productIdentifier() const { return m_product; }

    // Shape
    void setPipes(const QList<Pipe>& pipes);
    void setHasPrinterInterface(bool hasOne);
    // The configuration made active by the host; 0 until then.
    quint8 activeConfiguration() const;

    // Opening faults
    void setOpenResult(UsbResult::Code result);
    void setConfigurationDescriptorResult(UsbResult::Code result);
    void setInterfaceOpenResult(UsbResult::Code result);

    // Reading
    void queueReply(const QByteArray& bytes);
    void queueSilence(int requests = 1);
    void queueReadResult(UsbResult::Code result, int requests = 1);
    void setReplyWait(std::chrono::milliseconds wait);
    // Called without the lock held, so it may use this device.
    void setReplySource(ReplySource source);
    // Events not yet taken by a read request.
    int pendingReadEvents() const;

    // Writing
    void queueWriteResult(UsbResult::Code result, int requests = 1);
    void setWriteHandler(WriteHandler handler);
    QList<QByteArray> writes() const;
    QByteArray written() const;
    void clearWrites();
    // A device that only hands its writes to the handler keeps neither them
    // nor a line of its log for each, so a long stream costs the host none
    // of its memory. On by default.
    void setKeepsWrites(bool keeps);

    // Faults
    void stallPipe(quint8 pipe);
    bool isPipeStalled(quint8 pipe) const;
    void queueClearStallResult(UsbResult::Code result, int requests = 1);
    void setNotResponding(bool notResponding);

    // Presence
    void unplug();
    void plugIn();
    bool isAttached() const;
    void setReappearsAfterReEnumeration(bool reappears);
    int reEnumerationCount() const;
    bool isOpen() const;
    bool isInterfaceOpen() const;

    QStringList operations() const;

    MemoryUsbDevice(const MemoryUsbDevice&) = delete;
    MemoryUsbDevice& operator=(const MemoryUsbDevice&) = delete;

private:
    friend class MemoryUsbHost;
    friend class MemoryUsbDeviceHandle;
    friend class MemoryUsbInterfaceHandle;

    struct ReadEvent {
        enum class Kind { reply, silence, result } kind;
        QByteArray bytes;
        UsbResult::Code result = UsbResult::success;
        int count = 1;
    };
    struct Countdown {
        UsbResult::Code result;
        int count;
    };

    // The side the handles use; gen is the generation a handle was made in.
    int generation() const;
    UsbResult::Code open(int gen, quint64 owner);
    void close(int gen, quint64 owner);
    UsbResult::Code configurationValue(int gen, quint8 index, quint8& value);
    UsbResult::Code setConfiguration(int gen, quint64 owner, quint8 value);
    bool hasPrinterInterface(int gen) const;
    UsbResult::Code reEnumerate(int gen, quint64 owner);
    UsbResult::Code openInterface(int gen, quint64 owner);
    void closeInterface(int gen, quint64 owner);
    UsbResult::Code pipeProperties(int gen, quint8 pipe, UsbPipeProperties& properties) const;
    UsbResult::Code writePipe(int gen, quint64 owner, quint8 pipe, const QByteArray& data);
    UsbResult::Code readPipe(int gen, quint64 owner, quint8 pipe, qsizetype maxLength,
                             QByteArray& data);
    UsbResult::Code clearPipeStall(int gen, quint64 owner, quint8 pipe);

    // With the lock held: why a transfer on a pipe cannot run, or success.
    UsbResult::Code transferBlocker(int gen, quint64 owner, quint8 pipe,
                                    UsbDirection direction) const;
    static UsbResult::Code takeCountdown(std::deque<Countdown>& queue);
    void record(const QString& operation);
    void invalidateHandles();

    const quint32 m_vendor;
    const quint32 m_product;
    mutable std::mutex m_mutex;
    std::condition_variable m_readable;
    QList<Pipe> m_pipes;
    bool m_hasPrinterInterface = true;
    quint8 m_activeConfiguration = 0;
    UsbResult::Code m_openResult = UsbResult::success;
    UsbResult::Code m_configurationDescriptorResult = UsbResult::success;
    UsbResult::Code m_interfaceOpenResult = UsbResult::success;
    std::deque<ReadEvent> m_readEvents;
    std::chrono::milliseconds m_replyWait{0};
    std::deque<Countdown> m_writeResults;
    std::deque<Countdown> m_clearStallResults;
    WriteHandler m_writeHandler;
    ReplySource m_replySource;
    QList<QByteArray> m_writes;
    bool m_keepsWrites = true;
    std::set<quint8> m_stalledPipes;
    bool m_notResponding = false;
    bool m_attached = true;
    bool m_reappears = true;
    int m_generation = 0;
    int m_reEnumerations = 0;
    quint64 m_openedBy = 0;
    bool m_interfaceOpen = false;
    QStringList m_operations;
};

} // namespace platform
