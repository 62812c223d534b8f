#pragma once

#include "imaging/print/ImageSplittable_px.h"
#include "model/connections/PrintTask.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "model/descriptions/TransportType.h"

#include <functional>
#include <memory>
#include <optional>

namespace ambrel {
class DeviceConnection;
}
namespace platform {
class Progress;
}

namespace kestrom {

// Asks a device connection for the areas a print is split into, as the
// canvas shows them. One connection serves every request while the model and
// the transport stay the same; a request keeps its connection alive until it
// has answered. Main thread only.
class SequenceSplitter {
public:
    using DescriptorPointer = std::shared_ptr<const ambrel::DeviceDescriptor>;
    using SequenceAreas = quenta::ImageSplittable_px::SequenceAreas;
    using SequenceAreasHandler = quenta::ImageSplittable_px::SequenceAreasHandler;
    using ConnectionMaker = std::function<std::shared_ptr<ambrel::DeviceConnection>(
        const DescriptorPointer&, ambrel::TransportType)>;

    SequenceSplitter();

    // How connections are made (the model's own by default); drops the kept
    // connection.
    void setConnectionMaker(ConnectionMaker maker);

    // The kept connection for the model and transport, made when they differ
    // from the last request's.
    const std::shared_ptr<ambrel::DeviceConnection>& connection(const DescriptorPointer& descriptor,
                                                                ambrel::TransportType transport);

    // Starts the splitting of the task on the connection, which must offer
    // it; the handler gets the areas later, on the main thread.
    static std::shared_ptr<platform::Progress>
    split(const std::shared_ptr<ambrel::DeviceConnection>& connection,
          quenta::ImageSplittable_px& splittable, const ambrel::PrintTask& task,
          bool isRapidlyRepeated, SequenceAreasHandler handler);

    // Calls the handler with the areas on a later turn of the main thread.
    static void deliverSplittedSequenceAreas(SequenceAreas areas, SequenceAreasHandler handler);

private:
    ConnectionMaker m_makeConnection;
    DescriptorPointer m_descriptor;
    std::optional<ambrel::TransportType> m_transport;
    std::shared_ptr<ambrel::DeviceConnection> m_connection;
};

} // namespace kestrom
