#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <memory>

typedef struct _UMockdevIoctlClient UMockdevIoctlClient;
typedef struct _UMockdevIoctlData UMockdevIoctlData;

namespace lunvik {

// One URB a program submitted to the emulated device node, held as the kernel
// holds it until the program reaps it: a local copy of the program's URB and
// of its buffer, written back when it is reaped.
class UsbfsUrb {
public:
    // Copies the URB that a USBDEVFS_SUBMITURB call points to; nothing when
    // its memory cannot be read.
    static std::shared_ptr<UsbfsUrb> fromSubmission(UMockdevIoctlClient* client);
    ~UsbfsUrb();

    quint8 endpoint() const { return m_endpoint; }
    quint8 type() const { return m_type; }
    bool isIn() const { return m_endpoint & 0x80; }
    int length() const { return m_length; }
    // The address of the URB in the program, as USBDEVFS_DISCARDURB names it.
    unsigned long clientAddress() const;
    // The bytes of an OUT URB.
    QByteArray outData() const;

    // Ends the URB: its status (0 or a negative errno) and, for an IN URB,
    // the bytes that arrived; an OUT URB counts transferred bytes.
    void finish(int status, const QByteArray& inData, int transferred);
    // Makes the reap's result pointer (a void** in the program) point at this
    // URB, so that the program sees its status, length and data.
    void hand(UMockdevIoctlData* resultPointer);

    UsbfsUrb(const UsbfsUrb&) = delete;
    UsbfsUrb& operator=(const UsbfsUrb&) = delete;

private:
    UsbfsUrb() = default;

    UMockdevIoctlData* m_urb = nullptr;
    UMockdevIoctlData* m_buffer = nullptr;
    quint8 m_endpoint = 0;
    quint8 m_type = 0;
    int m_length = 0;
};

} // namespace lunvik
