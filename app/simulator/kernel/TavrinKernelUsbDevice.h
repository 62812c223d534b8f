#pragma once

#include "app/simulator/TavrinSimulatedDevice.h"
#include "app/simulator/kernel/UsbfsClient.h"

#include <QString>

#include <cerrno>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <pthread.h>

typedef struct _GMainContext GMainContext;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevTestbed UMockdevTestbed;

namespace lunvik {

// The stencil device as the kernel shows it to a program: a USB device in a
// umockdev test bed (sysfs attributes and descriptors, a /dev/bus/usb node)
// whose usbdevfs calls (claiming, driver queries, URB submission, reaping,
// discarding, resets) are answered here, with a simulated device behind the
// bulk endpoints. A program started with libumockdev-preload.so.0 and the
// bed's UMOCKDEV_DIR finds it through libusb as it finds the real one.
//
// The bed must exist before the program's first libusb context: libusb
// watches for devices through the bed's uevents from its start.
//
// Faults it plays: unplugging (also in the middle of a transfer) and plugging
// in again, the interface held by another program, a kernel printer driver
// bound to it, a node this user may not open, a stalled endpoint, transfers
// that never complete, and transfers that fail with a given status; the
// simulated device's own faults come on top. Thread-safe.
class TavrinKernelUsbDevice {
public:
    static constexpr quint32 vendorIdentifier = 0x2A91;
    static constexpr quint32 productIdentifier = 0xD010;
    static constexpr quint8 inEndpoint = 0x81;
    static constexpr quint8 outEndpoint = 0x02;
    static constexpr quint16 maxPacketSize = 512;
    // An unusual bus, so that a path of an unplugged device never names a
    // real device of the machine.
    static constexpr int busNumber = 76;
    // How long a reap that finds nothing waits for a URB to finish. The
    // node is a plain file, always ready for poll(): without the wait,
    // libusb would reap in a tight loop.
    static constexpr std::chrono::milliseconds emptyReapWait{1};

    explicit TavrinKernelUsbDevice(TavrinSimulatedDevice::Configuration configuration = {},
                                   bool pluggedIn = true);
    ~TavrinKernelUsbDevice();

    TavrinSimulatedDevice& device() { return *m_device; }
    // The bed's folder, UMOCKDEV_DIR for a program that is to see it.
    QString rootDirectory() const;
    // The device's node, /dev/bus/usb/076/<address>; empty while unplugged.
    QString nodePath() const;

    bool isPluggedIn() const;
    // Plugs the device in at a new address, as the kernel enumerates it
    // anew; a simulated device that had failed starts afresh (its jobs stay).
    void plugIn();
    // Pulls the cable. URBs in flight end with urbStatus (-ESHUTDOWN as the
    // kernel reports a vanished device; -EPROTO for one that died in the
    // middle of a packet); the files opened on it answer ENODEV from then on.
    void unplug(int urbStatus = -ESHUTDOWN);

    // Another program has claimed the printer interface.
    void setInterfaceHeldElsewhere(bool held);
    // The kernel's printer driver is bound to the interface: a program must
    // detach it before claiming, and it is bound again when released.
    void setKernelDriverBound(bool bound);
    bool isKernelDriverBound();
    // The node's permissions: an inaccessible one cannot be opened (EACCES).
    void setNodeAccessible(bool accessible);
    // A halted endpoint fails its URBs with -EPIPE until cleared.
    void setEndpointStalled(quint8 endpoint, bool stalled);
    bool isEndpointStalled(quint8 endpoint) const;
    // Off: bulk URBs stay in flight until the program discards them, as with
    // a device that never takes nor sends anything.
    void setTransfersComplete(bool complete);
    // The next count bulk URBs end with the status instead of moving data.
    void failNextTransfers(int count, int status = -EPROTO);

    // Called on the bed's worker after each job the device finished, with
    // its number counted from 1. With forgetsHistory the device then forgets
    // what it received, so that a long session does not grow.
    void setJobFinishedHandler(std::function<void(const TavrinReceivedJob&, int number)> handler,
                               bool forgetsHistory);

    // Files open on the device's nodes, those of an unplugged device
    // included.
    int openFileCount();
    // Bulk URBs submitted so far.
    int bulkTransferCount() const;
    // Processor time the bed's worker thread used, answering the calls and
    // playing the device: to tell the program's own time from the
    // emulation's when both run in one process.
    std::chrono::microseconds emulationProcessorTime() const;

    TavrinKernelUsbDevice(const TavrinKernelUsbDevice&) = delete;
    TavrinKernelUsbDevice& operator=(const TavrinKernelUsbDevice&) = delete;

private:
    static int onIoctl(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, void* self);
    static void onClientConnected(UMockdevIoctlBase* handler, UMockdevIoctlClient* client,
                                  void* self);
    static int onReapWaitOver(void* wait);

    bool handleIoctl(UMockdevIoctlClient* client);
    bool handleSubmission(UsbfsClient& file);
    bool claim(UsbfsClient& file);
    void progress(UsbfsClient& file, const std::shared_ptr<UsbfsUrb>& urb);
    void serveInUrbs();
    void reportFinishedJobs();
    void reapWaitOver(UMockdevIoctlClient* client);
    void forgetClosedFiles();
    UsbfsClient& fileOf(UMockdevIoctlClient* client);
    bool interfaceClaimed() const;
    void plugInLocked();
    void unplugLocked(int urbStatus);
    void applyNodeAccess();
    QString sysfsPath() const;

    mutable std::mutex m_mutex;
    std::unique_ptr<TavrinSimulatedDevice> m_device;
    UMockdevTestbed* m_testbed = nullptr;
    UMockdevIoctlBase* m_handler = nullptr;
    GMainContext* m_workerContext = nullptr;
    std::optional<pthread_t> m_workerThread;
    std::map<UMockdevIoctlClient*, std::unique_ptr<UsbfsClient>> m_files;
    bool m_pluggedIn = false;
    int m_address = 1;
    bool m_closing = false;
    bool m_heldElsewhere = false;
    bool m_printerDriverPresent = false;
    bool m_printerDriverBound = false;
    bool m_nodeAccessible = true;
    bool m_inStalled = false;
    bool m_outStalled = false;
    bool m_transfersComplete = true;
    int m_failuresLeft = 0;
    int m_failureStatus = -EPROTO;
    int m_bulkTransfers = 0;
    std::function<void(const TavrinReceivedJob&, int)> m_jobFinished;
    bool m_forgetsHistory = false;
    int m_reportedJobs = 0;
    int m_finishedJobCount = 0;
};

} // namespace lunvik
