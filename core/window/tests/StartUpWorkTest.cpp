#include "core/launch/FirstFrameWork.h"
#include "core/launch/StartWarmUp.h"
#include "model/connections/ConnectPlugin.h"
#include "model/connections/ConnectPluginManager.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "platform/Bundle.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPointer>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using kestrom::FirstFrameWork;
using kestrom::StartWarmUp;

namespace {

class CountingWindow : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override {
        ++paints;
        QPainter(this).fillRect(rect(), Qt::white);
    }
};

void turns(int count) {
    for (int i = 0; i < count; ++i) {
        QApplication::processEvents();
    }
}

// A plug-in that notes the thread its models are read on.
class WatchedPlugin : public ambrel::ConnectPlugin {
public:
    mutable std::atomic<int> reads = 0;
    mutable std::thread::id readOn;

    QString deviceDescriptorsJson() const override {
        readOn = std::this_thread::get_id();
        ++reads;
        return QStringLiteral(R"([{
            "modelName": "Watched", "printerType": "watched", "headDotCount": 256, "dpi": 300,
            "canvases": [{"identifier": "C", "size_mm": {"width": 20, "height": 100}}],
            "offsetBases": ["center"], "parameterProperties": []
        }])");
    }
    std::shared_ptr<ambrel::DeviceConnection>
    newConnection(const std::shared_ptr<const ambrel::DeviceDescriptor>&,
                  ambrel::TransportType) const override {
        return nullptr;
    }
    const platform::Bundle* bundle() const override {
        return platform::Bundle::named(QStringLiteral("WindowTestPlugin"));
    }
};

} // namespace

TEST(FirstFrameWorkTest, WaitsForTheWindowsFirstFrameAndRunsOnce) {
    CountingWindow window;
    window.resize(200, 100);
    int runs = 0;
    int paintsWhenRun = -1;
    FirstFrameWork::after(&window, [&] {
        ++runs;
        paintsWhenRun = window.paints;
    });
    turns(5);
    EXPECT_EQ(runs, 0) << "ran before the window was shown";

    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return runs > 0; }, 5000));
    EXPECT_GE(paintsWhenRun, 1) << "ran before the first frame was drawn";

    window.hide();
    turns(3);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    turns(5);
    EXPECT_EQ(runs, 1);
}

TEST(FirstFrameWorkTest, AShownWindowRunsItOnTheNextTurnAndNoWindowAtOnce) {
    CountingWindow window;
    window.resize(200, 100);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    bool ran = false;
    FirstFrameWork::after(&window, [&] { ran = true; });
    EXPECT_FALSE(ran) << "ran inside the call";
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran; }, 5000));

    bool ranAlone = false;
    FirstFrameWork::after(nullptr, [&] { ranAlone = true; });
    EXPECT_TRUE(ranAlone);
}

TEST(FirstFrameWorkTest, AWindowGoneBeforeItShowsNeverRunsIt) {
    bool ran = false;
    auto* window = new CountingWindow;
    FirstFrameWork::after(window, [&] { ran = true; });
    delete window;
    turns(5);
    EXPECT_FALSE(ran);

    // Gone between its exposure and the next turn.
    QPointer<CountingWindow> shown = new CountingWindow;
    shown->resize(200, 100);
    FirstFrameWork::after(shown, [&] { ran = true; });
    shown->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown->paints > 0; }, 5000));
    delete shown;
    turns(5);
    EXPECT_FALSE(ran);
}

TEST(StartWarmUpTest, TheMainThreadDrawsTextAndReadsPicturesWhileItRuns) {
    QImage red(16, 8, QImage::Format_RGB32);
    red.fill(Qt::red);
    QByteArray png;
    QBuffer out(&png);
    out.open(QIODevice::WriteOnly);
    ASSERT_TRUE(red.save(&out, "PNG"));

    for (int round = 0; round < 3; ++round) {
        StartWarmUp warmUp;
        QImage text(120, 40, QImage::Format_ARGB32_Premultiplied);
        text.fill(Qt::white);
        {
            QPainter painter(&text);
            painter.setFont(QApplication::font());
            painter.drawText(text.rect(), Qt::AlignCenter, QStringLiteral("Lunvik"));
        }
        QBuffer in(&png);
        in.open(QIODevice::ReadOnly);
        QImageReader reader(&in);
        const QByteArray format = reader.format();
        const QImage read = reader.read();
        warmUp.wait();
        warmUp.wait();

        EXPECT_EQ(format, "png");
        ASSERT_EQ(read.size(), red.size());
        EXPECT_EQ(read.pixel(3, 3), red.pixel(3, 3));
        int ink = 0;
        for (int y = 0; y < text.height(); ++y) {
            for (int x = 0; x < text.width(); ++x) {
                ink += qGray(text.pixel(x, y)) < 128;
            }
        }
        EXPECT_GT(ink, 10) << "no text was drawn";
    }
}

TEST(StartWarmUpTest, TheDeviceDescriptionsAreDecodedOnceOnAThreadOfItsOwn) {
    auto plugin = std::make_shared<WatchedPlugin>();
    ambrel::ConnectPluginManager::shared().load({plugin});
    {
        StartWarmUp warmUp;
        warmUp.wait();
    }
    if (plugin->reads == 0) {
        GTEST_SKIP() << "the models were listed before in this process; run it alone (ctest)";
    }
    EXPECT_EQ(plugin->reads, 1);
    EXPECT_NE(plugin->readOn, std::this_thread::get_id()) << "decoded on the main thread";

    // The main thread finds them ready.
    const auto& supported = ambrel::DeviceDescriptor::supported();
    EXPECT_TRUE(std::any_of(supported.begin(), supported.end(),
                            [](const auto& d) { return d->modelName() == "Watched"; }));
    EXPECT_EQ(plugin->reads, 1);
}
