#include <QApplication>

// The canvas tests drive widgets.
QGuiApplication* lunvikMakeTestApplication(int& argc, char** argv) {
    return new QApplication(argc, argv);
}
