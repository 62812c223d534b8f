#include "core/canvas/CanvasAnimation.h"

#include <QApplication>

// The canvas tests drive widgets. Changes land at once unless a test lets
// them animate.
QGuiApplication* lunvikMakeTestApplication(int& argc, char** argv) {
    kestrom::CanvasAnimation::setCompletesAtOnce(true);
    return new QApplication(argc, argv);
}
