#pragma once

#include <QGuiApplication>

#include <cstdlib>

// The application object fuzz targets need for image plug-ins, fonts and
// bundles, made once and without a display. It gets arguments of its own so
// that it never takes the fuzzer's options away.
inline void makeFuzzApplication() {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
}
