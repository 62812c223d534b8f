#include "core/document/job/SequenceSplitter.h"

#include "model/connections/DeviceConnection.h"
#include "platform/MainThread.h"
#include "platform/Progress.h"

namespace kestrom {

SequenceSplitter::SequenceSplitter() {
    setConnectionMaker({});
}

void SequenceSplitter::setConnectionMaker(ConnectionMaker maker) {
    if (!maker) {
        maker = [](const DescriptorPointer& descriptor, ambrel::TransportType transport) {
            return descriptor->newConnection(transport);
        };
    }
    m_makeConnection = std::move(maker);
    m_descriptor.reset();
    m_transport.reset();
    m_connection.reset();
}

const std::shared_ptr<ambrel::DeviceConnection>&
SequenceSplitter::connection(const DescriptorPointer& descriptor, ambrel::TransportType transport) {
    if (descriptor != m_descriptor || transport != m_transport) {
        m_connection = m_makeConnection(descriptor, transport);
        m_descriptor = descriptor;
        m_transport = transport;
    }
    return m_connection;
}

std::shared_ptr<platform::Progress>
SequenceSplitter::split(const std::shared_ptr<ambrel::DeviceConnection>& connection,
                        quenta::ImageSplittable_px& splittable, const ambrel::PrintTask& task,
                        bool isRapidlyRepeated, SequenceAreasHandler handler) {
    auto progress = std::make_shared<platform::Progress>();
    // The handler may run on any thread, and after the document has moved
    // on to another connection: it holds this one until it has answered.
    splittable.getSplittedSequenceAreas_mm(
        task, isRapidlyRepeated, progress,
        [connection, handler = std::move(handler)](SequenceAreas areas) {
            deliverSplittedSequenceAreas(std::move(areas), handler);
        });
    return progress;
}

void SequenceSplitter::deliverSplittedSequenceAreas(SequenceAreas areas,
                                                    SequenceAreasHandler handler) {
    platform::MainThread::post(
        [areas = std::move(areas), handler = std::move(handler)] { handler(areas); });
}

} // namespace kestrom
