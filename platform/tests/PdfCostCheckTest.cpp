#include "platform/graphics/PdfCostCheck.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/PdfPage.h"
#include "platform/tests/support/TestPictures.h"

#include <QBuffer>
#include <QMap>
#include <QPainter>
#include <QPdfWriter>

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
    // A number ends at its first character that is no part of one: the PDF
    // library reads a width of 100000 here, and a height of 1000000.
    const QByteArray runOn = tp::pdfPage(QByteArray("q 10 0 0 10 0 0 cm BI /W 100000") + '\xea' +
                                         "0 /H 1000000 /CS /G /BPC 8 ID \x80\x80 EI Q");
    EXPECT_EQ(PdfCostCheck::check(runOn), Verdict::tooLarge);
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

// The library scales an image up to all it covers before it clips it: a
// one-pixel image under a transform far beyond the page took seconds per
// drawing. The area each drawing covers, through saved states, transforms
// and forms, counts against the page's work.
TEST(PdfCostCheck, anImageScaledFarBeyondThePageCountsTheAreaItCovers) {
    const QByteArray pixel = grayImage("1", "1", QByteArray(1, '\x80'));
    const QByteArray resources = "<< /XObject << /Im0 5 0 R >> >>";
    const auto verdict = [&](const QByteArray& content, const QList<QByteArray>& more = {}) {
        QList<QByteArray> objects{pixel};
        objects += more;
        return PdfCostCheck::check(tp::pdfPage(content, resources, objects));
    };
    // Over the whole page, again and again: bounded.
    EXPECT_EQ(verdict(QByteArray("q 200 0 0 100 0 0 cm /Im0 Do Q ").repeated(500)),
              Verdict::bounded);
    // Forty thousand times the page's width and height, once.
    EXPECT_EQ(verdict("q 200 0 0 100 0 0 cm 200 0 0 100 0 0 cm /Im0 Do Q"), Verdict::tooLarge);
    // The same scale reached through states the content never restores (an
    // operator the library does not know stands where Q was meant).
    EXPECT_EQ(verdict("q 200 0 0 100 0 0 cm /Im0 Do.Q " +
                      QByteArray("q 200 0 0 100 0 0 cm /Im0 Do Q ").repeated(30)),
              Verdict::tooLarge);
    // Restored, the states scale nothing further.
    EXPECT_EQ(verdict(QByteArray("q 200 0 0 100 0 0 cm /Im0 Do Q ").repeated(30)),
              Verdict::bounded);
    // A transform the library refuses (too few operands, or one that is no
    // number) scales nothing; the last six of more operands count.
    EXPECT_EQ(verdict("q 1000000 0 0 100 0 cm /Im0 Do Q"), Verdict::bounded);
    EXPECT_EQ(verdict("q [1000000 0 0 1000000 0 0] cm /Im0 Do Q"), Verdict::bounded);
    EXPECT_EQ(verdict("q 1 1000000 0 0 1000000 0 0 cm /Im0 Do Q"), Verdict::tooLarge);
    // Of more than 33 operands the library keeps the first 33.
    EXPECT_EQ(verdict("q " + QByteArray("1 ").repeated(27) +
                      "1000000 0 0 1000000 0 0 0.001 0 0 0.001 0 0 cm /Im0 Do Q"),
              Verdict::tooLarge);
    // Fractions shrink.
    EXPECT_EQ(verdict("q 0.001 0 0 0.001 0 0 cm 200000 0 0 100000 0 0 cm /Im0 Do Q"),
              Verdict::bounded);
    // An inline image covers its square too.
    EXPECT_EQ(verdict("q 40000 0 0 10000 0 0 cm BI /W 1 /H 1 /BPC 8 /CS /G ID \x80 EI Q"),
              Verdict::tooLarge);
    // A form drawing the image at the page's size, drawn scaled: the areas
    // multiply.
    const auto form = [&](const QByteArray& matrix, const QByteArray& content) {
        return "<< /Type /XObject /Subtype /Form /BBox [0 0 200 100] " + matrix + " /Resources " +
               resources + " /Length " + QByteArray::number(content.size()) + " >>\nstream\n" +
               content + "\nendstream";
    };
    const auto throughForm = [&](const QByteArray& content, const QByteArray& drawn) {
        return PdfCostCheck::check(
            tp::pdfPage(content, "<< /XObject << /Im0 5 0 R /Fm0 6 0 R >> >>", {pixel, drawn}));
    };
    const QByteArray pageSized = form({}, "q 200 0 0 100 0 0 cm /Im0 Do Q");
    EXPECT_EQ(throughForm("/Fm0 Do", pageSized), Verdict::bounded);
    EXPECT_EQ(throughForm("q 1000 0 0 1000 0 0 cm /Fm0 Do Q", pageSized), Verdict::tooLarge);
    // The form's own matrix scales what it draws.
    EXPECT_EQ(throughForm("/Fm0 Do",
                          form("/Matrix [1000 0 0 1000 0 0]", "q 200 0 0 100 0 0 cm /Im0 Do Q")),
              Verdict::tooLarge);
    EXPECT_EQ(throughForm("/Fm0 Do", form("/Matrix [0.001 0 0 0.001 0 0]",
                                          "q 200000 0 0 100000 0 0 cm /Im0 Do Q")),
              Verdict::bounded);
    EXPECT_EQ(throughForm("/Fm0 Do", form("/Matrix [0.001 0 0 0.001 0 0]",
                                          "q 200000000 0 0 100000000 0 0 cm /Im0 Do Q")),
              Verdict::tooLarge);
    // A page's content in parts: the transform one part leaves behind goes
    // on into the next. Left behind after the last drawing, it scales
    // nothing.
    const auto stream = [](const QByteArray& content) {
        return "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content +
               "\nendstream";
    };
    const QByteArray scaleUp = "200 0 0 100 0 0 cm 200 0 0 100 0 0 cm";
    const QByteArray inParts = tp::pdfOfObjects(
        {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
         "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents [4 0 R 6 0 R] "
         "/Resources " +
             resources + " >>",
         stream(scaleUp), pixel, stream("/Im0 Do")});
    EXPECT_EQ(PdfCostCheck::check(inParts), Verdict::tooLarge);
    EXPECT_EQ(verdict("q 200 0 0 100 0 0 cm /Im0 Do Q " + scaleUp), Verdict::bounded);
    // Refused before the PDF library is given it.
    PictureRefusal why = PictureRefusal::noPicture;
    EXPECT_FALSE(PdfPage::firstPage(
        tp::pdfPage("q 200 0 0 100 0 0 cm 200 0 0 100 0 0 cm /Im0 Do Q", resources, {pixel}),
        &why));
    EXPECT_EQ(why, PictureRefusal::tooLarge);
}

// The library scales an image to the box its unit square fills, and a shear
// keeps the determinant while it stretches the box without end: one pixel
// drawn so took half a minute. So did a box as thin as nothing but as long
// as the shear, and forms and the parts of a page's content carry shears on.
TEST(PdfCostCheck, aShearedOrThinDrawingCountsTheBoxItFills) {
    const QByteArray pixel = grayImage("1", "1", QByteArray(1, '\x80'));
    const QByteArray resources = "<< /XObject << /Im0 5 0 R /Fm0 6 0 R >> >>";
    const auto verdict = [&](const QByteArray& content, const QList<QByteArray>& more = {}) {
        QList<QByteArray> objects{pixel};
        objects += more;
        return PdfCostCheck::check(tp::pdfPage(content, resources, objects));
    };
    EXPECT_EQ(verdict("q 200 50 0 100 0 0 cm /Im0 Do Q"), Verdict::bounded);
    EXPECT_EQ(verdict("q 200 100000000000000000000 0 100 0 0 cm /Im0 Do Q"), Verdict::tooLarge);
    EXPECT_EQ(verdict("q 1 100000000 0 1 0 0 cm 1 0 -0.00000001 1 0 0 cm /Im0 Do Q"),
              Verdict::tooLarge);
    EXPECT_EQ(verdict("q 1000000000 0 0 0.000000001 0 0 cm /Im0 Do Q"), Verdict::tooLarge);
    EXPECT_EQ(verdict("q 100000 0 0 0.000000001 0 0 cm /Im0 Do Q"), Verdict::bounded);

    // A form drawing the image over its box, drawn under a shear whose
    // determinant is one.
    const auto form = [](const QByteArray& matrix) {
        const QByteArray content = "q 200 0 0 100 0 0 cm /Im0 Do Q";
        return "<< /Type /XObject /Subtype /Form /BBox [0 0 200 100] " + matrix +
               " /Resources << /XObject << /Im0 5 0 R >> >> /Length " +
               QByteArray::number(content.size()) + " >>\nstream\n" + content + "\nendstream";
    };
    EXPECT_EQ(verdict("/Fm0 Do", {form({})}), Verdict::bounded);
    EXPECT_EQ(verdict("/Fm0 Do", {form("/Matrix [1 0 0 1 0 0]")}), Verdict::bounded);
    EXPECT_EQ(verdict("q 10000 10000 0 0.0001 0 0 cm /Fm0 Do Q", {form({})}), Verdict::tooLarge);
    EXPECT_EQ(verdict("/Fm0 Do", {form("/Matrix [10000 10000 0 0.0001 0 0]")}), Verdict::tooLarge);

    // A page's content in parts: a later part restores a state an earlier
    // one saved, whatever the earlier part's transform at its end.
    const auto stream = [](const QByteArray& content) {
        return "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content +
               "\nendstream";
    };
    const auto inParts = [&](const QByteArray& first, const QByteArray& second) {
        return PdfCostCheck::check(tp::pdfOfObjects(
            {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
             "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents [4 0 R 6 0 R] "
             "/Resources " +
                 resources + " >>",
             stream(first), pixel, stream(second)}));
    };
    EXPECT_EQ(inParts("q 40000 0 0 10000 0 0 cm q 0.00000001 0 0 0.00000001 0 0 cm", "Q Q /Im0 Do"),
              Verdict::tooLarge);
    // A part that saves and restores around the drawing, the usual way
    // content is put together, leaves each drawing's box as it is.
    EXPECT_EQ(inParts("q", "Q q 200 0 0 100 0 0 cm /Im0 Do Q"), Verdict::bounded);
    EXPECT_EQ(inParts("q", QByteArray("q 200 0 0 100 0 0 cm /Im0 Do Q ").repeated(500) + "Q"),
              Verdict::bounded);
}

// What a page's content passes from one part to the next is the transform
// it leaves, not those it restores: pages of full-page images, and content
// put together of parts that save and restore, count each drawing's box.
// A part named twice draws twice.
TEST(PdfCostCheck, contentInPartsAndManyPagesCountWhatEachPartLeaves) {
    const QByteArray pixel = grayImage("1", "1", QByteArray(1, '\x80'));
    const QByteArray resources = "<< /XObject << /Im0 5 0 R /Fm0 6 0 R >> >>";
    const auto stream = [](const QByteArray& content) {
        return "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content +
               "\nendstream";
    };
    const QByteArray fullPage = "q 612 0 0 792 0 0 cm /Im0 Do Q";
    // Pages 3 and 4 over objects 7 on: each its own content.
    const auto pages = [&](int count) {
        QList<QByteArray> objects{"<< /Type /Catalog /Pages 2 0 R >>",
                                  {},
                                  {},
                                  stream(fullPage),
                                  pixel,
                                  stream("0 0 1 1 re f")};
        QByteArray kids;
        for (int i = 0; i < count; ++i) {
            const int page = 7 + 2 * i;
            kids += QByteArray::number(page) + " 0 R ";
            objects += "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents " +
                       QByteArray::number(page + 1) + " 0 R /Resources " + resources + " >>";
            objects += stream(fullPage);
        }
        objects[1] =
            "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(count) + " >>";
        objects[2] = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
                     "/Resources " +
                     resources + " >>";
        return PdfCostCheck::check(tp::pdfOfObjects(objects));
    };
    EXPECT_EQ(pages(2), Verdict::bounded);
    EXPECT_EQ(pages(80), Verdict::bounded);

    // One page in parts, objects 4 and 7 on.
    const QByteArray noForm = stream("0 0 1 1 re f");
    const auto inParts = [&](const QByteArray& contents, const QList<QByteArray>& parts,
                             const QByteArray& form) {
        QList<QByteArray> objects{
            "<< /Type /Catalog /Pages 2 0 R >>",
            "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents " + contents +
                " /Resources " + resources + " >>",
            stream(parts.value(0)),
            pixel,
            form};
        for (qsizetype i = 1; i < parts.size(); ++i) {
            objects += stream(parts[i]);
        }
        return PdfCostCheck::check(tp::pdfOfObjects(objects));
    };
    const QByteArray stamp = "[4 0 R 7 0 R 8 0 R 9 0 R]";
    EXPECT_EQ(inParts(stamp,
                      {"q", "q 612 0 0 792 0 0 cm /Im0 Do Q", "Q", "q 100 0 0 50 0 0 cm /Im0 Do Q"},
                      noForm),
              Verdict::bounded);
    const QByteArray overlay =
        "<< /Type /XObject /Subtype /Form /BBox [0 0 612 792] /Matrix [1 0 0 1 0 0] /Resources "
        "<< /XObject << /Im0 5 0 R >> >> /Length 30 >>\nstream\nq 612 0 0 792 0 0 cm /Im0 Do "
        "Q\nendstream";
    EXPECT_EQ(inParts(stamp, {"q", fullPage, "Q", "/Fm0 Do"}, overlay), Verdict::bounded);
    // A part that leaves a shear behind for the next.
    EXPECT_EQ(inParts("[4 0 R 7 0 R]", {"1 100000000000 0 1 0 0 cm", "/Im0 Do"}, noForm),
              Verdict::tooLarge);
    // The same stream twice: its second drawing goes on from its own end.
    const QByteArray shearAtEnd = "/Im0 Do 200 100000000000000000000 0 100 0 0 cm";
    EXPECT_EQ(inParts("[4 0 R]", {shearAtEnd}, noForm), Verdict::bounded);
    EXPECT_EQ(inParts("[4 0 R 4 0 R]", {shearAtEnd}, noForm), Verdict::tooLarge);
    // What a later part leaves changes nothing drawn before it, and a part
    // that scales down counts for the parts after it.
    QByteArray strips;
    for (int i = 0; i < 100; ++i) {
        strips += "q 612 0 0 7.92 0 " + QByteArray::number(i * 7.92) + " cm /Im0 Do Q ";
    }
    EXPECT_EQ(inParts("[4 0 R 7 0 R]", {strips, "1 0 0 -1 0 792 cm"}, noForm), Verdict::bounded);
    EXPECT_EQ(inParts("[4 0 R 7 0 R 8 0 R]",
                      {"q 0.12 0 0 0.12 0 0 cm", "q 5100 0 0 6600 0 0 cm /Im0 Do Q", "Q"}, noForm),
              Verdict::bounded);
    EXPECT_EQ(inParts("[4 0 R 7 0 R 8 0 R]",
                      {"q 1.2 0 0 1.2 0 0 cm", "q 5100 0 0 6600 0 0 cm /Im0 Do Q", "Q"}, noForm),
              Verdict::tooLarge);
}

// A form's matrix as the library reads it: entries that are no numbers, or
// missing, count as 0, and one given by reference is not read here. An image
// named as content is still an image where a page draws it; its sides may
// be given by their short names or as reals. Long, thin drawings inside
// forms count by their boxes too.
TEST(PdfCostCheck, formsAndImagesAreReadAsTheLibraryReadsThem) {
    const QByteArray pixel = grayImage("1", "1", QByteArray(1, '\x80'));
    const QByteArray resources = "<< /XObject << /Im0 5 0 R /Fm0 6 0 R >> >>";
    const QByteArray huge = "100000000000000000000";
    const auto form = [](const QByteArray& keys, const QByteArray& content) {
        return "<< /Type /XObject /Subtype /Form /BBox [0 0 200 100] " + keys +
               " /Resources << /XObject << /Im0 5 0 R >> >> /Length " +
               QByteArray::number(content.size()) + " >>\nstream\n" + content + "\nendstream";
    };
    const auto throughForm = [&](const QByteArray& keys, const QByteArray& content = "/Im0 Do",
                                 const QByteArray& page = "/Fm0 Do") {
        return PdfCostCheck::check(tp::pdfPage(page, resources, {pixel, form(keys, content), "7"}));
    };
    EXPECT_EQ(throughForm("/Matrix [" + huge + " null 0 " + huge + " 0 0]"), Verdict::tooLarge);
    EXPECT_EQ(throughForm("/Matrix [" + huge + " 0 0 " + huge + "]"), Verdict::tooLarge);
    EXPECT_EQ(throughForm("/Matrix [7 0 R 0 0 " + huge + " 0 0]"), Verdict::tooLarge);
    EXPECT_EQ(throughForm("/Matrix 7 0 R"), Verdict::tooLarge);
    EXPECT_EQ(throughForm("/Matrix [200 0 0 100 0 0]"), Verdict::bounded);
    // A hundred strips across the page, and an image made tall inside a form
    // drawn wide.
    QByteArray strips;
    for (int i = 0; i < 100; ++i) {
        strips += "q 612 0 0 7.92 0 " + QByteArray::number(i * 7.92) + " cm /Im0 Do Q ";
    }
    EXPECT_EQ(throughForm({}, strips), Verdict::bounded);
    EXPECT_EQ(throughForm({}, "q 1 0 0 792 0 0 cm /Im0 Do Q", "q 612 0 0 1 0 0 cm /Fm0 Do Q"),
              Verdict::bounded);
    // The strip turned by an eighth inside the form: drawn wide, its box is
    // long both ways.
    EXPECT_EQ(
        throughForm({}, "q 560 560 -0.7 0.7 0 0 cm /Im0 Do Q", "q 612 0 0 1 0 0 cm /Fm0 Do Q"),
        Verdict::tooLarge);

    // The image is also named as some page's content.
    // Numbers longer than any real one are read whole: a scale down by
    // 10^-41 and up by 10^45 is a scale up.
    const QByteArray tiny = "0." + QByteArray(40, '0') + "1";
    const QByteArray vast = "1" + QByteArray(45, '0');
    EXPECT_EQ(PdfCostCheck::check(tp::pdfPage("q " + tiny + " 0 0 " + tiny + " 0 0 cm " + vast +
                                                  " 0 0 " + vast + " 0 0 cm /Im0 Do Q",
                                              resources, {pixel})),
              Verdict::tooLarge);
    EXPECT_EQ(PdfCostCheck::check(tp::pdfPage("q " + tiny + " 0 0 " + tiny + " 0 0 cm 1" +
                                                  QByteArray(42, '0') + " 0 0 1" +
                                                  QByteArray(42, '0') + " 0 0 cm /Im0 Do Q",
                                              resources, {pixel})),
              Verdict::bounded);
    // A form given twice, in two versions or with its matrix twice: the
    // larger counts, as the library may take either.
    const QByteArray scaled = form("/Matrix [40000 0 0 40000 0 0]", "/Im0 Do");
    const QByteArray plainForm = form({}, "/Im0 Do");
    EXPECT_EQ(PdfCostCheck::check(tp::pdfPage("/Fm0 Do", resources, {pixel, scaled}) + "6 0 obj\n" +
                                  plainForm + "\nendobj\n"),
              Verdict::tooLarge);
    EXPECT_EQ(throughForm("/Matrix [40000 0 0 40000 0 0] /Matrix [1 0 0 1 0 0]"),
              Verdict::tooLarge);
    // An image named as a page's content, in a filter of a picture codec:
    // the library would run it as content, which cannot be measured here.
    EXPECT_EQ(PdfCostCheck::check(tp::pdfOfObjects(
                  {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                   "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents 4 0 R >>",
                   "<< /Subtype /Image /Width 8 /Height 8 /BitsPerComponent 1 /Filter "
                   "/CCITTFaxDecode /Length 2 >>\nstream\nxx\nendstream"})),
              Verdict::unreadable);

    EXPECT_EQ(PdfCostCheck::check(tp::pdfPage("q 1 " + huge + " 0 1 0 0 cm /Im0 Do Q", resources,
                                              {pixel, "<< /Contents 5 0 R >>"})),
              Verdict::tooLarge);

    const auto sized = [&](const QByteArray& sides) {
        const QByteArray image = "<< /Type /XObject /Subtype /Image " + sides +
                                 " /ColorSpace /DeviceGray /BitsPerComponent 8 /Length 1 "
                                 ">>\nstream\n\x80\nendstream";
        return PdfCostCheck::check(tp::pdfPage("/Im0 Do", resources, {image}));
    };
    EXPECT_EQ(sized("/Width 1000000.0 /Height 1000000.0"), Verdict::tooLarge);
    EXPECT_EQ(sized("/W 1000000 /H 1000000"), Verdict::tooLarge);
    EXPECT_EQ(sized("/W 1000.0 /H 1000"), Verdict::bounded);
    EXPECT_EQ(PdfCostCheck::check(
                  tp::pdfPage("BI /W 1000000.0 /H 1000000.0 /BPC 8 /CS /G ID \x80 EI", "<< >>")),
              Verdict::tooLarge);
}

// Reading an image's pixels is work each time it is drawn: sixteen bits a
// component take the library eight times as long as eight. An inline
// image's pixels count too, and a key given twice counts at its larger
// value, as the library may take either.
// The library draws a tiling pattern's cell into a picture of the size its
// matrix makes it, again for each shape painted with it, in the space of the
// content that paints it.
TEST(PdfCostCheck, aTilingPatternsCellCountsUnderItsMatrixForEachShapeItPaints) {
    const QByteArray pixel = grayImage("1", "1", QByteArray(1, '\x80'));
    const auto pattern = [](const QByteArray& matrix) {
        return "<< /PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 1 1] /XStep 1 /YStep 1 " +
               matrix + " /Resources << /XObject << /Im0 5 0 R >> >> /Length 7 >>\nstream\n" +
               "/Im0 Do\nendstream";
    };
    const QByteArray patterns = "<< /Pattern << /P0 6 0 R >> >>";
    const auto painted = [&](const QByteArray& content, const QByteArray& matrix,
                             const QByteArray& resources = "<< /Pattern << /P0 6 0 R >> >>",
                             const QList<QByteArray>& more = {}) {
        return PdfCostCheck::check(
            tp::pdfPage(content, resources, QList<QByteArray>{pixel, pattern(matrix)} + more));
    };
    const QByteArray fill = "/Pattern cs /P0 scn 0 0 100 100 re f";
    EXPECT_EQ(painted(fill, "/Matrix [20000 0 0 20000 0 0]"), Verdict::tooLarge);
    EXPECT_EQ(painted(fill, "/Matrix [1 0 0 1 0 0]"), Verdict::bounded);
    EXPECT_EQ(painted(fill, ""), Verdict::bounded);

    // Each shape draws the cell again: once at 2000 times is bounded, ten
    // times is not, for a fill or a stroke, the pattern's name given in place
    // or by reference.
    const QByteArray large = "/Matrix [2000 0 0 2000 0 0]";
    const QByteArray tenShapes = QByteArray("0 0 100 100 re f ").repeated(10);
    EXPECT_EQ(painted(fill, large), Verdict::bounded);
    EXPECT_EQ(painted("/Pattern cs /P0 scn " + tenShapes, large), Verdict::tooLarge);
    EXPECT_EQ(painted("/Pattern CS /P0 SCN " + QByteArray("0 0 m 9 9 l S ").repeated(10), large),
              Verdict::tooLarge);
    EXPECT_EQ(painted("/Pattern cs /P0 scn " + tenShapes, large, "<< /Pattern 7 0 R >>",
                      {"<< /P0 6 0 R >>"}),
              Verdict::tooLarge);
    // An image mask is painted with the fill colour too, and so may a form's
    // shapes be; an image of colours is not, however often it is drawn.
    const QByteArray mask = "<< /Type /XObject /Subtype /Image /Width 1 /Height 1 /ImageMask "
                            "true /Length 1 >>\nstream\n\x80\nendstream";
    const auto tenDrawings = [](const QByteArray& name) {
        return "/Pattern cs /P0 scn " + QByteArray(name + " Do ").repeated(10);
    };
    const auto drawing = [](const QByteArray& object) {
        return "<< /Pattern << /P0 6 0 R >> /XObject << /Im0 " + object + " >> >>";
    };
    EXPECT_EQ(painted(tenDrawings("/Im0"), large, drawing("7 0 R"), {mask}), Verdict::tooLarge);
    EXPECT_EQ(painted("/Pattern cs /P0 scn " +
                          QByteArray("BI /IM true /W 1 /H 1 ID \x80 EI ").repeated(10),
                      large),
              Verdict::tooLarge);
    EXPECT_EQ(painted(tenDrawings("/Im0"), large, drawing("5 0 R")), Verdict::bounded);
    EXPECT_EQ(painted("/Pattern cs /P0 scn " +
                          QByteArray("BI /W 1 /H 1 /CS /G /BPC 8 ID \x80 EI ").repeated(10),
                      large),
              Verdict::bounded);
    // Whatever may make it a mask makes it one: a mask given by reference, a
    // version of the image that is one, another object its name stands for;
    // and so does a name of a form or of nothing found.
    QByteArray maskByReference = mask;
    maskByReference.replace("/ImageMask true", "/ImageMask 8 0 R");
    EXPECT_EQ(painted(tenDrawings("/Im0"), large, drawing("7 0 R"), {maskByReference, "true"}),
              Verdict::tooLarge);
    EXPECT_EQ(
        painted(tenDrawings("/Im0"), large, drawing("5 0 R"), {"<< >>\nendobj\n5 0 obj\n" + mask}),
        Verdict::tooLarge);
    EXPECT_EQ(painted(tenDrawings("/Im0"), large, drawing("5 0 R"),
                      {"<< /XObject << /Im0 8 0 R >> >>", mask}),
              Verdict::tooLarge);
    const QByteArray emptyForm =
        "<< /Type /XObject /Subtype /Form /BBox [0 0 1 1] /Length 0 >>\nstream\n\nendstream";
    EXPECT_EQ(painted(tenDrawings("/Im0"), large, drawing("7 0 R"), {emptyForm}),
              Verdict::tooLarge);
    EXPECT_EQ(painted(tenDrawings("/Im9"), large, drawing("5 0 R")), Verdict::tooLarge);
    // Qt's writer sets its brush, here a texture, as the fill before each
    // image it draws: a page of a thousand icons on a textured background
    // paints the texture once.
    QByteArray written;
    {
        QBuffer buffer(&written);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(72);
        QPainter painter(&writer);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QBrush(tp::filled(256, 256, QImage::Format_RGB32, 0xffc0d0c0)));
        painter.drawRect(QRectF(0, 0, 500, 700));
        const QImage icon = tp::filled(16, 16, QImage::Format_RGB32, 0xffc00000);
        for (int i = 0; i < 1000; ++i) {
            painter.drawImage(QRectF(10 + (i % 25) * 19, 10 + (i / 25) * 17, 16, 16), icon);
        }
    }
    EXPECT_EQ(PdfCostCheck::check(written), Verdict::bounded);
    // Shapes painted once the pattern is no longer the colour draw no cell.
    EXPECT_EQ(painted("q /Pattern cs /P0 scn Q " + tenShapes, large), Verdict::bounded);
    EXPECT_EQ(painted("/Pattern cs /P0 scn 0 g " + tenShapes, large), Verdict::bounded);
    EXPECT_EQ(painted("/Pattern cs /P0 scn /Pattern CS /P0 SCN 0 g 0 G " + tenShapes, large),
              Verdict::bounded);

    // A form's pattern is drawn in the form's space, which the page scales.
    const QByteArray form = "<< /Type /XObject /Subtype /Form /BBox [0 0 1 1] /Resources " +
                            patterns + " /Length 36 >>\nstream\n" +
                            "/Pattern cs /P0 scn 0 0 1 1 re f\nendstream";
    const QByteArray throughForm = "<< /XObject << /Fm0 7 0 R >> >>";
    EXPECT_EQ(painted("20000 0 0 20000 0 0 cm /Fm0 Do", "", throughForm, {form}),
              Verdict::tooLarge);
    EXPECT_EQ(painted("100 0 0 100 0 0 cm /Fm0 Do", "", throughForm, {form}), Verdict::bounded);
}

// A graphics state with a soft mask makes the library draw the mask's group
// where the state is set, under the transform there, again each time.
TEST(PdfCostCheck, aSoftMasksGroupCountsWhereItsStateIsSet) {
    const QByteArray pixel = grayImage("1", "1", QByteArray(1, '\x80'));
    const QByteArray group = "<< /Type /XObject /Subtype /Form /BBox [0 0 1 1] /Group << /S "
                             "/Transparency /CS /DeviceGray >> /Resources << /XObject << /Im0 5 "
                             "0 R >> >> /Length 7 >>\nstream\n/Im0 Do\nendstream";
    const QByteArray mask = "<< /S /Luminosity /G 6 0 R >>";
    const auto masked = [&](const QByteArray& content, const QByteArray& states,
                            const QList<QByteArray>& more = {}) {
        return PdfCostCheck::check(tp::pdfPage(content, "<< /ExtGState " + states + " >>",
                                               QList<QByteArray>{pixel, group} + more));
    };
    const QByteArray inPlace = "<< /GS0 << /SMask " + mask + " >> >>";
    const QByteArray farScaled = "20000 0 0 20000 0 0 cm /GS0 gs 0 0 1 1 re f";
    EXPECT_EQ(masked(farScaled, inPlace), Verdict::tooLarge);
    EXPECT_EQ(masked("100 0 0 100 0 0 cm /GS0 gs 0 0 1 1 re f", inPlace), Verdict::bounded);
    // However the state, its mask and the states' dictionary are given.
    EXPECT_EQ(masked(farScaled, "<< /GS0 7 0 R >>", {"<< /SMask " + mask + " >>"}),
              Verdict::tooLarge);
    EXPECT_EQ(masked(farScaled, "<< /GS0 7 0 R >>", {"<< /SMask 8 0 R >>", mask}),
              Verdict::tooLarge);
    EXPECT_EQ(masked(farScaled, "7 0 R", {inPlace}), Verdict::tooLarge);
    EXPECT_EQ(masked(farScaled, "7 0 R", {"<< /GS0 8 0 R >>", "<< /SMask " + mask + " >>"}),
              Verdict::tooLarge);
    EXPECT_EQ(masked(farScaled, "<< /GS0 << /SMask 7 0 R >> >>", {mask}), Verdict::tooLarge);
    // The group's matrix counts whatever its subtype says.
    QByteArray plainGroup = group;
    plainGroup.replace("/Type /XObject /Subtype /Form", "/Matrix [20000 0 0 20000 0 0]");
    EXPECT_EQ(PdfCostCheck::check(tp::pdfPage(
                  "/GS0 gs 0 0 1 1 re f", "<< /ExtGState " + inPlace + " >>", {pixel, plainGroup})),
              Verdict::tooLarge);
    // Set once at 2000 times, bounded; ten times, not. A state without a
    // soft mask draws nothing, however often it is set.
    EXPECT_EQ(masked("2000 0 0 2000 0 0 cm /GS0 gs 0 0 1 1 re f", inPlace), Verdict::bounded);
    EXPECT_EQ(masked("2000 0 0 2000 0 0 cm " + QByteArray("/GS0 gs ").repeated(10), inPlace),
              Verdict::tooLarge);
    EXPECT_EQ(masked(farScaled + QByteArray(" /GS1 gs").repeated(1000),
                     "<< /GS0 << /ca 0.5 >> /GS1 << /SMask /None >> >>"),
              Verdict::bounded);
    // A state holds one mask; one that gives more groups than any real one
    // is refused, not followed.
    EXPECT_EQ(masked("/GS0 gs", "<< /GS0 7 0 R >>",
                     {"<< " + QByteArray("/SMask << /G 6 0 R >> ").repeated(8) + ">>"}),
              Verdict::bounded);
    QByteArray manyMasks;
    for (int group = 10; group < 19; ++group) {
        manyMasks += "/SMask << /G " + QByteArray::number(group) + " 0 R >> ";
    }
    EXPECT_EQ(masked("/GS0 gs", "<< /GS0 7 0 R >>", {"<< " + manyMasks + ">>"}), Verdict::tooLarge);
}

// A glyph of a Type 3 font is its procedure drawn under the font's matrix,
// at the text's size, under the text matrix and the transform, once for
// each glyph shown.
TEST(PdfCostCheck, aType3GlyphCountsItsProcedureAtTheSizeOfTheText) {
    const QByteArray pixel = grayImage("1", "1", QByteArray(1, '\x80'));
    const auto font = [](const QByteArray& matrix, const QByteArray& procedures) {
        return "<< /Type /Font /Subtype /Type3 " + matrix + " /FontBBox [0 0 1 1] /CharProcs " +
               procedures +
               " /Encoding << /Type /Encoding /Differences [97 /a] >> /FirstChar 97 /LastChar 97 "
               "/Widths [0] /Resources << /XObject << /Im0 5 0 R >> >> >>";
    };
    const auto procedure = [](const QByteArray& content) {
        return "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content +
               "\nendstream";
    };
    const auto shown = [&](const QByteArray& text, const QByteArray& matrix,
                           const QByteArray& glyph = "1 0 d0 /Im0 Do",
                           const QByteArray& procedures = "<< /a 7 0 R >>",
                           const QList<QByteArray>& more = {}) {
        return PdfCostCheck::check(tp::pdfPage(
            text, "<< /Font << /F1 6 0 R >> >>",
            QList<QByteArray>{pixel, font(matrix, procedures), procedure(glyph)} + more));
    };
    const QByteArray unit = "/FontMatrix [1 0 0 1 0 0]";
    const QByteArray thousandth = "/FontMatrix [0.001 0 0 0.001 0 0]";
    const QByteArray tenGlyphs = "(aaaaaaaaaa) Tj ET";
    EXPECT_EQ(shown("BT /F1 20000 Tf " + tenGlyphs, unit), Verdict::tooLarge);
    EXPECT_EQ(shown("BT /F1 12 Tf " + tenGlyphs, unit), Verdict::bounded);
    EXPECT_EQ(
        shown("BT /F1 20000 Tf " + tenGlyphs, thousandth, "1000 0 d0 1000 0 0 1000 0 0 cm /Im0 Do"),
        Verdict::tooLarge);
    EXPECT_EQ(
        shown("BT /F1 12 Tf " + tenGlyphs, thousandth, "1000 0 d0 1000 0 0 1000 0 0 cm /Im0 Do"),
        Verdict::bounded);
    // The text matrix, horizontal scaling, the transform and the form of
    // the strings scale as the size does.
    EXPECT_EQ(shown("BT /F1 1 Tf 20000 0 0 20000 0 0 Tm " + tenGlyphs, unit), Verdict::tooLarge);
    EXPECT_EQ(shown("BT /F1 100 Tf 1000000 Tz " + tenGlyphs, unit), Verdict::tooLarge);
    EXPECT_EQ(shown("20000 0 0 20000 0 0 cm BT /F1 1 Tf " + tenGlyphs, unit), Verdict::tooLarge);
    EXPECT_EQ(shown("BT /F1 20000 Tf [(aaaaa) -100 (aaaaa)] TJ ET", unit), Verdict::tooLarge);
    // A keyword inside an array is an entry of it, not an operator.
    EXPECT_EQ(shown("BT /F1 20000 Tf [(aaaaaaaaaa) null] TJ ET", unit), Verdict::tooLarge);
    EXPECT_EQ(
        PdfCostCheck::check(tp::pdfPage("q 20000 0 0 20000 0 0 cm BT [Q] TJ ET /Im0 Do /Im0 Do",
                                        "<< /XObject << /Im0 5 0 R >> >>", {pixel})),
        Verdict::tooLarge);
    EXPECT_EQ(shown("BT /F1 20000 Tf 0 0 (aaaaa) \" (aaaaa) ' ET", unit), Verdict::tooLarge);
    // However the procedures and the matrix are given.
    EXPECT_EQ(
        shown("BT /F1 20000 Tf " + tenGlyphs, unit, "1 0 d0 /Im0 Do", "8 0 R", {"<< /a 7 0 R >>"}),
        Verdict::tooLarge);
    EXPECT_EQ(shown("BT /F1 1 Tf (a) Tj ET", "/FontMatrix 8 0 R", "1 0 d0 /Im0 Do",
                    "<< /a 7 0 R >>", {"[1 0 0 1 0 0]"}),
              Verdict::tooLarge);
    // Text in another font is no Type 3 glyph, however large.
    const auto withResources = [&](const QByteArray& text, const QByteArray& resources,
                                   const QList<QByteArray>& more = {}) {
        return PdfCostCheck::check(tp::pdfPage(
            text, resources,
            QList<QByteArray>{pixel, font(unit, "<< /a 7 0 R >>"), procedure("1 0 d0 /Im0 Do")} +
                more));
    };
    const QByteArray helvetica = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>";
    EXPECT_EQ(withResources("BT /F2 20000 Tf " + tenGlyphs, "<< /Font << /F1 6 0 R /F2 8 0 R >> >>",
                            {helvetica}),
              Verdict::bounded);
    EXPECT_EQ(withResources("BT /F1 20000 Tf " + tenGlyphs, "<< /Font 8 0 R >>",
                            {"<< /F1 6 0 R /F2 9 0 R >>", helvetica}),
              Verdict::tooLarge);
    // A font and size the content does not set itself (a form's, or after a
    // state that sets them) count as any Type 3 font at the largest size set.
    const QByteArray form = "<< /Type /XObject /Subtype /Form /BBox [0 0 1 1] /Length 18 "
                            ">>\nstream\nBT (aaaaaaaaaa) Tj ET\nendstream";
    const QByteArray fontAndForm = "<< /Font << /F1 6 0 R >> /XObject << /Fm0 8 0 R >> >>";
    EXPECT_EQ(withResources("BT /F1 20000 Tf ET /Fm0 Do", fontAndForm, {form}), Verdict::tooLarge);
    EXPECT_EQ(withResources("BT /F1 12 Tf ET /Fm0 Do", fontAndForm, {form}), Verdict::bounded);
    // Each font at the largest size its own names are set at: Helvetica at
    // 20,000 points makes no Type 3 glyph larger.
    const QByteArray fonts = "<< /Font << /F1 6 0 R /F2 9 0 R >> /XObject << /Fm0 8 0 R >> >>";
    EXPECT_EQ(
        withResources("BT /F1 12 Tf (a) Tj /F2 20000 Tf ET /Fm0 Do", fonts, {form, helvetica}),
        Verdict::bounded);
    // So are a text matrix and a horizontal scaling the content did not set.
    const QByteArray withoutBT = "<< /Type /XObject /Subtype /Form /BBox [0 0 1 1] /Length 15 "
                                 ">>\nstream\n(aaaaaaaaaa) Tj\nendstream";
    EXPECT_EQ(
        withResources("BT /F1 1 Tf 20000 0 0 20000 0 0 Tm /Fm0 Do ET", fontAndForm, {withoutBT}),
        Verdict::tooLarge);
    EXPECT_EQ(withResources("BT /F1 1 Tf 20 0 0 20 0 0 Tm /Fm0 Do ET", fontAndForm, {withoutBT}),
              Verdict::bounded);
    const QByteArray ownFont = "<< /Type /XObject /Subtype /Form /BBox [0 0 1 1] /Length 30 "
                               ">>\nstream\nBT /F1 100 Tf (aaaaaaaaaa) Tj ET\nendstream";
    EXPECT_EQ(withResources("40000 Tz /Fm0 Do", fontAndForm, {ownFont}), Verdict::tooLarge);
    EXPECT_EQ(withResources("100 Tz /Fm0 Do", fontAndForm, {ownFont}), Verdict::bounded);
    EXPECT_EQ(withResources("BT /GS0 gs " + tenGlyphs,
                            "<< /Font << /F1 6 0 R >> /ExtGState << /GS0 << /Font [6 0 R 20000] "
                            ">> >> >>"),
              Verdict::tooLarge);
    // Each glyph draws its procedure again: a procedure reading 400 by 400
    // pixels, shown a thousand times, is bounded, and a hundred thousand
    // times, not.
    const QByteArray inlinePixels =
        "1 0 d0 BI /W 400 /H 400 /CS /G /BPC 8 ID " + QByteArray(400 * 400, '\x80') + " EI";
    const QByteArray line = "(" + QByteArray(100, 'a') + ") Tj ";
    EXPECT_EQ(shown("BT /F1 1 Tf " + line.repeated(10) + "ET", thousandth, inlinePixels),
              Verdict::bounded);
    EXPECT_EQ(shown("BT /F1 1 Tf " + line.repeated(1000) + "ET", thousandth, inlinePixels),
              Verdict::tooLarge);
}

// The library draws an annotation's appearance scaled from the form's box
// to the annotation's.
TEST(PdfCostCheck, anAppearanceCountsScaledFromItsBoxToItsAnnotations) {
    const QByteArray pixel = grayImage("1", "1", QByteArray(1, '\x80'));
    const auto appearance = [](const QByteArray& box, const QByteArray& content,
                               const QByteArray& keys = {}) {
        return "<< /Type /XObject /Subtype /Form /BBox " + box + " " + keys +
               " /Resources << /XObject << /Im0 5 0 R >> >> /Length " +
               QByteArray::number(content.size()) + " >>\nstream\n" + content + "\nendstream";
    };
    const auto annotated = [&](const QByteArray& annotation, const QByteArray& form,
                               const QList<QByteArray>& more = {}) {
        return PdfCostCheck::check(tp::pdfOfObjects(
            QList<QByteArray>{"<< /Type /Catalog /Pages 2 0 R >>",
                              "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                              "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Contents 4 0 "
                              "R /Annots [7 0 R] >>",
                              "<< /Length 0 >>\nstream\n\nendstream", pixel, form,
                              "<< /Type /Annot /Subtype /Square /F 4 " + annotation + " >>"} +
            more));
    };
    const QByteArray rect = "/Rect [0 0 100 100] ";
    const QByteArray image = "/Im0 Do";
    EXPECT_EQ(annotated(rect + "/AP << /N 6 0 R >>", appearance("[0 0 0.01 0.01]", image)),
              Verdict::tooLarge);
    EXPECT_EQ(annotated(rect + "/AP << /N 6 0 R >>", appearance("[0 0 1 1]", image)),
              Verdict::bounded);
    // A form whose matrix shrinks its box shrinks what it draws alike; one
    // that draws beyond its box is scaled with it.
    EXPECT_EQ(annotated(rect + "/AP << /N 6 0 R >>",
                        appearance("[0 0 1 1]", image, "/Matrix [0.01 0 0 0.01 0 0]")),
              Verdict::bounded);
    const QByteArray beyond = "3000 0 0 3000 0 0 cm /Im0 Do";
    EXPECT_EQ(annotated(rect + "/AP << /N 6 0 R >>", appearance("[0 0 1 1]", beyond)),
              Verdict::tooLarge);
    EXPECT_EQ(annotated("/Rect [0 0 1 1] /AP << /N 6 0 R >>", appearance("[0 0 1 1]", beyond)),
              Verdict::bounded);
    // A box of nothing is not scaled.
    EXPECT_EQ(annotated(rect + "/AP << /N 6 0 R >>", appearance("[0 0 0 0]", beyond)),
              Verdict::bounded);
    // However the appearances are given.
    const QByteArray tiny = appearance("[0 0 0.01 0.01]", image);
    EXPECT_EQ(annotated(rect + "/AP 8 0 R", tiny, {"<< /N 6 0 R >>"}), Verdict::tooLarge);
    EXPECT_EQ(annotated(rect + "/AP << /N << /On 6 0 R >> >>", tiny), Verdict::tooLarge);
    EXPECT_EQ(annotated(rect + "/AP << /D 8 0 R >>", tiny, {"<< /On 6 0 R >>"}), Verdict::tooLarge);
    EXPECT_EQ(annotated(rect + "/AP 8 0 R", tiny, {"<< /N << /Off 6 0 R >> >>"}),
              Verdict::tooLarge);
    // A page draws all its annotations: four appearances of 3000 points a
    // side are too many for one page, two on each of two pages are not,
    // however the page names them.
    const QByteArray square = "<< /Type /Annot /Subtype /Square /F 4 /Rect [0 0 3000 3000] /AP "
                              "<< /N 7 0 R >> >>";
    const auto pages = [&](const QByteArray& first, const QByteArray& second,
                           const QList<QByteArray>& more = {}) {
        const auto page = [](const QByteArray& annotations) {
            return "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Contents 5 0 R /Annots " +
                   annotations + " >>";
        };
        return PdfCostCheck::check(tp::pdfOfObjects(
            QList<QByteArray>{"<< /Type /Catalog /Pages 2 0 R >>",
                              "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>", page(first),
                              page(second), "<< /Length 0 >>\nstream\n\nendstream", pixel,
                              appearance("[0 0 1 1]", image).replace("5 0 R", "6 0 R"), square,
                              square, square, square} +
            more));
    };
    EXPECT_EQ(pages("[8 0 R 9 0 R 10 0 R 11 0 R]", "[]"), Verdict::tooLarge);
    EXPECT_EQ(pages("[8 0 R 9 0 R]", "[10 0 R 11 0 R]"), Verdict::bounded);
    EXPECT_EQ(pages("12 0 R", "[]", {"[8 0 R 9 0 R 10 0 R 11 0 R]"}), Verdict::tooLarge);
    EXPECT_EQ(pages("[" + square.repeated(4) + "]", "[]"), Verdict::tooLarge);
    EXPECT_EQ(pages("[" + square.repeated(2) + "]", "[" + square.repeated(2) + "]"),
              Verdict::bounded);
    // Sides given by reference are not known here.
    EXPECT_EQ(annotated("/Rect 8 0 R /AP << /N 6 0 R >>", appearance("[0 0 1 1]", image),
                        {"[0 0 100 100]"}),
              Verdict::tooLarge);
    EXPECT_EQ(annotated(rect + "/AP << /N 6 0 R >>", appearance("8 0 R", image), {"[0 0 1 1]"}),
              Verdict::tooLarge);
}

TEST(PdfCostCheck, theWorkOfAnImagesPixelsCountsHowTheyAreRead) {
    const auto image = [](const QByteArray& bits) {
        return "<< /Type /XObject /Subtype /Image /Width 8000 /Height 8000 /ColorSpace "
               "/DeviceGray /BitsPerComponent " +
               bits + " /Length 4 >>\nstream\n\x80\x80\x80\x80\nendstream";
    };
    const QByteArray tenTimes = QByteArray("q 200 0 0 100 0 0 cm /Im0 Do Q ").repeated(10);
    const QByteArray resources = "<< /XObject << /Im0 5 0 R >> >>";
    EXPECT_EQ(PdfCostCheck::check(tp::pdfPage(tenTimes, resources, {image("8")})),
              Verdict::bounded);
    EXPECT_EQ(PdfCostCheck::check(tp::pdfPage(tenTimes, resources, {image("16")})),
              Verdict::tooLarge);
    EXPECT_EQ(PdfCostCheck::check(tp::pdfPage(tenTimes, resources, {image("6 0 R"), "16"})),
              Verdict::tooLarge);

    // A form holding one inline image, drawn a hundred times.
    const auto form = [](const QByteArray& inlineKeys) {
        const QByteArray content =
            "q 200 0 0 100 0 0 cm BI " + inlineKeys + " /CS /G ID \x80\x80 EI Q";
        return "<< /Type /XObject /Subtype /Form /BBox [0 0 200 100] /Length " +
               QByteArray::number(content.size()) + " >>\nstream\n" + content + "\nendstream";
    };
    const QByteArray hundredTimes = QByteArray("/Fm0 Do ").repeated(100);
    const QByteArray formResources = "<< /XObject << /Fm0 5 0 R >> >>";
    EXPECT_EQ(PdfCostCheck::check(
                  tp::pdfPage(hundredTimes, formResources, {form("/W 800 /H 800 /BPC 8")})),
              Verdict::bounded);
    EXPECT_EQ(PdfCostCheck::check(
                  tp::pdfPage(hundredTimes, formResources, {form("/W 8000 /H 8000 /BPC 8")})),
              Verdict::tooLarge);
    EXPECT_EQ(PdfCostCheck::check(tp::pdfPage(hundredTimes, formResources,
                                              {form("/W 8000 /H 800 /BPC 16 /BPC 8 /W 800")})),
              Verdict::tooLarge);
    // The key given twice: a size the cap refuses, by either name.
    EXPECT_EQ(PdfCostCheck::check(tp::pdfPage(
                  "BI /W 10000 /H 1000000 /Width 10 /BPC 8 /CS /G ID \x80 EI", "<< >>")),
              Verdict::tooLarge);
    const auto twice = [](const QByteArray& width) {
        return "<< /Type /XObject /Subtype /Image /Width 10 /Height 1000000 /Width " + width +
               " /ColorSpace /DeviceGray /BitsPerComponent 8 /Length 1 >>\nstream\n\x80\nendstream";
    };
    EXPECT_EQ(PdfCostCheck::check(tp::pdfPage("/Im0 Do", resources, {twice("10000")})),
              Verdict::tooLarge);
    EXPECT_EQ(PdfCostCheck::check(tp::pdfPage("/Im0 Do", resources, {twice("6 0 R"), "10000"})),
              Verdict::unreadable);
}

namespace {

// Objects at the offsets given, in a cross-reference table; the catalog is
// object 1, and objects with no offset are free.
QByteArray withTable(const QByteArray& body, const QMap<int, qsizetype>& offsets) {
    const int size = offsets.lastKey() + 1;
    QByteArray out = body + "xref\n0 " + QByteArray::number(size) + "\n";
    for (int i = 0; i < size; ++i) {
        out += offsets.contains(i)
                   ? QByteArray::number(offsets[i]).rightJustified(10, '0') + " 00000 n \n"
                   : QByteArray("0000000000 65535 f \n");
    }
    return out + "trailer\n<< /Size " + QByteArray::number(size) + " /Root 1 0 R >>\nstartxref\n" +
           QByteArray::number(body.size()) + "\n%%EOF\n";
}

// Catalog, pages and a page whose content is object 5, as objects 1 to 3.
QByteArray pageHead(QMap<int, qsizetype>& offsets) {
    QByteArray out = "%PDF-1.5\n";
    const QList<QByteArray> objects{
        "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents 5 0 R >>"};
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets[int(i) + 1] = out.size();
        out += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    return out;
}

QByteArray contentObject(const QByteArray& header, const QByteArray& content) {
    return header + "\n<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" +
           content + "\nendstream\nendobj\n";
}

// Content object 5 written inside the data of image 6, where only the
// cross-reference table names it.
QByteArray insideImageData(const QByteArray& header, const QByteArray& content) {
    QMap<int, qsizetype> offsets;
    QByteArray out = pageHead(offsets);
    const QByteArray pixels(64, '\x80');
    const QByteArray hidden = contentObject(header, content);
    offsets[6] = out.size();
    out += "6 0 obj\n<< /Type /XObject /Subtype /Image /Width 8 /Height 8 /ColorSpace /DeviceGray "
           "/BitsPerComponent 8 /Length " +
           QByteArray::number(pixels.size() + hidden.size()) + " >>\nstream\n";
    offsets[5] = out.size() + pixels.size();
    out += pixels + hidden + "\nendstream\nendobj\n";
    return withTable(out, offsets);
}

} // namespace

// A string that never ends reads to the end of the file, but the PDF
// library reaches the objects after it through the table: they are read.
TEST(PdfCostCheck, aStringThatNeverEndsHidesNoObject) {
    auto document = [](const QByteArray& unused, const QByteArray& content) {
        QMap<int, qsizetype> offsets;
        QByteArray out = pageHead(offsets);
        offsets[4] = out.size();
        out += "4 0 obj\n" + unused + "\nendobj\n";
        offsets[5] = out.size();
        out += contentObject("5 0 obj", content);
        return withTable(out, offsets);
    };
    EXPECT_EQ(PdfCostCheck::check(document("(abc)", nested(3000))), Verdict::tooLarge);
    EXPECT_EQ(PdfCostCheck::check(document("(abc", nested(3000))), Verdict::tooLarge);
    EXPECT_EQ(PdfCostCheck::check(document("<< /A [ (abc", nested(3000))), Verdict::tooLarge);
    PictureRefusal why = PictureRefusal::noPicture;
    EXPECT_FALSE(PdfPage::firstPage(document("(abc", nested(3000)), &why));
    EXPECT_EQ(why, PictureRefusal::tooLarge);
    // An image behind the string is measured too.
    QMap<int, qsizetype> offsets;
    QByteArray out = pageHead(offsets);
    offsets[4] = out.size();
    out += "4 0 obj\n(abc\nendobj\n";
    offsets[5] = out.size();
    out += contentObject("5 0 obj", "q 200 0 0 100 0 0 cm /Im0 Do Q");
    offsets[6] = out.size();
    out += "6 0 obj\n" + grayImage("1000000", "1000000") + "\nendobj\n";
    EXPECT_EQ(PdfCostCheck::check(withTable(out, offsets)), Verdict::tooLarge);
    // What is drawn within bounds stays so.
    EXPECT_EQ(PdfCostCheck::check(document("(abc", nested(100))), Verdict::bounded);
}

// An object written inside another's data is read where the table names
// it, however its header is spelt, and wherever a header is written.
TEST(PdfCostCheck, anObjectInsideAnotherStreamsDataIsRead) {
    EXPECT_EQ(PdfCostCheck::check(insideImageData("5 0 obj", nested(3000))), Verdict::tooLarge);
    // Only the table finds these: a comment between, a number cut short.
    EXPECT_EQ(PdfCostCheck::check(insideImageData("5 % x\n0 obj", nested(3000))),
              Verdict::tooLarge);
    EXPECT_EQ(PdfCostCheck::check(insideImageData("5 0obj", nested(3000))), Verdict::tooLarge);
    QByteArray cut = insideImageData("15 0 obj", nested(3000));
    EXPECT_EQ(PdfCostCheck::check(cut), Verdict::tooLarge);
    EXPECT_EQ(PdfCostCheck::check(insideImageData("5 % x\n0 obj", nested(100))), Verdict::bounded);
}

// The same through a cross-reference stream, rows predicted as most
// writers store them.
TEST(PdfCostCheck, aCrossReferenceStreamNamesHiddenObjectsToo) {
    auto document = [](const QByteArray& content) {
        const QByteArray base = insideImageData("5 % x\n0 obj", content);
        const QByteArray body = base.left(base.indexOf("xref\n"));
        QList<qsizetype> offsets(7, 0);
        for (int i = 1; i <= 6; ++i) {
            if (i != 4) {
                offsets[i] =
                    i == 5 ? body.indexOf("5 % x") : body.indexOf(QByteArray::number(i) + " 0 obj");
            }
        }
        // Rows of type, offset (4 bytes), generation; each row's bytes less
        // the row above it (filter 2).
        QByteArray rows;
        QByteArray above(6, 0);
        for (int i = 0; i < 7; ++i) {
            QByteArray row(6, 0);
            row[0] = char(offsets[i] > 0 ? 1 : 0);
            for (int b = 0; b < 4; ++b) {
                row[1 + b] = char((offsets[i] >> (8 * (3 - b))) & 0xff);
            }
            rows += '\x02';
            for (int b = 0; b < 6; ++b) {
                rows += char(row[b] - above[b]);
            }
            above = row;
        }
        const QByteArray xref = tp::deflatedStream(
            rows, "/Type /XRef /Size 7 /W [1 4 1] /Root 1 0 R /DecodeParms << /Predictor 12 "
                  "/Columns 6 >>");
        return body + "7 0 obj\n" + xref + "\nendobj\nstartxref\n" +
               QByteArray::number(body.size()) + "\n%%EOF\n";
    };
    EXPECT_EQ(PdfCostCheck::check(document(nested(3000))), Verdict::tooLarge);
    EXPECT_EQ(PdfCostCheck::check(document(nested(100))), Verdict::bounded);
}

// Headers by the hundred thousand, each of an object that never ends or
// whose data runs to the end of the file: the reading stays bounded and
// refuses them; many small ones are read.
TEST(PdfCostCheck, manyHeadersAreReadWithinBounds) {
    const QByteArray page = tp::pdfPage(nested(10));
    EXPECT_EQ(PdfCostCheck::check(page + QByteArray("9 0 obj (").repeated(200000)),
              Verdict::tooLarge);
    EXPECT_EQ(PdfCostCheck::check(page + QByteArray("9 0 obj << /A [ ").repeated(200000)),
              Verdict::tooLarge);
    EXPECT_EQ(PdfCostCheck::check(page +
                                  QByteArray("9 0 obj << /Length 1 >> stream\n").repeated(100000) +
                                  QByteArray(1 << 20, 'x')),
              Verdict::tooLarge);
    // Each hidden in a string that never ends, more than are read.
    QByteArray many = page + "(";
    for (int i = 0; i < 300000; ++i) {
        many += QByteArray::number(10 + i) + " 0 obj 1 ";
    }
    EXPECT_EQ(PdfCostCheck::check(many), Verdict::tooLarge);
    // Cross-reference streams that each inflate to a few rows too many.
    QList<QByteArray> sections;
    for (int i = 0; i < 300; ++i) {
        sections += tp::deflatedStream(QByteArray(64 * 1024, '\0'), "/Type /XRef /W [1 4 1]");
    }
    EXPECT_EQ(PdfCostCheck::check(tp::pdfPage(nested(10), "<< >>", sections)), Verdict::tooLarge);
    EXPECT_EQ(PdfCostCheck::check(tp::pdfPage(nested(10), "<< >>", sections.mid(0, 10))),
              Verdict::bounded);
    // A few thousand in a string that ends are read, and harmless.
    EXPECT_EQ(PdfCostCheck::check(tp::pdfPage(
                  nested(10), "<< >>", {"(" + QByteArray("9 0 obj 2 ").repeated(5000) + ")"})),
              Verdict::bounded);
}

// What a real writer makes, with text, shapes and a picture, is measured as
// before, and drawn.
TEST(PdfCostCheck, writtenDocumentsAreStillMeasured) {
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(72);
        QPainter painter(&writer);
        painter.drawText(QPointF(20, 40), QStringLiteral("Lunvik 1 0 obj (unclosed"));
        painter.fillRect(QRectF(20, 60, 100, 50), Qt::darkGray);
        painter.drawImage(QRectF(150, 60, 120, 80),
                          tp::filled(300, 200, QImage::Format_RGB32, 0xff336699));
        painter.end();
    }
    ASSERT_GT(bytes.size(), 500);
    EXPECT_EQ(PdfCostCheck::check(bytes), Verdict::bounded);
    PictureRefusal why = PictureRefusal::noPicture;
    EXPECT_TRUE(PdfPage::firstPage(bytes, &why));
    // A document that carries another, unpacked, as an attached file: its
    // objects are read too, and are no cost to speak of.
    const QByteArray attached = "<< /Type /EmbeddedFile /Length " +
                                QByteArray::number(bytes.size()) + " >>\nstream\n" + bytes +
                                "\nendstream";
    const QByteArray carrier = tp::pdfPage(nested(10), "<< >>", {attached});
    EXPECT_EQ(PdfCostCheck::check(carrier), Verdict::bounded);
    EXPECT_TRUE(PdfPage::firstPage(carrier, &why));
}
