#include "platform/worker/program/PictureWorkerServer.h"

#include "platform/graphics/PictureCodecs.h"
#include "platform/worker/PictureWorkerLimits.h"
#include "platform/worker/SharedMemory.h"
#include "platform/worker/program/PictureWorkerSandbox.h"
#include "platform/worker/program/PictureWorkerTestFaults.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>

namespace platform {

namespace {

using Protocol = PictureWorkerProtocol;
using Limits = PictureWorkerLimits;

// The longest side of a page drawn when it is opened: the page is drawn
// once, small, so that a document the library cannot draw is refused then.
constexpr double trialSide = 256;

Protocol::Box box(const QRectF& r) {
    return {r.x(), r.y(), r.width(), r.height()};
}

void closeAll(std::vector<int>& fds) {
    for (const int fd : fds) {
        ::close(fd);
    }
    fds.clear();
}

// The mapped bytes, read where they lie.
QByteArray bytesOf(const SharedMapping& mapping) {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(mapping.data()),
                                   qsizetype(mapping.size()));
}

// Takes the first descriptor out of the list, owned by the caller.
int takeFirst(std::vector<int>& fds) {
    if (fds.empty()) {
        return -1;
    }
    const int fd = fds.front();
    fds.erase(fds.begin());
    return fd;
}

} // namespace

PictureWorkerServer::PictureWorkerServer(const PictureCodecs& codecs, WorkerChannel channel)
    : m_codecs(codecs), m_channel(std::move(channel)) {}

void PictureWorkerServer::serve() {
    while (serveOne()) {
    }
}

bool PictureWorkerServer::serveOne() {
    alignas(std::max_align_t) unsigned char message[Protocol::maximumRequestSize] = {};
    std::size_t size = 0;
    std::vector<int> fds;
    if (m_channel.receive(message, sizeof(message), size, fds) != WorkerChannel::Result::received) {
        closeAll(fds);
        return false;
    }
    if (size < sizeof(Protocol::Header)) {
        closeAll(fds);
        return false;
    }
    Protocol::Header header{};
    std::memcpy(&header, message, sizeof(header));
    m_sequence = header.sequence;
    // Each request is read whole, as its own struct.
    auto as = [&](auto& request) {
        if (size != sizeof(request)) {
            return false;
        }
        std::memcpy(&request, message, sizeof(request));
        return true;
    };
    bool understood = true;
    switch (header.kind) {
    case Protocol::Kind::open: {
        Protocol::Open request{};
        if ((understood = as(request))) {
            open(request, fds);
        }
        break;
    }
    case Protocol::Kind::close: {
        Protocol::Close request{};
        if ((understood = as(request))) {
            m_documents.erase(request.document);
        }
        break;
    }
    case Protocol::Kind::render: {
        Protocol::Render request{};
        if ((understood = as(request))) {
            render(request, fds);
        }
        break;
    }
    case Protocol::Kind::heifProbe:
    case Protocol::Kind::heifDecode: {
        Protocol::HeifProbe request{};
        if ((understood = as(request))) {
            if (header.kind == Protocol::Kind::heifProbe) {
                probeHeif(request, fds);
            } else {
                decodeHeif(request, fds);
            }
        }
        break;
    }
    case Protocol::Kind::sandboxProbe: {
        Protocol::Answer probed{};
        if (PictureWorkerTestFaults::enabled()) {
            probed.status = Protocol::Status::ok;
            probed.probe = PictureWorkerSandbox::probe();
        } else {
            probed.status = Protocol::Status::refused;
        }
        answer(probed);
        break;
    }
    default:
        understood = false;
        break;
    }
    closeAll(fds);
    return understood;
}

void PictureWorkerServer::answer(Protocol::Answer answer) {
    answer.header = {Protocol::Kind::answer, m_sequence};
    answer.cpuSeconds = PictureWorkerSandbox::processorSeconds();
    m_channel.send(&answer, sizeof(answer));
}

void PictureWorkerServer::answer(Protocol::Status status) {
    Protocol::Answer plain{};
    plain.status = status;
    answer(plain);
}

std::optional<SharedMapping> PictureWorkerServer::mapDocument(std::vector<int>& fds,
                                                              std::uint64_t bytes) {
    auto memory = SharedMemory::adopt(takeFirst(fds), std::size_t(bytes));
    if (!memory) {
        return std::nullopt;
    }
    return SharedMapping::map(*memory, false);
}

void PictureWorkerServer::open(const Protocol::Open& request, std::vector<int>& fds) {
    m_documents.erase(request.document);
    PictureWorkerSandbox::limitRequest(
        Limits::addressSpaceGrowthForRender(std::uint64_t(trialSide * trialSide), request.bytes),
        Limits::processorSecondsFor(Limits::Request::open, 1));
    auto mapping = mapDocument(fds, request.bytes);
    if (!mapping) {
        answer(Protocol::Status::refused);
        return;
    }
    Document document;
    document.bytes = bytesOf(*mapping);
    document.mapping = std::move(*mapping);
    PictureWorkerTestFaults::act(PictureWorkerTestFaults::Stage::open, document.bytes);
    document.page = m_codecs.loadPdfFirstPage(document.bytes);
    if (!document.page) {
        answer(Protocol::Status::noPicture);
        return;
    }
    Protocol::Answer opened{};
    opened.status = Protocol::Status::ok;
    const QRectF crop = document.page->cropBox();
    opened.cropBox = box(crop);
    opened.trimBox = box(document.page->trimBox());
    opened.rotation = document.page->rotation();
    // A page of no size, or of sides no number holds, makes no picture
    // (the program refuses it) and is not drawn.
    const double side = std::max(crop.width(), crop.height());
    const double dpi = 72.0 * trialSide / side;
    if (request.drawsTrial != 0 && crop.width() > 0 && crop.height() > 0 && std::isfinite(side) &&
        std::isfinite(dpi) && dpi > 0) {
        // Drawn as it will be shown: unturned, gray.
        const auto pixelsAlong = [&](double points) {
            return int(std::clamp(std::ceil(points * dpi / 72.0), 1.0, trialSide));
        };
        document.page->render(dpi, dpi,
                              QRect(0, 0, pixelsAlong(crop.width()), pixelsAlong(crop.height())),
                              true, false, 0);
    }
    m_documents[request.document] = std::move(document);
    answer(opened);
}

void PictureWorkerServer::render(const Protocol::Render& request, std::vector<int>& fds) {
    const auto found = m_documents.find(request.document);
    auto memory = SharedMemory::adopt(takeFirst(fds), std::size_t(request.bufferBytes));
    const qint64 depth = request.gray != 0 ? 1 : 4;
    if (found == m_documents.end() || !memory || request.width < 1 || request.height < 1 ||
        std::uint64_t(request.width) * std::uint64_t(request.height) * std::uint64_t(depth) >
            request.bufferBytes) {
        answer(Protocol::Status::refused);
        return;
    }
    Document& document = found->second;
    // The document is mapped already; the pixels' memory is not yet.
    PictureWorkerSandbox::limitRequest(Limits::addressSpaceGrowthForRender(request.bufferBytes, 0),
                                       Limits::processorSecondsFor(Limits::Request::render, 1));
    auto mapping = SharedMapping::map(*memory, true);
    if (!mapping) {
        answer(Protocol::Status::outOfMemory);
        return;
    }
    PictureWorkerTestFaults::act(PictureWorkerTestFaults::Stage::render, document.bytes);
    QImage image = document.page->render(request.xResolution, request.yResolution,
                                         QRect(request.x, request.y, request.width, request.height),
                                         request.gray != 0, request.smoothed != 0,
                                         int(request.quarterTurnsBack % 4));
    const qsizetype rowBytes = qsizetype(image.width()) * depth;
    if (image.isNull() || qint64(rowBytes) * image.height() > qint64(mapping->size()) ||
        image.depth() != depth * 8) {
        answer(Protocol::Status::failed);
        return;
    }
    for (int row = 0; row < image.height(); ++row) {
        std::memcpy(mapping->data() + qsizetype(row) * rowBytes, image.constScanLine(row),
                    std::size_t(rowBytes));
    }
    Protocol::Answer drawn{};
    drawn.status = Protocol::Status::ok;
    drawn.width = image.width();
    drawn.height = image.height();
    drawn.bytesPerLine = rowBytes;
    drawn.format = std::uint32_t(image.format());
    answer(drawn);
}

void PictureWorkerServer::probeHeif(const Protocol::HeifProbe& request, std::vector<int>& fds) {
    const auto mapping = mapDocument(fds, request.bytes);
    if (!mapping) {
        answer(Protocol::Status::refused);
        return;
    }
    answer(m_codecs.isSupportedHeif(bytesOf(*mapping)) ? Protocol::Status::ok
                                                       : Protocol::Status::noPicture);
}

void PictureWorkerServer::decodeHeif(const Protocol::HeifProbe& request, std::vector<int>& fds) {
    PictureWorkerSandbox::limitRequest(
        Limits::addressSpaceCeiling(),
        Limits::processorSecondsFor(Limits::Request::decode,
                                    std::max(1u, std::thread::hardware_concurrency())));
    const auto mapping = mapDocument(fds, request.bytes);
    if (!mapping) {
        answer(Protocol::Status::refused);
        return;
    }
    const QByteArray bytes = bytesOf(*mapping);
    // The layout is answered once the picture is decoded; the program then
    // gives memory for it.
    std::optional<SharedMapping> pixels;
    bool asked = false;
    const auto target = [&](int width, int height, qsizetype bytesPerLine,
                            QImage::Format format) -> uchar* {
        asked = true;
        Protocol::Answer layout{};
        layout.status = Protocol::Status::ok;
        layout.width = width;
        layout.height = height;
        layout.bytesPerLine = bytesPerLine;
        layout.format = std::uint32_t(format);
        answer(layout);
        alignas(std::max_align_t) unsigned char message[Protocol::maximumRequestSize] = {};
        std::size_t size = 0;
        std::vector<int> given;
        Protocol::HeifPixels reply{};
        if (m_channel.receive(message, sizeof(message), size, given) !=
                WorkerChannel::Result::received ||
            size != sizeof(reply)) {
            closeAll(given);
            _exit(0); // the program is gone, or speaks another protocol
        }
        std::memcpy(&reply, message, sizeof(reply));
        m_sequence = reply.header.sequence;
        const std::uint64_t needed = std::uint64_t(bytesPerLine) * std::uint64_t(height);
        if (reply.header.kind == Protocol::Kind::heifPixels && reply.bufferBytes >= needed) {
            if (auto memory = SharedMemory::adopt(takeFirst(given), std::size_t(needed))) {
                pixels = SharedMapping::map(*memory, true);
            }
        }
        closeAll(given);
        return pixels ? pixels->data() : nullptr;
    };
    PictureRefusal why = PictureRefusal::noPicture;
    const bool decoded = m_codecs.decodeHeif(bytes, &why, target);
    if (asked) {
        answer(decoded && pixels ? Protocol::Status::ok : Protocol::Status::refused);
        return;
    }
    switch (why) {
    case PictureRefusal::tooLarge:
        answer(Protocol::Status::tooLarge);
        break;
    case PictureRefusal::outOfMemory:
        answer(Protocol::Status::outOfMemory);
        break;
    default:
        answer(Protocol::Status::noPicture);
        break;
    }
}

} // namespace platform
