#include "platform/graphics/PdfCostCheck.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/PdfPage.h"
#include "platform/tests/support/TestPictures.h"

#include <gtest/gtest.h>

using platform::PdfCostCheck;
using platform::PdfPage;
using platform::PictureRefusal;
using Verdict = platform::PdfCostCheck::Verdict;
namespace tp = testpictures;

namespace {

// A page that draws the image XObject of object 5 over its whole box.
QByteArray pageDrawingImage(const QByteArray& imageObject, const QList<QByteArray>& more = {}) {
    QList<QByteArray> further{imageObject};
    further += more;
    return tp::pdfPage("q 200 0 0 100 0 0 cm /Im0 Do Q", "<< /XObject << /Im0 5 0 R >> >>",
                       further);
}

QByteArray grayImage(const QByteArray& width, const QByteArray& height,
                     const QByteArray& pixels = QByteArray(4, '\x80')) {
    return "<< /Type /XObject /Subtype /Image /Width " + width + " /Height " + height +
           " /ColorSpace /DeviceGray /BitsPerComponent 8 /Length " +
           QByteArray::number(pixels.size()) + " >>\nstream\n" + pixels + "\nendstream";
}

QByteArray nested(int depth) {
    return QByteArray("q ").repeated(depth) + "0 0 0 rg 0 0 10 10 re f " +
           QByteArray("Q ").repeated(depth);
}

} // namespace

// The page that hung the program: 707 bytes whose image declares a million
// by a million pixels. Refused from its bytes, before the PDF library is
// given it; a small image of the same shape is drawn.
TEST(PdfCostCheck, anImageDeclaringMorePixelsThanTheCapIsRefusedBeforeDrawing) {
    const QByteArray hostile = pageDrawingImage(grayImage("1000000", "1000000"));
    EXPECT_LT(hostile.size(), 1024);
    EXPECT_EQ(PdfCostCheck::check(hostile), Verdict::tooLarge);
    PictureRefusal why = PictureRefusal::noPicture;
    EXPECT_FALSE(PdfPage::firstPage(hostile, &why));
    EXPECT_EQ(why, PictureRefusal::tooLarge);

    const QByteArray small = pageDrawingImage(grayImage("2", "2"));
    EXPECT_EQ(PdfCostCheck::check(small), Verdict::bounded);
    const auto page = PdfPage::firstPage(small, &why);
    ASSERT_TRUE(page);
    auto context = platform::GraphicsContext::makeBitmap(
        platform::GraphicsContext::PixelFormat::gray8, 20, 10);
    page->draw(*context);
    // The image's gray (0x80) covers the page.
    EXPECT_NEAR(context->bitmap().pixelColor(10, 5).red(), 0x80, 2);
}

// The sides are found however the file spells them: through integer
// objects, inside object streams, with escaped names, inline in content.
TEST(PdfCostCheck, imageSidesAreFoundInEveryForm) {
    // Width in an integer object of its own.
    EXPECT_EQ(PdfCostCheck::check(pageDrawingImage(grayImage("6 0 R", "6 0 R"), {"1000000"})),
              Verdict::tooLarge);
    EXPECT_EQ(PdfCostCheck::check(pageDrawingImage(grayImage("6 0 R", "6 0 R"), {"2"})),
              Verdict::bounded);
    // The integer in an object stream: objects 6 and 7 in stream 8.
    const QByteArray objects = "6 0 7 8 1000000 1000000";
    const QByteArray inStream = pageDrawingImage(
        grayImage("6 0 R", "7 0 R"),
        {"null", "null", tp::deflatedStream(objects, "/Type /ObjStm /N 2 /First 8")});
    EXPECT_EQ(PdfCostCheck::check(inStream), Verdict::tooLarge);
    // A reference to nothing the file holds cannot be measured.
    EXPECT_EQ(PdfCostCheck::check(pageDrawingImage(grayImage("9 0 R", "9 0 R"))),
              Verdict::unreadable);
    // "#74" is "t": the PDF library reads /Width.
    QByteArray escaped = grayImage("1000000", "1000000");
    escaped.replace("/Width", "/Wid#74h");
    EXPECT_EQ(PdfCostCheck::check(pageDrawingImage(escaped)), Verdict::tooLarge);
    // An inline image in the content.
    const QByteArray inlineImage =
        tp::pdfPage("q 10 0 0 10 0 0 cm BI /W 1000000 /H 1000000 /CS /G /BPC 8 ID \x80\x80 EI Q");
    EXPECT_EQ(PdfCostCheck::check(inlineImage), Verdict::tooLarge);
    const QByteArray smallInline =
        tp::pdfPage("q 10 0 0 10 0 0 cm BI /W 2 /H 1 /CS /G /BPC 8 ID \x80\x80 EI Q");
    EXPECT_EQ(PdfCostCheck::check(smallInline), Verdict::bounded);
}

// Content that inflates beyond the limit is refused once the limit is
// passed, without inflating the rest; content within it is read.
TEST(PdfCostCheck, contentThatInflatesBeyondTheLimitIsRefused) {
    const PdfCostCheck::Limits limits{1024 * 1024, 1024};
    const QByteArray spaces(2 * 1024 * 1024, ' ');
    const QByteArray page = tp::pdfOfObjects(
        {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
         "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents 4 0 R >>",
         tp::deflatedStream(spaces + "0 0 0 rg 0 0 10 10 re f")});
    EXPECT_LT(page.size(), 8 * 1024);
    EXPECT_EQ(PdfCostCheck::check(page, limits), Verdict::tooLarge);
    EXPECT_EQ(PdfCostCheck::check(page, {4 * 1024 * 1024, 1024}), Verdict::bounded);
    // The default limit: 80 MiB of content in a file of a few hundred kB.
    const QByteArray large = tp::pdfOfObjects(
        {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
         "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents 4 0 R >>",
         tp::deflatedStream(QByteArray(80 * 1024 * 1024, ' '))});
    EXPECT_EQ(PdfCostCheck::check(large), Verdict::tooLarge);
    PictureRefusal why = PictureRefusal::noPicture;
    EXPECT_FALSE(PdfPage::firstPage(large, &why));
    EXPECT_EQ(why, PictureRefusal::tooLarge);
}

// Saved graphics states nest only so deep, counted through all the page's
// content streams; many states saved and restored in turn are fine.
TEST(PdfCostCheck, deeplyNestedSavedStatesAreRefused) {
    EXPECT_EQ(PdfCostCheck::check(tp::pdfPage(nested(2000))), Verdict::tooLarge);
    EXPECT_EQ(PdfCostCheck::check(tp::pdfPage(nested(100))), Verdict::bounded);
    EXPECT_EQ(PdfCostCheck::check(tp::pdfPage(QByteArray("q Q ").repeated(100000))),
              Verdict::bounded);
    // Deflated, and spread over streams that each stay below the limit.
    const QByteArray opened = QByteArray("q ").repeated(800);
    const QByteArray spread = tp::pdfOfObjects(
        {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
         "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents [4 0 R 5 0 R] >>",
         tp::deflatedStream(opened), tp::deflatedStream(opened)});
    EXPECT_EQ(PdfCostCheck::check(spread), Verdict::tooLarge);
    PictureRefusal why = PictureRefusal::noPicture;
    EXPECT_FALSE(PdfPage::firstPage(tp::pdfPage(nested(1000000)), &why));
    EXPECT_EQ(why, PictureRefusal::tooLarge);
}

// A stream marked as an image but named as the page's content is read as
// content: the PDF library draws it as such.
TEST(PdfCostCheck, anImageStreamUsedAsContentIsReadAsContent) {
    const QByteArray content = nested(2000);
    const QByteArray page = tp::pdfOfObjects(
        {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
         "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents 4 0 R >>",
         tp::deflatedStream(content, "/Subtype /Image /Width 100 /Height 100")});
    EXPECT_EQ(PdfCostCheck::check(page), Verdict::tooLarge);
}

// A document whose encryption no empty password opens is not measured.
TEST(PdfCostCheck, encryptedDocumentsAreNotMeasured) {
    const QByteArray page = tp::pdfOfObjects(
        {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
         "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] >>",
         "<< /Filter /Standard /V 1 /R 2 /O (x) /U (y) /P -4 >>"},
        "/Encrypt 4 0 R");
    EXPECT_EQ(PdfCostCheck::check(page), Verdict::unreadable);
}

// Any bytes at all are read to their end: broken and truncated documents,
// strings and comments that hide keywords.
TEST(PdfCostCheck, brokenDocumentsEndTheCheck) {
    const QByteArray whole = pageDrawingImage(grayImage("1000000", "1000000"));
    for (qsizetype cut = 0; cut < whole.size(); cut += 7) {
        PdfCostCheck::check(whole.left(cut));
    }
    EXPECT_EQ(PdfCostCheck::check("<< << << [ [ ( ( \\) stream"), Verdict::bounded);
    // Keywords inside strings and comments are no keywords.
    EXPECT_EQ(PdfCostCheck::check(tp::pdfPage("(" + QByteArray("q ").repeated(3000) + ") Tj")),
              Verdict::bounded);
    EXPECT_EQ(PdfCostCheck::check(tp::pdfPage("% " + QByteArray("q ").repeated(3000) + "\n")),
              Verdict::bounded);
}

// Objects of an object stream that all start at one large array are not each
// read through it again: the check ends, and a size that refers to an object
// it did not reach cannot be measured.
TEST(PdfCostCheck, overlappingObjectsInAnObjectStreamAreReadOnce) {
    QByteArray header;
    for (int i = 0; i < 100000; ++i) {
        header += QByteArray::number(10 + i) + " 0 ";
    }
    const QByteArray objects = header + "[" + QByteArray("1 ").repeated(500000) + "] 7";
    const QByteArray stream = tp::deflatedStream(objects, "/Type /ObjStm /N 100001 /First " +
                                                              QByteArray::number(header.size()));
    const QByteArray page = pageDrawingImage(grayImage("9 0 R", "9 0 R"), {stream});
    EXPECT_EQ(PdfCostCheck::check(page), Verdict::unreadable);
}

// A page thumbnail is an image without a subtype, in a picture codec's
// filter: measured by its sides, not read as content.
TEST(PdfCostCheck, aPageThumbnailIsMeasuredAsAnImage) {
    const QByteArray thumbnail = "<< /Width 4 /Height 1 /ColorSpace /DeviceGray "
                                 "/BitsPerComponent 8 /Filter /DCTDecode /Length 4 >>\n"
                                 "stream\n\xff\xd8\xff\xd9\nendstream";
    EXPECT_EQ(PdfCostCheck::check(tp::pdfPage("0 0 10 10 re f", "<< >>", {thumbnail})),
              Verdict::bounded);
    QByteArray huge = thumbnail;
    huge.replace("/Width 4", "/Width 1000000").replace("/Height 1", "/Height 1000000");
    EXPECT_EQ(PdfCostCheck::check(tp::pdfPage("0 0 10 10 re f", "<< >>", {huge})),
              Verdict::tooLarge);
}

// Each time content draws an XObject it is drawn again: an admitted image
// drawn a hundred times, and forms that each draw the next ten times, are
// work beyond the bound; a form that draws itself has none.
TEST(PdfCostCheck, drawingAnXObjectAgainAndAgainCountsEachTime) {
    const QByteArray image = grayImage("10000", "10000");
    const QByteArray once = "q 200 0 0 100 0 0 cm /Im0 Do Q ";
    EXPECT_EQ(PdfCostCheck::check(pageDrawingImage(image)), Verdict::bounded);
    EXPECT_EQ(PdfCostCheck::check(
                  tp::pdfPage(once.repeated(100), "<< /XObject << /Im0 5 0 R >> >>", {image})),
              Verdict::tooLarge);
    // Through a resource dictionary given by reference.
    EXPECT_EQ(PdfCostCheck::check(tp::pdfPage(once.repeated(100), "<< /XObject 6 0 R >>",
                                              {image, "<< /Im0 5 0 R >>"})),
              Verdict::tooLarge);

    // Forms 5 to 24, each drawing the next ten times: 10^20 drawings.
    QList<QByteArray> forms;
    for (int i = 0; i < 20; ++i) {
        const QByteArray next = "/F" + QByteArray::number(i + 1);
        const QByteArray content =
            i < 19 ? ("q " + next + " Do Q ").repeated(10) : QByteArray("0 0 1 1 re f");
        forms += "<< /Type /XObject /Subtype /Form /BBox [0 0 10 10] /Resources << /XObject << " +
                 next + " " + QByteArray::number(6 + i) + " 0 R >> >> /Length " +
                 QByteArray::number(content.size()) + " >>\nstream\n" + content + "\nendstream";
    }
    EXPECT_EQ(PdfCostCheck::check(tp::pdfPage("/F0 Do", "<< /XObject << /F0 5 0 R >> >>", forms)),
              Verdict::tooLarge);
    // Two levels of the same are drawn.
    EXPECT_EQ(
        PdfCostCheck::check(tp::pdfPage("/F0 Do", "<< /XObject << /F0 5 0 R >> >>", forms.mid(18))),
        Verdict::bounded);
    const QByteArray itself =
        "<< /Type /XObject /Subtype /Form /BBox [0 0 10 10] /Resources << /XObject << /F0 5 0 R "
        ">> >> /Length 6 >>\nstream\n/F0 Do\nendstream";
    EXPECT_EQ(
        PdfCostCheck::check(tp::pdfPage("/F0 Do", "<< /XObject << /F0 5 0 R >> >>", {itself})),
        Verdict::tooLarge);
}
