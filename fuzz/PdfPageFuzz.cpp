// PDF and Illustrator files as a drop, a paste, the open panel or a script
// brings them: the first page becomes a document's picture, is fitted to the
// canvas and sized at the device's resolution, then drawn small. The PDF
// library reads and draws them in the picture workers: what this process
// must survive is any answer of a worker, its crash and its deadline.
//
// The PDF library is not built with the sanitizers, so faults inside it show
// only as workers that crash; this target is replayed by every build but
// left out of the bounded fuzz runs of CI (see tools/fuzz.sh).

#include "core/document/application/DocumentActions.h"
#include "core/document/application/ImageImport.h"
#include "core/document/job/PrintDocument.h"
#include "fuzz/support/FuzzApplication.h"
#include "fuzz/support/FuzzDocuments.h"
#include "model/pictures/OriginalImage.h"
#include "model/pictures/OriginalImageError.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/PdfPage.h"
#include "platform/worker/PictureWorkerLimits.h"

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A page the library draws for ever costs its worker the deadline: a
    // short one keeps a run going through many such inputs.
    if (qEnvironmentVariableIsEmpty(platform::PictureWorkerLimits::deadlineVariable)) {
        qputenv(platform::PictureWorkerLimits::deadlineVariable, "2000");
    }
    prepareFuzzDocuments();
    makeFuzzApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto page = platform::PdfPage::firstPage(bytes);
    if (!page) {
        return 0;
    }
    const auto picture = ambrel::OriginalImage::fromPdfPage(
        page, bytes, QUrl::fromLocalFile(QStringLiteral("/fuzz/page.pdf")));
    if (!picture) {
        return 0;
    }
    picture->sizeInfoText();

    kestrom::PrintDocument document;
    kestrom::ImageImport::applyOriginalImage(document, picture, nullptr);
    kestrom::DocumentActions::resizeImageToActualSize(document);
    kestrom::DocumentActions::resizeImageScaleToFit(document);

    if (auto context = platform::GraphicsContext::makeBitmap(
            platform::GraphicsContext::PixelFormat::gray8, 48, 32)) {
        try {
            picture->draw(QRectF(0, 0, 48, 32), ambrel::ImageRotation::none, true, *context, false);
        } catch (const ambrel::OriginalImageError& error) {
            // The worker that drew it failed: refused, as the window does.
            fuzzCheck(error.errorCase() == ambrel::OriginalImageError::Case::cannotBeDrawn,
                      "a drawing failed for another reason than its worker");
        }
    }
    return 0;
}
