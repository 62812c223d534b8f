// The reference for start-up measurements: a plain Qt Widgets window of the
// program's first window's size, linking Qt alone, which writes its first
// frame to LUNVIK_SCREENSHOT once shown and ends, as the program does.
//
// With --with-text the window has what any real window has before its own
// content: a menu bar and a line of text, so that the start includes the
// font set-up and the style's menu bar icons.

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(1100, 700);
    if (QApplication::arguments().contains(QStringLiteral("--with-text"))) {
        for (const char* title : {"File", "Edit", "View", "Help"}) {
            window.menuBar()
                ->addMenu(QString::fromLatin1(title))
                ->addAction(QStringLiteral("Item"));
        }
        window.setCentralWidget(new QLabel(QStringLiteral("A plain window with a line of text")));
    }
    window.show();
    const QString shot = qEnvironmentVariable("LUNVIK_SCREENSHOT", QStringLiteral("/dev/null"));
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (window.isVisible() && window.windowHandle() && window.windowHandle()->isExposed()) {
            poll.stop();
            // The frame as drawn, as the program takes its own.
            QPixmap frame = window.screen()->grabWindow(window.winId());
            (frame.isNull() ? window.grab() : frame).save(shot, "PNG");
            QApplication::exit(0);
        }
    });
    poll.start(1);
    return app.exec();
}
