// The reference for start-up measurements: a plain Qt Widgets window of the
// program's first window's size, linking Qt alone, which writes its first
// frame to LUNVIK_SCREENSHOT once shown and ends, as the program does.

#include <QApplication>
#include <QMainWindow>
#include <QTimer>
#include <QWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(1100, 700);
    window.show();
    const QString shot = qEnvironmentVariable("LUNVIK_SCREENSHOT", QStringLiteral("/dev/null"));
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (window.isVisible() && window.windowHandle() && window.windowHandle()->isExposed()) {
            poll.stop();
            window.grab().save(shot, "PNG");
            QApplication::exit(0);
        }
    });
    poll.start(1);
    return app.exec();
}
