#include "platform/worker/WorkerDocument.h"

#include "platform/worker/PictureWorkerPool.h"

#include <atomic>

namespace platform {

WorkerDocument::WorkerDocument(std::uint64_t id, SharedMemory memory)
    : m_id(id), m_memory(std::move(memory)) {}

WorkerDocument::~WorkerDocument() {
    PictureWorkerPool::shared().forget(m_id);
}

std::shared_ptr<const WorkerDocument> WorkerDocument::make(QByteArrayView bytes) {
    static std::atomic<std::uint64_t> lastId{0};
    auto memory = SharedMemory::sealedCopy("lunvik-document", bytes);
    if (!memory) {
        return nullptr;
    }
    return std::shared_ptr<const WorkerDocument>(new WorkerDocument(++lastId, std::move(*memory)));
}

} // namespace platform
