// The program itself, in a child process whose address space is capped, on
// the test's own session bus: pictures built to hang it, exhaust its memory
// or mislead it are loaded by a script, and the program stays alive, keeps
// answering the bus while it reads them, and answers each with a true error.
// PDF documents meet the PDF library in the program's picture workers,
// under deadlines shortened for the test.

#include "LunvikProcess.h"
#include "platform/tests/support/ChildProcesses.h"
#include "platform/tests/support/HostilePdfs.h"
#include "platform/tests/support/TestPictures.h"
#include "platform/worker/PictureWorkerLimits.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDir>
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

// The deadline of the workers' requests here: long enough for the pages a
// sanitized build draws on a busy machine, short enough that the hostile
// ones do not take the test's whole time.
constexpr int deadline = 3000;

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
        qputenv(platform::PictureWorkerLimits::deadlineVariable, QByteArray::number(deadline));
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

    // Whether the program's picture workers are idle, or become so soon:
    // none is left busy with what it was given. A page that opened is still
    // drawn for the canvas and the inspector, each drawing within the
    // deadline, a few of them one after another.
    bool workersSettle() {
        QElapsedTimer timer;
        timer.start();
        const pid_t program = pid_t(m_lunvik.process().processId());
        while (timer.elapsed() < 4 * deadline + 2000) {
            if (ChildProcesses::busyMilliseconds(ChildProcesses::pictureWorkers(program), 250) <
                50) {
                return true;
            }
        }
        return false;
    }

    void loadEach(const std::vector<tp::HostilePdf>& inputs);

    // The part `part` of `parts` of the inputs, so that each test fits its
    // time however many of them take a worker's deadline.
    static std::vector<tp::HostilePdf> partOf(const std::vector<tp::HostilePdf>& all, int part,
                                              int parts) {
        const std::size_t begin = all.size() * std::size_t(part) / std::size_t(parts);
        const std::size_t end = all.size() * std::size_t(part + 1) / std::size_t(parts);
        return {all.begin() + std::ptrdiff_t(begin), all.begin() + std::ptrdiff_t(end)};
    }

    // The PDF fuzz target's corpus.
    static std::vector<tp::HostilePdf> pdfCorpus() {
        const QDir corpus(QStringLiteral(LUNVIK_PDF_CORPUS));
        std::vector<tp::HostilePdf> inputs;
        for (const QString& name : corpus.entryList(QDir::Files, QDir::Name)) {
            QFile file(corpus.filePath(name));
            EXPECT_TRUE(file.open(QIODevice::ReadOnly));
            inputs.push_back({QStringLiteral("corpus ") + name, file.readAll()});
        }
        return inputs;
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
        {"PNG of 16000 x 16000 RGBA 16-bit", write(QStringLiteral("deep.png"), deepPng())},
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

// Loads each document by script: it opens, or is refused with a true
// error, within the deadline; the program stays alive and answering
// within its address space, and no worker is left busy with it.
void HostilePictureTest::loadEach(const std::vector<tp::HostilePdf>& inputs) {
    int opened = 0;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const tp::HostilePdf& input = inputs[i];
        SCOPED_TRACE(input.name.toStdString());
        const Outcome outcome = load(write(QStringLiteral("page-%1.pdf").arg(i), input.bytes));
        report(qPrintable(input.name), outcome);
        if (outcome.reply.type() == QDBusMessage::ReplyMessage) {
            ++opened;
        } else {
            const QString error = outcome.reply.errorMessage();
            EXPECT_TRUE(error.contains(QStringLiteral("could not be drawn")) ||
                        error.contains(QStringLiteral("contains no picture")) ||
                        error.contains(QStringLiteral("is too large")))
                << error.toStdString();
        }
        EXPECT_TRUE(workersSettle());
        expectAlive();
    }
    std::printf("%d opened, %zu refused; the program's peak %lld kB\n", opened,
                inputs.size() - std::size_t(opened),
                static_cast<long long>(m_lunvik.statusValue("VmHWM")));
}

// The hostile PDF documents of the tests, and the PDF fuzz target's
// corpus, in parts that each fit a test's time.
TEST_F(HostilePictureTest, HostilePdfsOpenOrAreRefusedAndLeaveNoWorkerBusy) {
    loadEach(partOf(tp::hostilePdfs(), 0, 2));
}

TEST_F(HostilePictureTest, MoreHostilePdfsOpenOrAreRefusedAndLeaveNoWorkerBusy) {
    loadEach(partOf(tp::hostilePdfs(), 1, 2));
}

TEST_F(HostilePictureTest, ThePdfCorpusOpensOrIsRefusedFirstPart) {
    loadEach(partOf(pdfCorpus(), 0, 4));
}

TEST_F(HostilePictureTest, ThePdfCorpusOpensOrIsRefusedSecondPart) {
    loadEach(partOf(pdfCorpus(), 1, 4));
}

TEST_F(HostilePictureTest, ThePdfCorpusOpensOrIsRefusedThirdPart) {
    loadEach(partOf(pdfCorpus(), 2, 4));
}

TEST_F(HostilePictureTest, ThePdfCorpusOpensOrIsRefusedFourthPart) {
    loadEach(partOf(pdfCorpus(), 3, 4));
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
            QStringLiteral("LoadImage"), {deepPng(), QStringLiteral("image/png")}),
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
