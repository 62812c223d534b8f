#include "platform/tests/support/HostilePdfs.h"

#include "platform/tests/support/TestPictures.h"

#include <QFile>

namespace testpictures {

namespace {

QByteArray grayImage(const QByteArray& width, const QByteArray& height,
                     const QByteArray& pixels = QByteArray(4, '\x80')) {
    return "<< /Type /XObject /Subtype /Image /Width " + width + " /Height " + height +
           " /ColorSpace /DeviceGray /BitsPerComponent 8 /Length " +
           QByteArray::number(pixels.size()) + " >>\nstream\n" + pixels + "\nendstream";
}

QByteArray stream(const QByteArray& keys, const QByteArray& content) {
    return "<< " + keys + " /Length " + QByteArray::number(content.size()) + " >>\nstream\n" +
           content + "\nendstream";
}

const QByteArray imageResources = "<< /XObject << /Im0 5 0 R >> >>";

// Forms 5 on, each drawing the next ten times, `depth` deep.
QByteArray formsDrawingTheNextTenTimes(int depth) {
    QList<QByteArray> forms;
    for (int i = 0; i < depth; ++i) {
        const QByteArray next = "/F" + QByteArray::number(i + 1);
        const QByteArray content =
            i < depth - 1 ? ("q " + next + " Do Q ").repeated(10) : QByteArray("0 0 1 1 re f");
        forms += stream("/Type /XObject /Subtype /Form /BBox [0 0 10 10] /Resources << /XObject "
                        "<< " +
                            next + " " + QByteArray::number(6 + i) + " 0 R >> >>",
                        content);
    }
    return pdfPage("/F0 Do", "<< /XObject << /F0 5 0 R >> >>", forms);
}

// A Coons patch mesh of `patches` patches, all alike: the library keeps
// every patch in memory before it draws one.
QByteArray patchMesh(int patches) {
    QByteArray patch(1, '\0'); // flag: a new patch
    for (int i = 0; i < 12; ++i) {
        patch += char(i * 20);
        patch += char(255 - i * 20);
    }
    patch += QByteArray("\x00\x80\xff\x40", 4);
    const QByteArray data = qCompress(patch.repeated(patches), 9).mid(4);
    const QByteArray shading =
        "<< /ShadingType 6 /ColorSpace /DeviceGray /BitsPerCoordinate 8 /BitsPerComponent 8 "
        "/BitsPerFlag 8 /Decode [0 200 0 100 0 1] /Filter /FlateDecode /Length " +
        QByteArray::number(data.size()) + " >>\nstream\n" + data + "\nendstream";
    return pdfPage("/Sh0 sh", "<< /Shading << /Sh0 5 0 R >> >>", {shading});
}

QByteArray fixture(const QString& name) {
    QFile file(QStringLiteral(LUNVIK_ENCRYPTED_PDFS "/") + name + QStringLiteral(".pdf"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

QByteArray nestedFunctionPdf(int depth) {
    const QByteArray function =
        "{ " + QByteArray("{ ").repeated(depth) + "pop " + QByteArray("} ").repeated(depth) + "}";
    const QByteArray data = qCompress(function, 9).mid(4);
    return pdfPage("/CS0 cs 0.5 scn 0 0 200 100 re f",
                   "<< /ColorSpace << /CS0 [/Separation /Ink /DeviceGray 5 0 R] >> >>",
                   {"<< /FunctionType 4 /Domain [0 1] /Range [0 1] /Filter /FlateDecode "
                    "/Length " +
                    QByteArray::number(data.size()) + " >>\nstream\n" + data + "\nendstream"});
}

std::vector<HostilePdf> hostilePdfs() {
    const QByteArray pixel = grayImage("1", "1", QByteArray(1, '\x80'));
    std::vector<HostilePdf> pdfs{
        {QStringLiteral("an image declaring 10^6 x 10^6 pixels"),
         pdfPage("q 200 0 0 100 0 0 cm /Im0 Do Q", imageResources,
                 {grayImage("1000000", "1000000")})},
        {QStringLiteral("an inline image declaring 10^6 x 10^6 pixels"),
         pdfPage("q 10 0 0 10 0 0 cm BI /W 1000000 /H 1000000 /CS /G /BPC 8 ID \x80\x80 EI Q")},
        {QStringLiteral("content inflating to 80 MiB"),
         pdfOfObjects({"<< /Type /Catalog /Pages 2 0 R >>",
                       "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                       "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents 4 0 R >>",
                       deflatedStream(QByteArray(80 * 1024 * 1024, ' '))})},
        {QStringLiteral("a million nested saved states"),
         pdfPage(QByteArray("q ").repeated(1000000) + "0 0 10 10 re f " +
                 QByteArray("Q ").repeated(1000000))},
        {QStringLiteral("300,000 nested marked-content sections"),
         pdfPage(QByteArray("/Tag BMC ").repeated(300000) + "0 0 10 10 re f " +
                 QByteArray("EMC ").repeated(300000))},
        {QStringLiteral("forms drawing the next ten times, 20 deep"),
         formsDrawingTheNextTenTimes(20)},
        {QStringLiteral("a form that draws itself"),
         pdfPage("/F0 Do", "<< /XObject << /F0 5 0 R >> >>",
                 {stream("/Type /XObject /Subtype /Form /BBox [0 0 10 10] /Resources << /XObject "
                         "<< /F0 5 0 R >> >>",
                         "/F0 Do")})},
        {QStringLiteral("an image drawn a hundred times at 10000 x 10000 pixels"),
         pdfPage(QByteArray("q 200 0 0 100 0 0 cm /Im0 Do Q ").repeated(100), imageResources,
                 {grayImage("10000", "10000")})},
        {QStringLiteral("a pixel scaled 40,000 times beyond the page"),
         pdfPage("q 200 0 0 100 0 0 cm 200 0 0 100 0 0 cm /Im0 Do Q", imageResources, {pixel})},
        {QStringLiteral("a pixel under an endless shear"),
         pdfPage("q 200 100000000000000000000 0 100 0 0 cm /Im0 Do Q", imageResources, {pixel})},
        {QStringLiteral("a tiling pattern of a 0.001 pt cell"),
         pdfPage("/Pattern cs /P0 scn 0 0 200 100 re f", "<< /Pattern << /P0 5 0 R >> >>",
                 {stream("/PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 0.001 0.001] "
                         "/XStep 0.001 /YStep 0.001 /Resources << >>",
                         "0 0 0.0005 0.0005 re f")})},
        {QStringLiteral("a tiling pattern's cell scaled 20,000 times, painted ten times"),
         pdfPage("/Pattern cs /P0 scn " + QByteArray("0 0 100 100 re f ").repeated(10),
                 "<< /Pattern << /P0 6 0 R >> >>",
                 {pixel, stream("/PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 1 1] "
                                "/XStep 1 /YStep 1 /Matrix [20000 0 0 20000 0 0] /Resources << "
                                "/XObject << /Im0 5 0 R >> >>",
                                "/Im0 Do")})},
        {QStringLiteral("a soft mask's group drawn 20,000 times larger"),
         pdfPage("20000 0 0 20000 0 0 cm /GS0 gs 0 0 1 1 re f",
                 "<< /ExtGState << /GS0 << /SMask << /S /Luminosity /G 6 0 R >> >> >> >>",
                 {pixel, stream("/Type /XObject /Subtype /Form /BBox [0 0 1 1] /Group << /S "
                                "/Transparency /CS /DeviceGray >> /Resources << /XObject << /Im0 "
                                "5 0 R >> >>",
                                "/Im0 Do")})},
        {QStringLiteral("Type 3 glyphs at 20,000 points"),
         pdfPage("BT /F1 20000 Tf (aaaaaaaaaa) Tj ET", "<< /Font << /F1 6 0 R >> >>",
                 {pixel,
                  "<< /Type /Font /Subtype /Type3 /FontMatrix [1 0 0 1 0 0] /FontBBox [0 0 1 1] "
                  "/CharProcs << /a 7 0 R >> /Encoding << /Type /Encoding /Differences [97 /a] >> "
                  "/FirstChar 97 /LastChar 97 /Widths [0] /Resources << /XObject << /Im0 5 0 R >> "
                  ">> >>",
                  stream({}, "1 0 d0 /Im0 Do")})},
        {QStringLiteral("a mesh shading of three million patches"), patchMesh(3000000)},
        {QStringLiteral("a calculator function nested 200,000 deep"), nestedFunctionPdf(200000)},
    };
    for (const char* kind : {"rc4-40", "aes-256"}) {
        pdfs.push_back({QStringLiteral("encrypted (%1), an image of 10^6 x 10^6 pixels")
                            .arg(QLatin1String(kind)),
                        fixture(QStringLiteral("huge-") + QLatin1String(kind))});
        pdfs.push_back({QStringLiteral("encrypted (%1), a million nested saved states")
                            .arg(QLatin1String(kind)),
                        fixture(QStringLiteral("nested-") + QLatin1String(kind))});
    }
    return pdfs;
}

} // namespace testpictures
