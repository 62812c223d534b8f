// PDF and Illustrator files as a drop, a paste, the open panel or a script
// brings them: the first page becomes a document's picture, is fitted to the
// canvas and sized at the device's resolution, then drawn small.
//
// The PDF library is not built with the sanitizers, so faults inside it show
// only as crashes; this target is replayed by every build but left out of the
// bounded fuzz runs of CI (see tools/fuzz.sh).

#include "core/document/application/DocumentActions.h"
#include "core/document/application/ImageImport.h"
#include "core/document/job/PrintDocument.h"
#include "fuzz/support/FuzzApplication.h"
#include "fuzz/support/FuzzDocuments.h"
#include "model/pictures/OriginalImage.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/PdfPage.h"

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
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
        picture->draw(QRectF(0, 0, 48, 32), ambrel::ImageRotation::none, true, *context, false);
    }
    return 0;
}
