// The program itself, in a child process whose address space is capped, on
// the test's own session bus: pictures built to hang it, exhaust its memory
// or mislead it are loaded by a script, and the program stays alive, keeps
// answering the bus while it reads them, and answers each with a true error.

#include "LunvikProcess.h"
#include "platform/tests/support/TestPictures.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QElapsedTimer>
#include <QImage>
#include <QThread>
#include <QUrl>

#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdio>

namespace tp = testpictures;

namespace {

const QString documentInterface = QStringLiteral("org.lunvik.Lunvik.Document");
// The program's address space: room for its own work, not for the
// gigabytes the pictures below announce.
constexpr rlim_t addressSpace = rlim_t(4) << 30;

// A page drawing one image of the given sides (a few bytes of pixels).
QByteArray pageWithImage(const QByteArray& width, const QByteArray& height) {
    return tp::pdfPage("q 200 0 0 100 0 0 cm /Im0 Do Q", "<< /XObject << /Im0 5 0 R >> >>",
                       {"<< /Type /XObject /Subtype /Image /Width " + width + " /Height " + height +
                        " /ColorSpace /DeviceGray /BitsPerComponent 8 /Length 4 >>\nstream\n"
                        "\x80\x80\x80\x80\nendstream"});
}

// A page whose content inflates to `bytes` spaces, deflated as it is made.
QByteArray pageInflatingTo(qint64 bytes) {
    z_stream z{};
    deflateInit(&z, Z_BEST_SPEED);
    const QByteArray chunk(1 << 20, ' ');
    QByteArray deflated;
    std::vector<char> out(1 << 16);
    for (qint64 left = bytes; left >= 0; left -= chunk.size()) {
        const bool last = left <= chunk.size();
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(chunk.constData()));
        z.avail_in = uInt(last ? left : chunk.size());
        do {
            z.next_out = reinterpret_cast<Bytef*>(out.data());
            z.avail_out = uInt(out.size());
            deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
            deflated.append(out.data(), qsizetype(out.size() - z.avail_out));
        } while (z.avail_out == 0);
        if (last) {
            break;
        }
    }
    deflateEnd(&z);
    return tp::pdfOfObjects(
        {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
         "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents 4 0 R >>",
         "<< /Length " + QByteArray::number(deflated.size()) +
             " /Filter /FlateDecode >>\nstream\n" + deflated + "\nendstream"});
}

// A PNG header announcing 16000 x 16000 pixels of 16-bit RGBA, followed by
// 2 MB of pixel data.
QByteArray deepPng() {
    auto chunk = [](const char* type, const QByteArray& data) {
        QByteArray out;
        for (int i = 0; i < 4; ++i) {
            out.append(char(quint32(data.size()) >> (24 - 8 * i)));
        }
        const QByteArray typed = QByteArray(type) + data;
        const quint32 crc = quint32(
            crc32(0, reinterpret_cast<const Bytef*>(typed.constData()), uInt(typed.size())));
        out += typed;
        for (int i = 0; i < 4; ++i) {
            out.append(char(crc >> (24 - 8 * i)));
        }
        return out;
    };
    const QByteArray header = QByteArray::fromHex("00003e8000003e801006000000");
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) +
           chunk("IDAT", QByteArray(2 * 1024 * 1024, '\x11')) + chunk("IEND", {});
}

// 88 bytes: a 2 x 2 picture on a logical screen of 11308 x 11308.
QByteArray wideScreenGif() {
    QByteArray gif = tp::gif(tp::filled(2, 2, QImage::Format_Grayscale8, 0xFF808080));
    gif.replace(6, 4, QByteArray::fromHex("2c2c2c2c"));
    return gif;
}

class HostilePictureTest : public ::testing::Test {
protected:
    void SetUp() override {
#ifndef LUNVIK_SANITIZED_BUILD
        // The sanitizers reserve terabytes of address space for themselves.
        m_lunvik.capAddressSpace(addressSpace);
#endif
        ASSERT_NO_FATAL_FAILURE(m_lunvik.start());
        const QStringList paths = m_lunvik.documents();
        ASSERT_EQ(paths.size(), 1);
        m_document = paths.first();
    }

    QString write(const QString& name, const QByteArray& bytes) {
        return m_lunvik.write(name, bytes);
    }

    struct Outcome {
        QDBusMessage reply;
        // Calls the program answered while the load was on its way.
        int answeredMeanwhile = 0;
        qint64 milliseconds = 0;
    };

    // Loads the file by script; meanwhile asks the program for its
    // documents, again and again, until the load is answered.
    Outcome load(const QString& in) {
        Outcome outcome;
        QElapsedTimer timer;
        timer.start();
        QDBusPendingCall pending = QDBusConnection::sessionBus().asyncCall(
            LunvikProcess::methodCall(m_document, documentInterface, QStringLiteral("LoadImage"),
                                      {QVariantMap{{QStringLiteral("in"), in}}}),
            300000);
        while (!pending.isFinished()) {
            const QDBusMessage probe = m_lunvik.documentsReply(60000);
            if (probe.type() == QDBusMessage::ReplyMessage && !pending.isFinished()) {
                ++outcome.answeredMeanwhile;
            }
            QThread::msleep(20);
        }
        pending.waitForFinished();
        outcome.reply = pending.reply();
        outcome.milliseconds = timer.elapsed();
        return outcome;
    }

    void report(const char* input, const Outcome& outcome) {
        std::printf(
            "%s: %lld ms, peak %lld kB, answered meanwhile %d: %s\n", input,
            static_cast<long long>(outcome.milliseconds),
            static_cast<long long>(m_lunvik.statusValue("VmHWM")), outcome.answeredMeanwhile,
            qPrintable(outcome.reply.errorMessage().isEmpty() ? QStringLiteral("loaded")
                                                              : outcome.reply.errorMessage()));
    }

    void expectAlive() {
        EXPECT_EQ(m_lunvik.process().state(), QProcess::Running);
        const QDBusMessage reply = m_lunvik.documentsReply(10000);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    }

    LunvikProcess m_lunvik;
    QString m_document;
};

} // namespace

// Each refused as too large, from its bytes or once its decode passes a
// bound, and the program goes on.
TEST_F(HostilePictureTest, PicturesBeyondTheBudgetAreRefusedAsTooLarge) {
    struct Input {
        const char* name;
        QString path;
    };
    const Input inputs[] = {
        {"707-byte page of a 10^6 x 10^6 image",
         write(QStringLiteral("huge-image.pdf"), pageWithImage("1000000", "1000000"))},
        {"PNG of 16000 x 16000 RGBA 16-bit", write(QStringLiteral("deep.png"), deepPng())},
        {"page whose content inflates to 1 GiB",
         write(QStringLiteral("inflating.pdf"), pageInflatingTo(qint64(1) << 30))},
        {"page of a million nested q",
         write(QStringLiteral("nested.pdf"),
               tp::pdfPage(QByteArray("q\n").repeated(1000000) + "0 0 10 10 re f\n" +
                           QByteArray("Q\n").repeated(1000000)))},
        {"88-byte GIF on a 11308 x 11308 screen",
         write(QStringLiteral("screen.gif"), wideScreenGif())},
        {"1.2 MB progressive JPEG announcing 23600 x 23600",
         write(QStringLiteral("progressive.jpg"),
               tp::jpegAnnouncing({.progressive = true}, 23600, 23600, 1200000))},
        {"1.2 MB progressive CMYK JPEG announcing 23600 x 23600",
         write(QStringLiteral("cmyk.jpg"),
               tp::jpegAnnouncing({.hSampling = 1,
                                   .vSampling = 1,
                                   .progressive = true,
                                   .colours = tp::LibraryJpeg::Colours::cmyk},
                                  23600, 23600, 1200000))},
        {"JPEG of 100,000 empty scans",
         write(QStringLiteral("scans.jpg"),
               tp::jpegWithEmptyScans(tp::filled(640, 480, QImage::Format_RGB32, 0xFF336699),
                                      100000))},
    };
    for (const Input& input : inputs) {
        SCOPED_TRACE(input.name);
        const Outcome outcome = load(input.path);
        report(input.name, outcome);
        ASSERT_EQ(outcome.reply.type(), QDBusMessage::ErrorMessage);
        EXPECT_TRUE(outcome.reply.errorMessage().contains(QStringLiteral("is too large")))
            << outcome.reply.errorMessage().toStdString();
        expectAlive();
    }
    // The document keeps no picture, and takes a good one after them.
    const QImage good = tp::filled(300, 200, QImage::Format_RGB32, 0xFF336699);
    const Outcome loaded = load(write(QStringLiteral("good.png"), tp::encode(good, "png")));
    EXPECT_EQ(loaded.reply.type(), QDBusMessage::ReplyMessage)
        << loaded.reply.errorMessage().toStdString();
}

// A large picture within the budget is read behind the window: the program
// answers other calls before the load is answered.
TEST_F(HostilePictureTest, ALargePictureIsDecodedWhileTheProgramAnswers) {
    QImage large(16000, 12000, QImage::Format_Grayscale8);
    ASSERT_FALSE(large.isNull());
    large.fill(200);
    const QString path = write(QStringLiteral("large.png"), tp::encode(large, "png"));
    large = QImage();
    const Outcome outcome = load(path);
    report("PNG of 16000 x 12000 gray", outcome);
    EXPECT_EQ(outcome.reply.type(), QDBusMessage::ReplyMessage)
        << outcome.reply.errorMessage().toStdString();
    EXPECT_GT(outcome.answeredMeanwhile, 0);
    expectAlive();
}

// BMPs Qt's reader gives a negative height (stored top-down) or no size at
// all (more pixels than it reads, within the program's cap) load.
TEST_F(HostilePictureTest, BmpsStoredTopDownOrBeyondQtsReaderLoad) {
    QImage mono(23000, 23000, QImage::Format_Mono);
    ASSERT_FALSE(mono.isNull());
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mono.fill(1);
    const QString large = write(QStringLiteral("large.bmp"), tp::bmp(mono, 1));
    mono = QImage();
    const QImage picture = tp::filled(400, 300, QImage::Format_RGB32, 0xFF336699);
    const QString topDown = write(QStringLiteral("top-down.bmp"), tp::bmp(picture, 24, true));
    for (const QString& path : {topDown, large}) {
        const Outcome outcome = load(path);
        report(qPrintable(path), outcome);
        EXPECT_EQ(outcome.reply.type(), QDBusMessage::ReplyMessage)
            << outcome.reply.errorMessage().toStdString();
        expectAlive();
    }
}

// The picture data of the Services entry is refused with a true error too.
TEST_F(HostilePictureTest, ServicesDataBeyondTheBudgetIsCalledTooLarge) {
    const QDBusMessage reply = QDBusConnection::sessionBus().call(
        LunvikProcess::methodCall(
            LunvikProcess::application, QStringLiteral("org.lunvik.Lunvik.Services"),
            QStringLiteral("LoadImage"),
            {pageWithImage("1000000", "1000000"), QStringLiteral("application/pdf")}),
        QDBus::Block, 120000);
    ASSERT_EQ(reply.type(), QDBusMessage::ErrorMessage);
    EXPECT_TRUE(reply.errorMessage().endsWith(
        QStringLiteral("The picture in the data is too large to be used.")))
        << reply.errorMessage().toStdString();
    expectAlive();
}

// "%00" ends a path early for the system: the file named is not the one
// that would be read, and the call is refused.
TEST_F(HostilePictureTest, AFileUrlWithAnEncodedNulIsRefused) {
    const QImage small = tp::filled(30, 20, QImage::Format_RGB32, 0xFF336699);
    const QString path = write(QStringLiteral("small.png"), tp::encode(small, "png"));
    const QString url = QUrl::fromLocalFile(path).toString() + QStringLiteral("%00.txt");
    const Outcome outcome = load(url);
    report("file URL with %00", outcome);
    EXPECT_EQ(outcome.reply.type(), QDBusMessage::ErrorMessage);
    const QDBusMessage open = QDBusConnection::sessionBus().call(
        LunvikProcess::methodCall(LunvikProcess::application,
                                  QStringLiteral("org.freedesktop.Application"),
                                  QStringLiteral("Open"), {QStringList{url}, QVariantMap()}),
        QDBus::Block, 10000);
    EXPECT_EQ(open.type(), QDBusMessage::ErrorMessage);
    expectAlive();
}
