// Other programs flood the program itself with pictures over the test's own
// session bus: it opens a bounded number of windows, stays within a bounded
// memory, goes on answering, and tells every refused caller why.

#include "LunvikProcess.h"

#include <QBuffer>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QThread>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

const QString scriptError = QStringLiteral("org.lunvik.Lunvik.ScriptError");
// The limits the program sets for other programs.
constexpr int windowsPerCall = 8;
constexpr int documentsInAll = 16;

// A 3000 x 2000 picture (6 MB of gray pixels) whose PNG is small.
QByteArray stripedPng() {
    QImage image(3000, 2000, QImage::Format_Grayscale8);
    image.fill(255);
    QPainter painter(&image);
    for (int y = 0; y < image.height(); y += 100) {
        painter.fillRect(0, y, image.width(), 50, QColor(60, 60, 60));
    }
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QDBusMessage message(const QString& interface, const QString& method,
                     const QVariantList& arguments) {
    return LunvikProcess::methodCall(LunvikProcess::application, interface, method, arguments);
}

class ScriptingFloodTest : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef LUNVIK_SANITIZED_BUILD
        GTEST_SKIP() << "the sanitizers' own memory would decide";
#endif
        ASSERT_NO_FATAL_FAILURE(m_lunvik.start());
        ASSERT_EQ(documents(), 1);
        m_startRss = m_lunvik.statusValue("VmRSS");
    }

    // The number of open documents; -1 when the program does not answer.
    int documents() const {
        return m_lunvik.documentCount();
    }

    // Waits until the number of documents has stayed the same a while.
    int settledDocuments() const {
        int last = documents();
        for (int same = 0; same < 10;) {
            QThread::msleep(100);
            const int now = documents();
            same = now == last ? same + 1 : 0;
            last = now;
        }
        return last;
    }

    QDBusMessage open(const QStringList& paths) const {
        QStringList uris;
        for (const QString& path : paths) {
            uris << QUrl::fromLocalFile(path).toString();
        }
        return QDBusConnection::sessionBus().call(
            message(QStringLiteral("org.freedesktop.Application"), QStringLiteral("Open"),
                    {uris, QVariantMap()}),
            QDBus::Block, 60000);
    }

    // Files of the same picture, each of its own name.
    QStringList pictures(int count) const {
        const QByteArray png = stripedPng();
        QStringList paths;
        for (int i = 0; i < count; ++i) {
            paths << m_lunvik.write(QStringLiteral("striped-%1.png").arg(i), png);
        }
        return paths;
    }

    qint64 statusValue(const char* key) const {
        return m_lunvik.statusValue(key);
    }
    void reportMemory(const char* what) const {
        std::printf("%s: %lld kB resident (%lld kB at start), peak %lld kB\n", what,
                    static_cast<long long>(statusValue("VmRSS")),
                    static_cast<long long>(m_startRss),
                    static_cast<long long>(statusValue("VmHWM")));
    }

    LunvikProcess m_lunvik;
    qint64 m_startRss = 0;
};

} // namespace

// Sixty pictures at once: the empty document and sixteen new ones take a
// picture each; every other caller hears that the limit was reached.
TEST_F(ScriptingFloodTest, AFloodOfServicePicturesOpensBoundedWindowsAndRefusesTheRestTruly) {
    const QByteArray png = stripedPng();
    std::vector<QDBusPendingCall> calls;
    for (int i = 0; i < 60; ++i) {
        calls.push_back(QDBusConnection::sessionBus().asyncCall(
            message(QStringLiteral("org.lunvik.Lunvik.Services"), QStringLiteral("LoadImage"),
                    {png, QStringLiteral("image/png")}),
            120000));
    }
    // The program answers while the pictures arrive.
    EXPECT_GE(documents(), 1);
    int loaded = 0;
    int refused = 0;
    for (QDBusPendingCall& call : calls) {
        call.waitForFinished();
        const QDBusMessage reply = call.reply();
        if (reply.type() == QDBusMessage::ReplyMessage) {
            ++loaded;
            continue;
        }
        ++refused;
        EXPECT_EQ(reply.errorName(), scriptError);
        EXPECT_EQ(reply.errorMessage(),
                  QStringLiteral("The picture was not opened: other programs may have at most "
                                 "16 documents open at a time. Close some of them and try again."));
    }
    std::printf("60 calls: %d loaded, %d refused\n", loaded, refused);
    EXPECT_EQ(loaded, 1 + documentsInAll);
    EXPECT_EQ(refused, 60 - loaded);
    EXPECT_EQ(settledDocuments(), loaded);
    reportMemory("after the flood");
    // The program starts at about 50 MB; each window with this picture and
    // its preview adds about 22 MB: sixty would pass 1.3 GB.
    EXPECT_LT(statusValue("VmHWM"), 900 * 1024);
}

// Three hundred links in one call, then more calls: a few windows per call,
// a bounded number in all, and a count of what was not opened.
TEST_F(ScriptingFloodTest, OpenCallsWithHundredsOfPicturesOpenAFewWindowsEachAndCountTheRest) {
    const QStringList paths = pictures(300);
    const auto refusal = [](int refused) {
        return QStringLiteral("%1 of the 300 files were not opened: other programs may open at "
                              "most 8 new windows at once and have at most 16 documents open at "
                              "a time. Close some of them and try again.")
            .arg(refused);
    };

    QDBusMessage reply = open(paths);
    // Answered between the documents of the call.
    const int whileOpening = documents();
    EXPECT_GE(whileOpening, 1);
    EXPECT_EQ(reply.errorName(), scriptError);
    EXPECT_EQ(reply.errorMessage(), refusal(300 - windowsPerCall));
    // The first picture goes into the empty document.
    const int first = settledDocuments();
    std::printf("first call: %d documents (%d seen while they opened)\n", first, whileOpening);
    EXPECT_EQ(first, windowsPerCall);
    reportMemory("after the first call");

    reply = open(paths);
    EXPECT_EQ(reply.errorMessage(), refusal(300 - windowsPerCall));
    EXPECT_EQ(settledDocuments(), 2 * windowsPerCall);
    // 15 of other programs' documents are open: one more may come.
    reply = open(paths);
    EXPECT_EQ(reply.errorMessage(), refusal(299));
    EXPECT_EQ(settledDocuments(), 1 + documentsInAll);
    reply = open(paths);
    EXPECT_EQ(reply.errorMessage(), refusal(300));
    EXPECT_EQ(settledDocuments(), 1 + documentsInAll);
    reportMemory("after four calls");
    EXPECT_LT(statusValue("VmHWM"), 900 * 1024);
}

// A second start with more pictures than a call may open hands them over and
// ends: it never opens the refused ones in a window of its own.
TEST_F(ScriptingFloodTest, ASecondStartWithManyPicturesHandsOverWhatTheLimitAllowsAndEnds) {
    QProcess second;
    second.setProcessEnvironment(m_lunvik.process().processEnvironment());
    second.start(QStringLiteral(LUNVIK_PROGRAM), pictures(12));
    ASSERT_TRUE(second.waitForFinished(60000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.readAllStandardError().contains("4 of the 12 files were not opened"));
    EXPECT_EQ(settledDocuments(), windowsPerCall);
}
