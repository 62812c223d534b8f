#include "app/simulator/kernel/TavrinKernelUsbDevice.h"

#include "app/simulator/kernel/UsbDeviceDescription.h"

#include <umockdev.h>

#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>

#include <QFile>

#include <cstring>
#include <future>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace lunvik {

namespace {

constexpr unsigned int printerInterface = 0;
const char* const printerDriver = "usblp";
const char* const programDriver = "usbfs";

// A reap that waits: whose it is, for the timer that ends the wait.
struct ReapWait {
    TavrinKernelUsbDevice* device;
    UMockdevIoctlClient* client;
};

bool complete(UMockdevIoctlClient* client, long result, int error = 0) {
    umockdev_ioctl_client_complete(client, result, error);
    return true;
}

bool fail(UMockdevIoctlClient* client, int error) {
    return complete(client, -1, error);
}

// The argument a call points to, copied; written back when the call
// completes.
UMockdevIoctlData* pointee(UMockdevIoctlClient* client, gsize size) {
    return umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, size, nullptr);
}

} // namespace

TavrinKernelUsbDevice::TavrinKernelUsbDevice(TavrinSimulatedDevice::Configuration configuration,
                                             bool pluggedIn)
    : m_device(std::make_unique<TavrinSimulatedDevice>(std::move(configuration))) {
    m_testbed = umockdev_testbed_new();
    m_handler = umockdev_ioctl_base_new();
    g_signal_connect(m_handler, "handle-ioctl", G_CALLBACK(&TavrinKernelUsbDevice::onIoctl), this);
    g_signal_connect(m_handler, "client-connected",
                     G_CALLBACK(&TavrinKernelUsbDevice::onClientConnected), this);
    if (pluggedIn) {
        std::lock_guard lock(m_mutex);
        plugInLocked();
    }
}

TavrinKernelUsbDevice::~TavrinKernelUsbDevice() {
    GMainContext* worker = nullptr;
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
        for (auto& [client, file] : m_files) {
            file->makeStale();
            for (const auto& urb : file->inFlight()) {
                file->finish(urb, -ESHUTDOWN);
            }
            file->inFlight().clear();
            file->answerWaitingReap();
        }
        if (m_pluggedIn) {
            unplugLocked(-ESHUTDOWN);
        }
        worker = std::exchange(m_workerContext, nullptr);
    }
    g_signal_handlers_disconnect_by_data(m_handler, this);
    // Whatever of ours the bed's worker had started has ended once it has
    // run this.
    if (worker) {
        std::promise<void> drained;
        g_main_context_invoke(
            worker,
            [](gpointer promise) {
                static_cast<std::promise<void>*>(promise)->set_value();
                return gboolean(G_SOURCE_REMOVE);
            },
            &drained);
        drained.get_future().wait();
        g_main_context_unref(worker);
    }
    {
        std::lock_guard lock(m_mutex);
        m_files.clear();
    }
    g_object_unref(m_handler);
    g_object_unref(m_testbed);
}

QString TavrinKernelUsbDevice::rootDirectory() const {
    gchar* root = umockdev_testbed_get_root_dir(m_testbed);
    const QString path = QString::fromLocal8Bit(root);
    g_free(root);
    return path;
}

QString TavrinKernelUsbDevice::nodePath() const {
    std::lock_guard lock(m_mutex);
    return m_pluggedIn ? UsbDeviceDescription::nodePath(busNumber, m_address) : QString();
}

QString TavrinKernelUsbDevice::sysfsPath() const {
    return UsbDeviceDescription::sysfsPath(busNumber);
}

bool TavrinKernelUsbDevice::isPluggedIn() const {
    std::lock_guard lock(m_mutex);
    return m_pluggedIn;
}

void TavrinKernelUsbDevice::plugIn() {
    std::lock_guard lock(m_mutex);
    plugInLocked();
}

void TavrinKernelUsbDevice::plugInLocked() {
    if (m_pluggedIn || m_closing) {
        return;
    }
    ++m_address;
    m_inStalled = m_outStalled = false;
    m_printerDriverBound = m_printerDriverPresent;
    if (m_device->hasFailed()) {
        m_device->reconnect();
    }
    const QString node = UsbDeviceDescription::nodePath(busNumber, m_address);
    // The handler first: libusb may open the node as soon as it hears of it.
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(m_testbed, node.toLocal8Bit().constData(), m_handler,
                                       &error)) {
        qFatal("cannot emulate %s: %s", qPrintable(node), error ? error->message : "");
    }
    const QByteArray description = UsbDeviceDescription::text(
        busNumber, m_address, vendorIdentifier, productIdentifier, maxPacketSize);
    if (!umockdev_testbed_add_from_string(m_testbed, description.constData(), &error)) {
        qFatal("cannot add the device: %s", error ? error->message : "");
    }
    m_pluggedIn = true;
    applyNodeAccess();
    // The bed announces a device before its descriptors and node are written;
    // a listener that looked too early hears of it again, complete.
    umockdev_testbed_uevent(m_testbed, sysfsPath().toLocal8Bit().constData(), "add");
}

void TavrinKernelUsbDevice::unplug(int urbStatus) {
    std::lock_guard lock(m_mutex);
    unplugLocked(urbStatus);
}

void TavrinKernelUsbDevice::unplugLocked(int urbStatus) {
    if (!m_pluggedIn) {
        return;
    }
    m_pluggedIn = false;
    const QString node = UsbDeviceDescription::nodePath(busNumber, m_address);
    for (auto& [client, file] : m_files) {
        if (file->node() != node) {
            continue;
        }
        file->makeStale();
        file->setClaimsInterface(false);
        for (const auto& urb : file->inFlight()) {
            file->finish(urb, urbStatus);
        }
        file->inFlight().clear();
        file->answerWaitingReap();
    }
    const QByteArray sysfs = sysfsPath().toLocal8Bit();
    umockdev_testbed_uevent(m_testbed, sysfs.constData(), "remove");
    umockdev_testbed_remove_device(m_testbed, sysfs.constData());
    // Opening the old path must fail from now on, before the handler goes.
    QFile::remove(rootDirectory() + node);
    umockdev_testbed_detach_ioctl(m_testbed, node.toLocal8Bit().constData(), nullptr);
}

void TavrinKernelUsbDevice::setInterfaceHeldElsewhere(bool held) {
    std::lock_guard lock(m_mutex);
    m_heldElsewhere = held;
}

void TavrinKernelUsbDevice::setKernelDriverBound(bool bound) {
    std::lock_guard lock(m_mutex);
    m_printerDriverPresent = bound;
    m_printerDriverBound = bound;
}

bool TavrinKernelUsbDevice::isKernelDriverBound() {
    std::lock_guard lock(m_mutex);
    forgetClosedFiles();
    return m_printerDriverBound;
}

void TavrinKernelUsbDevice::setNodeAccessible(bool accessible) {
    std::lock_guard lock(m_mutex);
    m_nodeAccessible = accessible;
    applyNodeAccess();
}

void TavrinKernelUsbDevice::applyNodeAccess() {
    if (!m_pluggedIn) {
        return;
    }
    const QByteArray path =
        (rootDirectory() + UsbDeviceDescription::nodePath(busNumber, m_address)).toLocal8Bit();
    ::chmod(path.constData(), m_nodeAccessible ? 0664 : 0);
}

void TavrinKernelUsbDevice::setEndpointStalled(quint8 endpoint, bool stalled) {
    std::lock_guard lock(m_mutex);
    (endpoint == inEndpoint ? m_inStalled : m_outStalled) = stalled;
}

bool TavrinKernelUsbDevice::isEndpointStalled(quint8 endpoint) const {
    std::lock_guard lock(m_mutex);
    return endpoint == inEndpoint ? m_inStalled : m_outStalled;
}

void TavrinKernelUsbDevice::setTransfersComplete(bool complete) {
    std::lock_guard lock(m_mutex);
    m_transfersComplete = complete;
    if (complete) {
        serveInUrbs();
    }
}

void TavrinKernelUsbDevice::failNextTransfers(int count, int status) {
    std::lock_guard lock(m_mutex);
    m_failuresLeft = count;
    m_failureStatus = status;
}

void TavrinKernelUsbDevice::setJobFinishedHandler(
    std::function<void(const TavrinReceivedJob&, int)> handler, bool forgetsHistory) {
    std::lock_guard lock(m_mutex);
    m_jobFinished = std::move(handler);
    m_forgetsHistory = forgetsHistory;
    m_reportedJobs = int(m_device->jobs().size());
}

int TavrinKernelUsbDevice::openFileCount() {
    std::lock_guard lock(m_mutex);
    forgetClosedFiles();
    return int(m_files.size());
}

int TavrinKernelUsbDevice::bulkTransferCount() const {
    std::lock_guard lock(m_mutex);
    return m_bulkTransfers;
}

std::chrono::microseconds TavrinKernelUsbDevice::emulationProcessorTime() const {
    std::lock_guard lock(m_mutex);
    clockid_t clock{};
    timespec time{};
    if (!m_workerThread || pthread_getcpuclockid(*m_workerThread, &clock) != 0 ||
        clock_gettime(clock, &time) != 0) {
        return {};
    }
    return std::chrono::seconds(time.tv_sec) + std::chrono::microseconds(time.tv_nsec / 1000);
}

int TavrinKernelUsbDevice::onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self) {
    return static_cast<TavrinKernelUsbDevice*>(self)->handleIoctl(client);
}

void TavrinKernelUsbDevice::onClientConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client,
                                              void* self) {
    auto* device = static_cast<TavrinKernelUsbDevice*>(self);
    std::lock_guard lock(device->m_mutex);
    device->fileOf(client);
}

// The bed tells of a closed file only through its client's state: files are
// forgotten when next looked at. Closing a file releases its interface, and
// the kernel's driver may bind again; its URBs go with it.
void TavrinKernelUsbDevice::forgetClosedFiles() {
    for (auto it = m_files.begin(); it != m_files.end();) {
        if (umockdev_ioctl_client_get_connected(it->first)) {
            ++it;
            continue;
        }
        if (it->second->claimsInterface() && m_printerDriverPresent && m_pluggedIn) {
            m_printerDriverBound = true;
        }
        it = m_files.erase(it);
    }
}

UsbfsClient& TavrinKernelUsbDevice::fileOf(UMockdevIoctlClient* client) {
    auto& file = m_files[client];
    if (!file) {
        file = std::make_unique<UsbfsClient>(
            client, QString::fromLocal8Bit(umockdev_ioctl_client_get_devnode(client)));
        // A file opened on the node of an unplugged device is stale at once.
        if (!m_pluggedIn || file->node() != UsbDeviceDescription::nodePath(busNumber, m_address)) {
            file->makeStale();
        }
    }
    if (!m_workerContext) {
        m_workerContext = g_main_context_ref_thread_default();
        m_workerThread = pthread_self();
    }
    return *file;
}

bool TavrinKernelUsbDevice::interfaceClaimed() const {
    for (const auto& [client, file] : m_files) {
        if (file->claimsInterface()) {
            return true;
        }
    }
    return false;
}

int TavrinKernelUsbDevice::onReapWaitOver(void* data) {
    auto* wait = static_cast<ReapWait*>(data);
    wait->device->reapWaitOver(wait->client);
    return G_SOURCE_REMOVE;
}

void TavrinKernelUsbDevice::reapWaitOver(UMockdevIoctlClient* client) {
    std::lock_guard lock(m_mutex);
    const auto found = m_files.find(client);
    if (found != m_files.end()) {
        found->second->answerWaitingReap();
    }
}

bool TavrinKernelUsbDevice::handleIoctl(UMockdevIoctlClient* client) {
    std::lock_guard lock(m_mutex);
    forgetClosedFiles();
    UsbfsClient& file = fileOf(client);
    const gulong request = umockdev_ioctl_client_get_request(client);

    if (request == USBDEVFS_REAPURBNDELAY || request == USBDEVFS_REAPURB) {
        UMockdevIoctlData* result = pointee(client, sizeof(void*));
        if (!result) {
            return fail(client, EFAULT);
        }
        if (!file.reap(result)) {
            GSource* timer = g_timeout_source_new(guint(emptyReapWait.count()));
            g_source_set_callback(
                timer, reinterpret_cast<GSourceFunc>(&TavrinKernelUsbDevice::onReapWaitOver),
                new ReapWait{this, client},
                [](gpointer wait) { delete static_cast<ReapWait*>(wait); });
            g_source_attach(timer, m_workerContext);
            file.setWaitTimer(timer);
        }
        g_object_unref(result);
        return true;
    }
    if (file.isStale() || m_closing) {
        return fail(client, ENODEV);
    }

    switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
        UMockdevIoctlData* caps = pointee(client, sizeof(guint32));
        if (!caps) {
            return fail(client, EFAULT);
        }
        const guint32 value = USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION |
                              USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
        std::memcpy(caps->data, &value, sizeof value);
        g_object_unref(caps);
        return complete(client, 0);
    }
    case USBDEVFS_SUBMITURB:
        return handleSubmission(file);
    case USBDEVFS_DISCARDURB: {
        unsigned long address = 0;
        std::memcpy(&address, umockdev_ioctl_client_get_arg(client)->data, sizeof address);
        const std::shared_ptr<UsbfsUrb> urb = file.takeInFlight(address);
        if (!urb) {
            return fail(client, EINVAL);
        }
        file.finish(urb, -ENOENT);
        return complete(client, 0);
    }
    case USBDEVFS_GETDRIVER: {
        UMockdevIoctlData* query = pointee(client, sizeof(usbdevfs_getdriver));
        if (!query) {
            return fail(client, EFAULT);
        }
        auto* driver = reinterpret_cast<usbdevfs_getdriver*>(query->data);
        const char* name = (m_heldElsewhere || interfaceClaimed()) ? programDriver
                           : m_printerDriverBound                  ? printerDriver
                                                                   : nullptr;
        if (name) {
            std::strncpy(driver->driver, name, sizeof driver->driver);
        }
        g_object_unref(query);
        return name ? complete(client, 0) : fail(client, ENODATA);
    }
    case USBDEVFS_CLAIMINTERFACE:
        return claim(file);
    case USBDEVFS_DISCONNECT_CLAIM: {
        UMockdevIoctlData* data = pointee(client, sizeof(usbdevfs_disconnect_claim));
        if (!data) {
            return fail(client, EFAULT);
        }
        const auto* request = reinterpret_cast<const usbdevfs_disconnect_claim*>(data->data);
        const bool spares = (request->flags & USBDEVFS_DISCONNECT_CLAIM_EXCEPT_DRIVER) &&
                            std::strcmp(request->driver, printerDriver) == 0;
        if (m_printerDriverBound && !spares) {
            m_printerDriverBound = false;
        }
        g_object_unref(data);
        return claim(file);
    }
    case USBDEVFS_RELEASEINTERFACE:
        if (!file.claimsInterface()) {
            return fail(client, EINVAL);
        }
        file.setClaimsInterface(false);
        return complete(client, 0);
    case USBDEVFS_IOCTL: {
        UMockdevIoctlData* data = pointee(client, sizeof(usbdevfs_ioctl));
        if (!data) {
            return fail(client, EFAULT);
        }
        const int code = reinterpret_cast<const usbdevfs_ioctl*>(data->data)->ioctl_code;
        g_object_unref(data);
        if (code == int(USBDEVFS_DISCONNECT)) {
            if (!m_printerDriverBound) {
                return fail(client, ENODATA);
            }
            m_printerDriverBound = false;
            return complete(client, 0);
        }
        if (code == int(USBDEVFS_CONNECT)) {
            if (interfaceClaimed() || m_heldElsewhere || m_printerDriverBound) {
                return fail(client, EBUSY);
            }
            m_printerDriverBound = m_printerDriverPresent;
            return complete(client, m_printerDriverBound ? 1 : 0);
        }
        return fail(client, ENOTTY);
    }
    case USBDEVFS_CLEAR_HALT: {
        UMockdevIoctlData* data = pointee(client, sizeof(unsigned int));
        if (!data) {
            return fail(client, EFAULT);
        }
        unsigned int endpoint = 0;
        std::memcpy(&endpoint, data->data, sizeof endpoint);
        g_object_unref(data);
        (endpoint == inEndpoint ? m_inStalled : m_outStalled) = false;
        return complete(client, 0);
    }
    case USBDEVFS_RESET:
        m_inStalled = m_outStalled = false;
        return complete(client, 0);
    case USBDEVFS_RESETEP:
    case USBDEVFS_SETINTERFACE:
        return complete(client, 0);
    case USBDEVFS_SETCONFIGURATION:
        return interfaceClaimed() ? fail(client, EBUSY) : complete(client, 0);
    default:
        return fail(client, ENOTTY);
    }
}

bool TavrinKernelUsbDevice::claim(UsbfsClient& file) {
    UMockdevIoctlClient* client = file.client();
    if (file.claimsInterface()) {
        return complete(client, 0);
    }
    if (m_heldElsewhere || m_printerDriverBound || interfaceClaimed()) {
        return fail(client, EBUSY);
    }
    file.setClaimsInterface(true);
    return complete(client, 0);
}

bool TavrinKernelUsbDevice::handleSubmission(UsbfsClient& file) {
    UMockdevIoctlClient* client = file.client();
    const std::shared_ptr<UsbfsUrb> urb = UsbfsUrb::fromSubmission(client);
    if (!urb) {
        return fail(client, EFAULT);
    }
    if (urb->type() != USBDEVFS_URB_TYPE_BULK) {
        // The device has no requests of its own on the control pipe.
        file.finish(urb, -EPIPE);
        return complete(client, 0);
    }
    if (urb->endpoint() != inEndpoint && urb->endpoint() != outEndpoint) {
        return fail(client, ENOENT);
    }
    ++m_bulkTransfers;
    complete(client, 0);
    progress(file, urb);
    return true;
}

// Moves a bulk URB as far as the device lets it.
void TavrinKernelUsbDevice::progress(UsbfsClient& file, const std::shared_ptr<UsbfsUrb>& urb) {
    if (m_failuresLeft > 0) {
        --m_failuresLeft;
        file.finish(urb, m_failureStatus);
        return;
    }
    if (urb->isIn() ? m_inStalled : m_outStalled) {
        file.finish(urb, -EPIPE);
        return;
    }
    file.inFlight().push_back(urb);
    if (!m_transfersComplete) {
        return;
    }
    if (urb->isIn()) {
        serveInUrbs();
        return;
    }
    file.inFlight().pop_back();
    const QByteArray data = urb->outData();
    const qint64 taken = m_device->receive(data);
    if (m_device->hasFailed()) {
        // The device dropped off the bus in the middle of the packet.
        file.finish(urb, -EPROTO, {}, int(taken));
        unplugLocked(-ESHUTDOWN);
        return;
    }
    file.finish(urb, 0, {}, int(data.size()));
    reportFinishedJobs();
    serveInUrbs();
}

void TavrinKernelUsbDevice::reportFinishedJobs() {
    if (!m_jobFinished) {
        return;
    }
    const QList<TavrinReceivedJob> jobs = m_device->jobs();
    for (int i = m_reportedJobs; i < jobs.size(); ++i) {
        m_jobFinished(jobs[i], ++m_finishedJobCount);
    }
    m_reportedJobs = int(jobs.size());
    if (m_forgetsHistory && !jobs.isEmpty()) {
        m_device->clearHistory();
        m_reportedJobs = int(m_device->jobs().size());
    }
}

// IN URBs in flight take the device's answers, oldest first.
void TavrinKernelUsbDevice::serveInUrbs() {
    if (!m_transfersComplete) {
        return;
    }
    for (auto& [client, file] : m_files) {
        auto& urbs = file->inFlight();
        for (auto it = urbs.begin(); it != urbs.end() && m_device->pendingReplySize() > 0;) {
            if (!(*it)->isIn()) {
                ++it;
                continue;
            }
            const std::shared_ptr<UsbfsUrb> urb = *it;
            it = urbs.erase(it);
            file->finish(urb, 0, m_device->takeReply(urb->length()));
        }
    }
}

} // namespace lunvik
