#include "platform/graphics/PdfSecurityHandler.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/PdfCostCheck.h"
#include "platform/graphics/PdfPage.h"
#include "platform/tests/support/TestPictures.h"

#include <QFile>

#include <gtest/gtest.h>

using platform::PdfCostCheck;
using platform::PdfPage;
using platform::PdfSecurityHandler;
using platform::PictureRefusal;
using Verdict = platform::PdfCostCheck::Verdict;
namespace tp = testpictures;

namespace {

// The documents of data/encrypted were made once by make-fixtures.sh there
// (a small page encrypted by qpdf): "picture" draws a 2 x 2 gray image,
// "huge" the same image declaring 1,000,000 x 1,000,000 pixels in an object
// that the documents with object streams hold in an encrypted one, "nested" a
// million nested saved states; all open with the empty user password.
// "locked" needs the user password "user".
QByteArray fixture(const QString& name) {
    QFile file(QStringLiteral(LUNVIK_TEST_DATA "/encrypted/") + name + QStringLiteral(".pdf"));
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "missing " << name.toStdString();
        return {};
    }
    return file.readAll();
}

const QStringList kinds{"rc4-40", "rc4-128", "aes-128", "aes-256"};

} // namespace

// Documents locked against changes only are read with the empty user
// password: measured decrypted, then opened and drawn by the PDF library.
TEST(PdfSecurityHandler, ownerLockedDocumentsAreMeasuredAndDrawn) {
    QStringList all = kinds;
    all << "aes-256-r5"
        << "aes-128-clear-metadata";
    for (const QString& kind : all) {
        SCOPED_TRACE(kind.toStdString());
        const QByteArray data = fixture("picture-" + kind);
        EXPECT_EQ(PdfCostCheck::check(data), Verdict::bounded);
        PictureRefusal why = PictureRefusal::tooLarge;
        const auto page = PdfPage::firstPage(data, &why);
        ASSERT_TRUE(page);
        auto context = platform::GraphicsContext::makeBitmap(
            platform::GraphicsContext::PixelFormat::gray8, 20, 10);
        page->draw(*context);
        EXPECT_NEAR(context->bitmap().pixelColor(10, 5).red(), 0x80, 2);
    }
}

// What the encryption hides is measured: an image's sides in an encrypted
// object stream, the nesting in encrypted, deflated content.
TEST(PdfSecurityHandler, encryptedDocumentsOverTheBudgetAreTooLarge) {
    for (const QString& kind : kinds) {
        for (const QString& name : {QStringLiteral("huge-"), QStringLiteral("nested-")}) {
            SCOPED_TRACE((name + kind).toStdString());
            const QByteArray data = fixture(name + kind);
            EXPECT_EQ(PdfCostCheck::check(data), Verdict::tooLarge);
            PictureRefusal why = PictureRefusal::noPicture;
            EXPECT_FALSE(PdfPage::firstPage(data, &why));
            EXPECT_EQ(why, PictureRefusal::tooLarge);
        }
    }
}

// A document that needs a user password is no picture, as before; so is one
// whose dictionaries name different encryptions, or name one ambiguously.
TEST(PdfSecurityHandler, documentsThatNeedAPasswordAreRefused) {
    for (const QString& name :
         {QStringLiteral("locked-rc4-128"), QStringLiteral("locked-aes-256")}) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray data = fixture(name);
        EXPECT_EQ(PdfCostCheck::check(data), Verdict::unreadable);
        PictureRefusal why = PictureRefusal::tooLarge;
        EXPECT_FALSE(PdfPage::firstPage(data, &why));
        EXPECT_EQ(why, PictureRefusal::noPicture);
    }
    const QByteArray picture = fixture("picture-rc4-40");
    EXPECT_EQ(PdfCostCheck::check(picture + "trailer\n<< /Encrypt 99 0 R >>\n"),
              Verdict::unreadable);
    // Another identifier gives another key, which the password does not fit.
    EXPECT_EQ(PdfCostCheck::check(picture + "trailer\n<< /Encrypt 7 0 R /ID [<00>] >>\n"),
              Verdict::unreadable);
    // The same again, as an update of the document writes it, is read.
    const qsizetype id = picture.indexOf("/ID");
    ASSERT_GT(id, 0);
    const QByteArray again = picture.mid(id, picture.indexOf(']', id) + 1 - id);
    EXPECT_EQ(PdfCostCheck::check(picture + "trailer\n<< /Encrypt 7 0 R " + again + " >>\n"),
              Verdict::bounded);
    // A key given twice may be read either way.
    EXPECT_EQ(PdfCostCheck::check(picture + "trailer\n<< /Encrypt 7 0 R /Encrypt 7 0 R " + again +
                                  " >>\n"),
              Verdict::unreadable);
    QByteArray twice = fixture("picture-aes-128");
    EXPECT_EQ(PdfCostCheck::check(twice), Verdict::bounded);
    twice.replace("/StmF /StdCF", "/StmF /StdCF /StmF /StdCF");
    EXPECT_EQ(PdfCostCheck::check(twice), Verdict::unreadable);
}

// Whether the PDF library decrypts a stream depends on which trailer it
// follows and on entries a file may set anywhere: streams are measured as
// written too. Content added unencrypted to an encrypted document counts.
TEST(PdfSecurityHandler, streamsAreMeasuredAsWrittenToo) {
    const QByteArray nested = QByteArray("q ").repeated(2000) + QByteArray("Q ").repeated(2000);
    const QByteArray added = "\n20 0 obj\n<< /Length " + QByteArray::number(nested.size()) +
                             " >>\nstream\n" + nested + "\nendstream\nendobj\n";
    EXPECT_EQ(PdfCostCheck::check(fixture("picture-aes-128") + added), Verdict::tooLarge);
    // An encryption dictionary given in place is read as well.
    const QByteArray inPlace = tp::pdfPage("0 0 1 1 re f", "<< >>",
                                           {"<< /Length " + QByteArray::number(nested.size()) +
                                            " >>\nstream\n" + nested + "\nendstream"});
    EXPECT_EQ(PdfCostCheck::check(inPlace), Verdict::tooLarge);
    EXPECT_EQ(PdfCostCheck::check(inPlace + "trailer\n<< /Encrypt << /Filter /Standard /V 4 /R 4 "
                                            "/CF << /StdCF << /CFM /None >> >> /StmF /Identity "
                                            "/StrF /Identity /O (o) /U (u) /P -4 >> >>\n"),
              Verdict::tooLarge);
}

// Entries the PDF library would read otherwise, or that no password fits,
// open nothing; and broken, truncated or hostile encryption dictionaries end
// the check without a fault.
TEST(PdfSecurityHandler, hostileEncryptionEntriesAreRefused) {
    PdfSecurityHandler::Entries entries;
    entries.filter = "Standard";
    entries.v = 5;
    entries.r = 6;
    entries.p = -4;
    entries.o = QByteArray(48, 'o');
    entries.u = QByteArray(48, 'u');
    entries.oe = QByteArray(32, 'e');
    entries.ue = QByteArray(32, 'e');
    entries.hasCryptFilters = true;
    entries.cryptFilters["StdCF"] = {"AESV3", 32};
    entries.streamFilter = entries.stringFilter = "StdCF";
    EXPECT_FALSE(PdfSecurityHandler::open(entries)); // no password fits
    auto changed = [&](auto change) {
        PdfSecurityHandler::Entries e = entries;
        change(e);
        return PdfSecurityHandler::open(e);
    };
    using E = PdfSecurityHandler::Entries;
    EXPECT_FALSE(changed([](E& e) { e.u.chop(1); }));
    EXPECT_FALSE(changed([](E& e) { e.ue->chop(1); }));
    EXPECT_FALSE(changed([](E& e) { e.oe.reset(); }));
    EXPECT_FALSE(changed([](E& e) { e.stringFilter = "Other"; }));
    EXPECT_FALSE(changed([](E& e) { e.cryptFilters["StdCF"].method = "V2"; }));
    EXPECT_FALSE(changed([](E& e) { e.cryptFilters["StdCF"].length = 16; }));
    EXPECT_FALSE(changed([](E& e) { e.filter = "Other"; }));
    EXPECT_FALSE(changed([](E& e) { e.p = qint64(1) << 40; }));
    for (const qint64 r : {-1LL, 0LL, 1LL, 7LL, qint64(1) << 62}) {
        EXPECT_FALSE(changed([r](E& e) { e.r = r; })) << r;
    }
    for (const qint64 length : {-8LL, 0LL, 7LL, 39LL, 41LL, qint64(1) << 40}) {
        EXPECT_FALSE(changed([length](E& e) {
            e.v = 2;
            e.r = 3;
            e.length = length;
            e.o = e.o.first(1);
            e.u = QByteArray(40, 'u');
        })) << length;
    }
    const auto identity = changed([](E& e) {
        e.v = 4;
        e.r = 4;
        e.streamFilter = e.stringFilter = "Identity";
    });
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->cipher(), PdfSecurityHandler::Cipher::none);

    // Through the document: broken dictionaries, strings and references.
    const QByteArray image = "<< /Type /XObject /Subtype /Image /Width 2 /Height 2 /Length 4 >>"
                             "\nstream\n\x80\x80\x80\x80\nendstream";
    for (const QByteArray& dictionary : QList<QByteArray>{
             "<< /Filter /Standard /V 2 /R 3 /Length 128 /O (\\101\\1\\\\\\(\\\r\n) /U <0> /P 4 >>",
             "<< /Filter /Standard /V 5 /R 6 /O <00> /U (u) /OE <> /UE () /P -4 >>",
             "<< /Filter /Standard /V 1 0 R /R 2 /O (o) /U (u) /P -4 >>",
             "<< /Filter /Standard /V 4 /R 4 /CF << /StdCF 5 0 R >> /O (o) /U (u) /P -4 >>",
             "<< /Filter /Standard /V 4 /R 4 /CF << /StdCF << /Length [ 5 ] >> >> /P -4 >>",
             "<< /Filter /Standard /V 2 /R 3 /O (" + QByteArray(100000, 'o') + ") /U (u) /P 1 >>",
             "<< /Filter /Standard /V 2 /R 3 /O (o) /U (u) /P",
             "<< /Filter /Standard /CF << << >> >> >>",
         }) {
        const QByteArray document = tp::pdfOfObjects(
            {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
             "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] >>", image, dictionary},
            "/Encrypt 5 0 R /ID [<0011> <22>]");
        EXPECT_EQ(PdfCostCheck::check(document), Verdict::unreadable) << dictionary.left(60).data();
    }
    // Every fixture cut short and with bytes changed.
    for (const QString& name : {QStringLiteral("picture-rc4-40"), QStringLiteral("huge-aes-128"),
                                QStringLiteral("picture-aes-256")}) {
        const QByteArray whole = fixture(name);
        for (qsizetype cut = 0; cut < whole.size(); cut += 13) {
            PdfCostCheck::check(whole.left(cut));
            QByteArray changedByte = whole;
            changedByte[cut] = char(changedByte[cut] ^ 0x5a);
            PdfCostCheck::check(changedByte);
        }
    }
}
