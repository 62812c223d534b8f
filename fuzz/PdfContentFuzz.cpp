// The content of a PDF page as a document's picture draws it: the input is
// the page's content stream (raw or deflated) with an image of sides the
// input picks, which the content may draw as /Im0 or inline. What the cost
// check admits is rendered; what it refuses never reaches the PDF library.
// A hang or a runaway allocation of the rendering is a finding here
// (libFuzzer's time and memory limits), as is a page refused as too large
// that the library would have drawn within the cap.
//
// Input: one byte of flags (1: deflate the content, 2: sides in thousands,
// 4: a 16-bit RGB image), two bytes each of the image's width and height,
// then the content.

#include "fuzz/support/FuzzApplication.h"
#include "fuzz/support/FuzzDocuments.h"
#include "fuzz/support/FuzzInput.h"
#include "model/pictures/OriginalImage.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/ImageLimits.h"
#include "platform/graphics/PdfCostCheck.h"
#include "platform/graphics/PdfPage.h"

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    prepareFuzzDocuments();
    makeFuzzApplication();
    return 0;
}

namespace {

QByteArray streamObject(const QByteArray& keys, const QByteArray& bytes) {
    return "<< " + keys + " /Length " + QByteArray::number(bytes.size()) + " >>\nstream\n" + bytes +
           "\nendstream";
}

QByteArray document(const QByteArray& content, bool deflate, qint64 width, qint64 height,
                    bool deep) {
    const QByteArray stream = deflate
                                  ? streamObject("/Filter /FlateDecode", qCompress(content).mid(4))
                                  : streamObject({}, content);
    const QByteArray image =
        streamObject("/Type /XObject /Subtype /Image /Width " + QByteArray::number(width) +
                         " /Height " + QByteArray::number(height) +
                         (deep ? " /ColorSpace /DeviceRGB /BitsPerComponent 16"
                               : " /ColorSpace /DeviceGray /BitsPerComponent 8"),
                     QByteArray(64, '\x5a'));
    const QList<QByteArray> objects{
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents 4 0 R "
        "/Resources << /XObject << /Im0 5 0 R >> >> >>",
        stream,
        image,
    };
    QByteArray out = "%PDF-1.5\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets.append(out.size());
        out += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = out.size();
    out += "xref\n0 6\n0000000000 65535 f \n";
    for (const qsizetype offset : offsets) {
        out += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    }
    out +=
        "trailer\n<< /Size 6 /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const uint8_t flags = input.byte();
    const qint64 scale = (flags & 2) ? 1000 : 1;
    const qint64 width = (qint64(input.byte()) | qint64(input.byte()) << 8) * scale;
    const qint64 height = (qint64(input.byte()) | qint64(input.byte()) << 8) * scale;
    const size_t used = std::min<size_t>(size, 5);
    const QByteArray content(reinterpret_cast<const char*>(data + used), qsizetype(size - used));
    const QByteArray pdf = document(content, flags & 1, width, height, flags & 4);

    platform::PictureRefusal why = platform::PictureRefusal::noPicture;
    const auto verdict = platform::PdfCostCheck::check(pdf);
    const auto page = platform::PdfPage::firstPage(pdf, &why);
    fuzzCheck(!page || verdict == platform::PdfCostCheck::Verdict::bounded,
              "a page the cost check refuses reached the PDF library");
    // The image alone never makes a page too large while the cap admits it.
    if (verdict == platform::PdfCostCheck::Verdict::tooLarge && content.isEmpty()) {
        fuzzCheck(!platform::ImageLimits::admits(width, height),
                  "an empty page with an admitted image was refused");
    }
    if (!page) {
        return 0;
    }
    const auto picture = ambrel::OriginalImage::fromPdfPage(
        page, pdf, QUrl::fromLocalFile(QStringLiteral("/fuzz/content.pdf")));
    if (!picture) {
        return 0;
    }
    if (auto context = platform::GraphicsContext::makeBitmap(
            platform::GraphicsContext::PixelFormat::gray8, 48, 32)) {
        picture->draw(QRectF(0, 0, 48, 32), ambrel::ImageRotation::none, false, *context, false);
    }
    return 0;
}
