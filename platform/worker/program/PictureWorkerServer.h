#pragma once

#include "platform/graphics/PdfPageRenderer.h"
#include "platform/worker/PictureWorkerProtocol.h"
#include "platform/worker/SharedMapping.h"
#include "platform/worker/WorkerChannel.h"

#include <QByteArray>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace platform {

class PictureCodecs;

// The worker's side of the socket: serves the program's requests one at a
// time, with the picture decoders' module, until the program closes its
// end. Keeps the documents the program opened in it.
class PictureWorkerServer {
public:
    PictureWorkerServer(const PictureCodecs& codecs, WorkerChannel channel);
    void serve();

private:
    using Protocol = PictureWorkerProtocol;

    struct Document {
        SharedMapping mapping;
        QByteArray bytes; // over the mapping
        std::unique_ptr<PdfPageRenderer> page;
    };

    // False when the program is gone.
    bool serveOne();
    void open(const Protocol::Open& request, std::vector<int>& fds);
    void render(const Protocol::Render& request, std::vector<int>& fds);
    void probeHeif(const Protocol::HeifProbe& request, std::vector<int>& fds);
    void decodeHeif(const Protocol::HeifProbe& request, std::vector<int>& fds);
    void answer(Protocol::Answer answer);
    void answer(Protocol::Status status);
    // The document's bytes in the first descriptor, mapped for reading.
    static std::optional<SharedMapping> mapDocument(std::vector<int>& fds, std::uint64_t bytes);

    const PictureCodecs& m_codecs;
    WorkerChannel m_channel;
    std::map<std::uint64_t, Document> m_documents;
    std::uint32_t m_sequence = 0;
};

} // namespace platform
