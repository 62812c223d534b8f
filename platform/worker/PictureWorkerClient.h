#pragma once

#include "platform/graphics/DecodedImage.h"
#include "platform/graphics/PictureRefusal.h"
#include "platform/worker/PictureWorkerProtocol.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QRectF>

#include <optional>

namespace platform {

class WorkerDocument;

// The requests the program makes of its picture workers (PictureWorkerPool):
// each one on a worker of its own for as long as it runs, under its
// deadline. A worker that crashes, is killed or misses the deadline turns
// into PictureWorkerError or a refusal (PictureRefusal::cannotBeDrawn);
// the worker is replaced on the next request.
class PictureWorkerClient {
public:
    struct Page {
        QRectF cropBox;
        QRectF trimBox;
        int rotation = 0;
    };

    // The document's first page, drawn once small in the worker that opens
    // it. Nothing for a document the library does not load or that needs a
    // password or has no pages (why: noPicture), and for one whose worker
    // failed or could not be started (cannotBeDrawn).
    static std::optional<Page> openPage(const WorkerDocument& document, PictureRefusal* why);
    // The pixels of the first page's crop box at the resolutions, as
    // PdfPageRenderer::render makes them; null when the library drew
    // nothing or there is no memory for the pixels. Throws
    // PictureWorkerError when the worker failed.
    static QImage renderPage(const WorkerDocument& document, double xResolution, double yResolution,
                             const QRect& pixels, bool gray, bool smoothed, int quarterTurnsBack);

    // Whether libheif reads the bytes as a HEIF file it supports.
    static bool isSupportedHeif(const QByteArray& data);
    // The primary image as HeifDecoder::decodePrimaryImage tells it.
    static std::optional<DecodedImage> decodeHeif(const QByteArray& data, PictureRefusal* why);

    // What the worker's confinement lets through, for the tests (the
    // workers answer only with their test faults on).
    static std::optional<PictureWorkerProtocol::ProbeResults> probeSandbox();
};

} // namespace platform
