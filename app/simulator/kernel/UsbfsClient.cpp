#include "app/simulator/kernel/UsbfsClient.h"

#include <umockdev.h>

#include <algorithm>
#include <cerrno>

namespace lunvik {

UsbfsClient::UsbfsClient(UMockdevIoctlClient* client, QString node)
    : m_client(UMOCKDEV_IOCTL_CLIENT(g_object_ref(client))), m_node(std::move(node)) {}

UsbfsClient::~UsbfsClient() {
    dropWaitTimer();
    if (m_waitingReap) {
        g_object_unref(m_waitingReap);
    }
    g_object_unref(m_client);
}

void UsbfsClient::finish(const std::shared_ptr<UsbfsUrb>& urb, int status, const QByteArray& inData,
                         int transferred) {
    urb->finish(status, inData, transferred);
    m_finished.push_back(urb);
    if (m_waitingReap) {
        dropWaitTimer();
        UMockdevIoctlData* pointer = std::exchange(m_waitingReap, nullptr);
        hand(pointer);
        g_object_unref(pointer);
    }
}

std::shared_ptr<UsbfsUrb> UsbfsClient::takeInFlight(unsigned long clientAddress) {
    const auto found = std::find_if(m_inFlight.begin(), m_inFlight.end(), [&](const auto& urb) {
        return urb->clientAddress() == clientAddress;
    });
    if (found == m_inFlight.end()) {
        return nullptr;
    }
    std::shared_ptr<UsbfsUrb> urb = *found;
    m_inFlight.erase(found);
    return urb;
}

void UsbfsClient::hand(UMockdevIoctlData* resultPointer) {
    std::shared_ptr<UsbfsUrb> urb = m_finished.front();
    m_finished.pop_front();
    urb->hand(resultPointer);
    m_justHanded = true;
    umockdev_ioctl_client_complete(m_client, 0, 0);
}

bool UsbfsClient::reap(UMockdevIoctlData* resultPointer) {
    if (!m_finished.empty()) {
        hand(resultPointer);
        return true;
    }
    if (m_stale) {
        umockdev_ioctl_client_complete(m_client, -1, ENODEV);
        return true;
    }
    if (std::exchange(m_justHanded, false)) {
        umockdev_ioctl_client_complete(m_client, -1, EAGAIN);
        return true;
    }
    m_waitingReap = UMOCKDEV_IOCTL_DATA(g_object_ref(resultPointer));
    return false;
}

bool UsbfsClient::answerWaitingReap() {
    dropWaitTimer();
    if (!m_waitingReap) {
        return false;
    }
    g_object_unref(std::exchange(m_waitingReap, nullptr));
    umockdev_ioctl_client_complete(m_client, -1, m_stale ? ENODEV : EAGAIN);
    return true;
}

void UsbfsClient::setWaitTimer(GSource* timer) {
    dropWaitTimer();
    m_waitTimer = timer;
}

void UsbfsClient::dropWaitTimer() {
    if (m_waitTimer) {
        g_source_destroy(m_waitTimer);
        g_source_unref(m_waitTimer);
        m_waitTimer = nullptr;
    }
}

} // namespace lunvik
