#include "platform/worker/PictureWorkerClient.h"

#include "platform/Log.h"
#include "platform/graphics/ImageLimits.h"
#include "platform/worker/PictureWorker.h"
#include "platform/worker/PictureWorkerLimits.h"
#include "platform/worker/PictureWorkerPool.h"
#include "platform/worker/SharedMapping.h"
#include "platform/worker/WorkerDocument.h"

#include <cmath>
#include <limits>

namespace platform {

namespace {

using Protocol = PictureWorkerProtocol;
using Limits = PictureWorkerLimits;
using Cause = PictureWorkerError::Cause;

std::optional<QRectF> rect(const Protocol::Box& box) {
    const QRectF r(box.x, box.y, box.width, box.height);
    constexpr double far = 1e9;
    if (!std::isfinite(box.x) || !std::isfinite(box.y) || !std::isfinite(box.width) ||
        !std::isfinite(box.height) || std::abs(box.x) > far || std::abs(box.y) > far ||
        std::abs(box.width) > far || std::abs(box.height) > far) {
        return std::nullopt;
    }
    return r.normalized();
}

// Opens the document in the worker unless it has it open already: the
// worker's failure, if any; `status` is the worker's answer.
std::optional<Cause> open(PictureWorker& worker, const WorkerDocument& document, bool trial,
                          Protocol::Answer& answer) {
    Protocol::Open request{
        {Protocol::Kind::open, 0}, document.id(), document.memory().size(), trial ? 1u : 0u};
    const int fd = document.memory().fd();
    const auto failure = worker.exchange(request.header, sizeof(request), {&fd, 1}, answer,
                                         Limits::deadline(Limits::Request::open));
    if (!failure && answer.status == Protocol::Status::ok) {
        worker.documents().insert(document.id());
    }
    return failure;
}

void refuse(PictureRefusal* why, PictureRefusal refusal) {
    if (why) {
        *why = refusal;
    }
}

PictureRefusal refusalOf(Protocol::Status status) {
    switch (status) {
    case Protocol::Status::tooLarge:
        return PictureRefusal::tooLarge;
    case Protocol::Status::outOfMemory:
        return PictureRefusal::outOfMemory;
    default:
        return PictureRefusal::noPicture;
    }
}

} // namespace

std::optional<PictureWorkerClient::Page>
PictureWorkerClient::openPage(const WorkerDocument& document, PictureRefusal* why) {
    refuse(why, PictureRefusal::noPicture);
    // A page is drawn next, by the canvas and the print, in pieces side by
    // side: the workers for them start meanwhile.
    PictureWorkerPool::shared().prestart();
    auto worker = PictureWorkerPool::shared().acquire(document.id());
    if (!worker) {
        // The document is not to blame: it is refused as when drawn.
        refuse(why, PictureRefusal::cannotBeDrawn);
        return std::nullopt;
    }
    Protocol::Answer answer{};
    if (open(*worker, document, true, answer)) {
        refuse(why, PictureRefusal::cannotBeDrawn);
        return std::nullopt;
    }
    if (answer.status != Protocol::Status::ok) {
        refuse(why, refusalOf(answer.status));
        return std::nullopt;
    }
    const auto crop = rect(answer.cropBox);
    const auto trim = rect(answer.trimBox);
    if (!crop || !trim || answer.rotation % 90 != 0 || answer.rotation < 0 ||
        answer.rotation >= 360) {
        return std::nullopt;
    }
    return Page{*crop, *trim, answer.rotation};
}

QImage PictureWorkerClient::renderPage(const WorkerDocument& document, double xResolution,
                                       double yResolution, const QRect& pixels, bool gray,
                                       bool smoothed, int quarterTurnsBack) {
    const qint64 depth = gray ? 1 : 4;
    if (pixels.isEmpty() ||
        qint64(pixels.width()) * pixels.height() > std::numeric_limits<qint64>::max() / depth) {
        return {};
    }
    const std::uint64_t bytes =
        std::uint64_t(pixels.width()) * std::uint64_t(pixels.height()) * std::uint64_t(depth);
    auto memory = SharedMemory::create("lunvik-pixels", bytes);
    if (!memory) {
        return {};
    }
    auto worker = PictureWorkerPool::shared().acquire(document.id());
    if (!worker) {
        throw PictureWorkerError(Cause::unavailable);
    }
    Protocol::Answer answer{};
    if (worker->documents().count(document.id()) == 0) {
        if (const auto failure = open(*worker, document, false, answer)) {
            throw PictureWorkerError(*failure);
        }
        if (answer.status != Protocol::Status::ok) {
            Log::line(QStringLiteral("the picture worker %1 could not open a document it opened "
                                     "before")
                          .arg(worker->pid()));
            return {};
        }
    }
    Protocol::Render request{{Protocol::Kind::render, 0},
                             document.id(),
                             xResolution,
                             yResolution,
                             pixels.x(),
                             pixels.y(),
                             pixels.width(),
                             pixels.height(),
                             gray ? 1u : 0u,
                             smoothed ? 1u : 0u,
                             std::uint32_t(quarterTurnsBack & 3),
                             bytes};
    const int fd = memory->fd();
    if (const auto failure = worker->exchange(request.header, sizeof(request), {&fd, 1}, answer,
                                              Limits::deadline(Limits::Request::render))) {
        throw PictureWorkerError(*failure);
    }
    if (answer.status != Protocol::Status::ok) {
        return {};
    }
    const auto format = gray ? QImage::Format_Grayscale8 : QImage::Format_ARGB32_Premultiplied;
    // The library may turn the rectangle it was asked for; its pixels are
    // packed rows that fit the memory given.
    if (answer.format != std::uint32_t(format) || answer.width < 1 || answer.height < 1 ||
        answer.bytesPerLine != qint64(answer.width) * depth ||
        std::uint64_t(answer.bytesPerLine) * std::uint64_t(answer.height) > bytes) {
        Log::line(QStringLiteral("the picture worker %1 answered pixels of another layout")
                      .arg(worker->pid()));
        return {};
    }
    auto mapping = SharedMapping::map(*memory, false);
    if (!mapping) {
        return {};
    }
    return SharedMapping::intoImage(std::move(*mapping), answer.width, answer.height,
                                    qsizetype(answer.bytesPerLine), format);
}

bool PictureWorkerClient::isSupportedHeif(const QByteArray& data) {
    // libheif tells a file from its first boxes.
    const auto document = WorkerDocument::make(
        QByteArrayView(data).first(std::min<qsizetype>(data.size(), qsizetype(1) << 20)));
    if (!document) {
        return false;
    }
    auto worker = PictureWorkerPool::shared().acquire();
    if (!worker) {
        return false;
    }
    Protocol::HeifProbe request{{Protocol::Kind::heifProbe, 0}, document->memory().size()};
    const int fd = document->memory().fd();
    Protocol::Answer answer{};
    return !worker->exchange(request.header, sizeof(request), {&fd, 1}, answer,
                             Limits::deadline(Limits::Request::probe)) &&
           answer.status == Protocol::Status::ok;
}

std::optional<DecodedImage> PictureWorkerClient::decodeHeif(const QByteArray& data,
                                                            PictureRefusal* why) {
    refuse(why, PictureRefusal::noPicture);
    const auto document = WorkerDocument::make(data);
    if (!document) {
        refuse(why, PictureRefusal::outOfMemory);
        return std::nullopt;
    }
    auto worker = PictureWorkerPool::shared().acquire();
    if (!worker) {
        refuse(why, PictureRefusal::cannotBeDrawn);
        return std::nullopt;
    }
    Protocol::HeifProbe request{{Protocol::Kind::heifDecode, 0}, document->memory().size()};
    const int fd = document->memory().fd();
    Protocol::Answer answer{};
    if (worker->exchange(request.header, sizeof(request), {&fd, 1}, answer,
                         Limits::deadline(Limits::Request::decode))) {
        refuse(why, PictureRefusal::cannotBeDrawn);
        return std::nullopt;
    }
    if (answer.status != Protocol::Status::ok) {
        refuse(why, refusalOf(answer.status));
        return std::nullopt;
    }
    const auto format = QImage::Format(answer.format);
    const qint64 depth = format == QImage::Format_RGB888     ? 3
                         : format == QImage::Format_RGBA8888 ? 4
                                                             : 0;
    if (depth == 0 || !ImageLimits::admits(answer.width, answer.height) ||
        answer.bytesPerLine < answer.width * depth ||
        answer.bytesPerLine > answer.width * depth + 64) {
        return std::nullopt;
    }
    const std::uint64_t bytes = std::uint64_t(answer.bytesPerLine) * std::uint64_t(answer.height);
    auto memory = SharedMemory::create("lunvik-pixels", bytes);
    Protocol::HeifPixels pixels{{Protocol::Kind::heifPixels, 0}, memory ? bytes : 0};
    const int pixelFd = memory ? memory->fd() : -1;
    const int width = answer.width;
    const int height = answer.height;
    const qint64 bytesPerLine = answer.bytesPerLine;
    if (worker->exchange(pixels.header, sizeof(pixels),
                         memory ? std::span<const int>(&pixelFd, 1) : std::span<const int>(),
                         answer, Limits::deadline(Limits::Request::decode))) {
        refuse(why, PictureRefusal::cannotBeDrawn);
        return std::nullopt;
    }
    if (!memory) {
        refuse(why, PictureRefusal::outOfMemory);
        return std::nullopt;
    }
    if (answer.status != Protocol::Status::ok) {
        return std::nullopt;
    }
    auto mapping = SharedMapping::map(*memory, false);
    if (!mapping) {
        refuse(why, PictureRefusal::outOfMemory);
        return std::nullopt;
    }
    DecodedImage decoded;
    decoded.image = SharedMapping::intoImage(std::move(*mapping), width, height,
                                             qsizetype(bytesPerLine), format);
    if (decoded.image.isNull()) {
        return std::nullopt;
    }
    return decoded;
}

std::optional<PictureWorkerProtocol::ProbeResults> PictureWorkerClient::probeSandbox() {
    auto worker = PictureWorkerPool::shared().acquire();
    if (!worker) {
        return std::nullopt;
    }
    Protocol::SandboxProbe request{{Protocol::Kind::sandboxProbe, 0}};
    Protocol::Answer answer{};
    if (worker->exchange(request.header, sizeof(request), {}, answer,
                         Limits::deadline(Limits::Request::probe)) ||
        answer.status != Protocol::Status::ok) {
        return std::nullopt;
    }
    return answer.probe;
}

} // namespace platform
