#pragma once

#include "app/tavrin/TavrinBitmapInfo_px.h"
#include "app/tavrin/TavrinDeviceInformation.h"
#include "app/tavrin/TavrinDeviceState.h"
#include "model/columns/BlackWhiteColumnPacker.h"
#include "model/columns/BlackWhiteSendable.h"
#include "model/connections/DeviceConnection.h"
#include "model/units/Dpi.h"

#include <atomic>
#include <optional>

namespace ambrel {
class PrintTask;
}

namespace lunvik {

// The stencil device's connection, made by the plug-in for one print or
// status run. It always reaches the device over USB, renders the task into
// one canvas bitmap, checks the device's state, sends the job's settings and
// geometry and streams the bitmap's columns. Holding Shift, Control, Alt and
// the logo key when a print starts writes the bitmap to the desktop instead.
class TavrinDeviceConnection : public ambrel::DeviceConnection, public ambrel::BlackWhiteSendable {
public:
    static constexpr quint32 vendorIdentifier = 0x2A91;
    static constexpr quint32 productIdentifier = 0xD010;
    // Bytes handed to one send of the column stream.
    static constexpr qint64 maxBufferCount = 3200;

    TavrinDeviceConnection(std::shared_ptr<const ambrel::DeviceDescriptor> deviceDescriptor,
                           std::optional<ambrel::TransportType> transportType);
    ~TavrinDeviceConnection() override;

    // Starts the compute workers and faults in, in the background, the page
    // memory and the packed columns of the model's largest canvas, so that
    // the first print does not wait for fresh memory.
    static void prepareMemory(const ambrel::DeviceDescriptor& descriptor);

    void print(const ambrel::PrintTask& task,
               const std::shared_ptr<platform::Progress>& progress) override;
    QList<ambrel::DeviceStatusElement>
    _getStatusElements(fennick::DeviceCommunicationContext& context) override;

    // The task as one bitmap of the whole canvas: for a print still gray,
    // with the black conversion to make while its columns are packed. With
    // writesDebugParts the black-and-white bitmap goes to the desktop and the
    // run ends as a user cancel.
    virtual TavrinBitmapInfo_px renderBitmap(const ambrel::PrintTask& task,
                                             const std::shared_ptr<platform::Progress>& progress,
                                             bool writesDebugParts);
    // U and its 36-byte reply.
    virtual TavrinDeviceInformation readInformation(fennick::DeviceCommunicationContext& context);
    // The bitmap's columns, rows and bits reversed as the head expects them.
    virtual void sendBitmapColumns(const QImage& bitmap,
                                   const std::shared_ptr<platform::Progress>& progress,
                                   fennick::DeviceCommunicationContext& context);

    // The packer of a bitmap whose black conversion is pending: it makes the
    // conversion in the same pass as the packing, with the rows, bits and
    // columns reversed as sendBitmapColumns sends them. None for a bitmap
    // already converted. Throws what the conversion throws when it cannot
    // run.
    std::optional<ambrel::BlackWhiteColumnPacker>
    pendingConversionPacker(const TavrinBitmapInfo_px& info) const;

    // S and its 18-byte reply.
    TavrinDeviceState readState(fennick::DeviceCommunicationContext& context);
    void sendDensity(qint64 density, fennick::DeviceCommunicationContext& context);
    void sendCommandY(qint64 value, fennick::DeviceCommunicationContext& context);
    void sendJobGeometry(qint64 dotCount, qint64 columnCount,
                         fennick::DeviceCommunicationContext& context);
    void sendBlankColumns(qint64 count, qint64 dotCount,
                          fennick::DeviceCommunicationContext& context);
    static QList<platform::Error> deviceErrors(const TavrinDeviceState& state);

    // Whether a job of this process stopped after its geometry went out and
    // before its last column did, and no query has been answered since: the
    // device, which has no command to abort a job, may then take whatever
    // comes next as that job's columns. Such a device must answer the state
    // query before the next job is sent; switched off and on, it does.
    static bool mayAwaitRestOfJob();

    // Writes a bitmap to the desktop's debug folder (main thread).
    static void writeDebugPart(const TavrinBitmapInfo_px& info, ambrel::Dpi dpi);

private:
    // One device is reached by its identifiers, whichever connection asks.
    static std::atomic<bool>& awaitsRestOfJob();
};

} // namespace lunvik
