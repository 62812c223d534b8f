// The program itself, driven by scripts over the test's own session bus, as
// another program would drive it; its memory is read from /proc.

#include "LunvikProcess.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

// A 6000 x 4000 picture (24 MB of gray pixels) whose PNG is small; the shade
// tells the two apart.
QString largePicture(const LunvikProcess& lunvik, int shade) {
    QImage image(6000, 4000, QImage::Format_Grayscale8);
    image.fill(255);
    QPainter painter(&image);
    for (int y = 0; y < image.height(); y += 200) {
        painter.fillRect(0, y, image.width(), 100, QColor(shade, shade, shade));
    }
    painter.end();
    const QString path = lunvik.filePath(QStringLiteral("large-%1.png").arg(shade));
    EXPECT_TRUE(image.save(path, "PNG"));
    return path;
}

QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                  const QVariantList& arguments) {
    return QDBusConnection::sessionBus().call(
        LunvikProcess::methodCall(path, interface, method, arguments), QDBus::Block, 120000);
}

class ScriptedMemoryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(m_lunvik.start()); }

    QStringList documents() const { return m_lunvik.documents(120000); }

    LunvikProcess m_lunvik;
};

// Each load replaces a 24-MB picture. Kept whole for undo, 50 of them took
// over a gigabyte; kept as their file bytes, the undo steps cost kilobytes.
TEST_F(ScriptedMemoryTest, FiftyScriptedLoadsOfALargePictureStayWithinABound) {
#ifdef LUNVIK_SANITIZED_BUILD
    GTEST_SKIP() << "the sanitizers' own memory would decide";
#endif
    const QStringList pictures{largePicture(m_lunvik, 0), largePicture(m_lunvik, 120)};
    const QStringList open = documents();
    ASSERT_EQ(open.size(), 1);
    const QString document = open.first();

    const auto load = [&](int i) {
        const QDBusMessage reply = call(document, QStringLiteral("org.lunvik.Lunvik.Document"),
                                        QStringLiteral("LoadImage"),
                                        {QVariantMap{{QStringLiteral("in"), pictures[i % 2]}}});
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    };
    for (int i = 0; i < 50; ++i) {
        load(i);
    }
    const qint64 rss = m_lunvik.statusValue("VmRSS");
    const qint64 peak = m_lunvik.statusValue("VmHWM");
    std::printf("after 50 loads: %lld kB, peak %lld kB\n", static_cast<long long>(rss),
                static_cast<long long>(peak));
    ASSERT_GT(peak, 0);
    // The program with one picture and its preview takes about 170 MB; every
    // decoded picture kept for undo would add 24 MB.
    EXPECT_LT(peak, 300 * 1024);
    EXPECT_EQ(documents().size(), 1);
}

} // namespace
