#include "BenchmarkApp.h"

#include "app/tavrin/TavrinConnect.h"
#include "core/document/application/DocumentController.h"
#include "core/launch/AppDelegate.h"
#include "core/window/DocumentWindow.h"
#include "model/connections/ConnectPluginManager.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <benchmark/benchmark.h>

namespace bench {

BenchmarkApp::BenchmarkApp() {
    platform::UserDefaults::setStandardFilePath(
        m_folder.filePath(QStringLiteral("defaults.plist")));
    ambrel::ConnectPluginManager::shared().load(
        {std::make_shared<lunvik::TavrinConnect>(lunvik::TavrinConnect::Region::worldwide)});
    m_delegate = std::make_unique<kestrom::AppDelegate>();
    m_delegate->applicationWillFinishLaunching();
}

BenchmarkApp::~BenchmarkApp() = default;

QString BenchmarkApp::writeFile(const QString& name, const QByteArray& bytes) const {
    const QString path = m_folder.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

kestrom::DocumentWindow* BenchmarkApp::showNewWindow() {
    m_delegate->newDocument();
    kestrom::DocumentWindow* window =
        kestrom::DocumentWindow::windowFor(m_delegate->documentController()->documents().last());
    window->show();
    return window;
}

void BenchmarkApp::processEventsFor(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

void BenchmarkApp::processEventsUntil(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 60000) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

void BenchmarkApp::sleepUntil(const std::function<bool()>& done) {
    // The timer only makes sure that the condition is looked at now and then.
    QTimer tick;
    tick.start(20);
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 60000) {
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

int BenchmarkApp::run(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace bench
