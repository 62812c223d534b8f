#pragma once

#include "platform/worker/SharedMemory.h"

#include <QByteArrayView>

#include <cstdint>
#include <memory>

namespace platform {

// A document's bytes as the picture workers get them: once, in sealed
// shared memory that each worker maps when it first opens the document,
// and known to them by a number no other document takes. The workers
// forget the document when it goes.
class WorkerDocument {
public:
    // Nothing when there is no memory for the bytes.
    static std::shared_ptr<const WorkerDocument> make(QByteArrayView bytes);
    ~WorkerDocument();
    WorkerDocument(const WorkerDocument&) = delete;
    WorkerDocument& operator=(const WorkerDocument&) = delete;

    std::uint64_t id() const { return m_id; }
    const SharedMemory& memory() const { return m_memory; }

private:
    WorkerDocument(std::uint64_t id, SharedMemory memory);

    std::uint64_t m_id;
    SharedMemory m_memory;
};

} // namespace platform
