#pragma once

#include "app/simulator/kernel/UsbfsUrb.h"

#include <QString>

#include <deque>
#include <memory>

typedef struct _GSource GSource;

namespace lunvik {

// What the emulated kernel keeps for one open file of the device node. URBs
// belong to the file that submitted them: a program may hold two files of
// one device, and a reap on one never returns the other's URB.
class UsbfsClient {
public:
    UsbfsClient(UMockdevIoctlClient* client, QString node);
    ~UsbfsClient();

    UMockdevIoctlClient* client() const { return m_client; }
    // The device node the file was opened on.
    const QString& node() const { return m_node; }

    // A file of a device that was unplugged: every call fails with ENODEV
    // once its URBs have been reaped.
    bool isStale() const { return m_stale; }
    void makeStale() { m_stale = true; }

    bool claimsInterface() const { return m_claimsInterface; }
    void setClaimsInterface(bool claims) { m_claimsInterface = claims; }

    std::deque<std::shared_ptr<UsbfsUrb>>& inFlight() { return m_inFlight; }
    // Ends a URB in flight (or one just submitted) and hands it to a waiting
    // reap at once.
    void finish(const std::shared_ptr<UsbfsUrb>& urb, int status, const QByteArray& inData = {},
                int transferred = 0);
    // Takes the URB whose address the program names, out of those in flight.
    std::shared_ptr<UsbfsUrb> takeInFlight(unsigned long clientAddress);

    // Answers a USBDEVFS_REAPURBNDELAY at once when it can: with a finished
    // URB, with ENODEV on a stale file, or with EAGAIN right after a URB was
    // handed out (the program reaps until nothing is left). Otherwise the
    // reap waits for the returned delay's timer or for the next URB to
    // finish, so that a program polling a plain file does not spin.
    bool reap(UMockdevIoctlData* resultPointer);
    // The waiting reap gives up: EAGAIN. False when none was waiting.
    bool answerWaitingReap();
    void setWaitTimer(GSource* timer);

    UsbfsClient(const UsbfsClient&) = delete;
    UsbfsClient& operator=(const UsbfsClient&) = delete;

private:
    void hand(UMockdevIoctlData* resultPointer);
    void dropWaitTimer();

    UMockdevIoctlClient* m_client;
    QString m_node;
    bool m_stale = false;
    bool m_claimsInterface = false;
    bool m_justHanded = false;
    std::deque<std::shared_ptr<UsbfsUrb>> m_inFlight;
    std::deque<std::shared_ptr<UsbfsUrb>> m_finished;
    UMockdevIoctlData* m_waitingReap = nullptr;
    GSource* m_waitTimer = nullptr;
};

} // namespace lunvik
