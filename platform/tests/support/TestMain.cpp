#include <QGuiApplication>
#include <gtest/gtest.h>

#include <memory>

// A test program of widget code defines this to run under a QApplication.
QGuiApplication* lunvikMakeTestApplication(int& argc, char** argv) __attribute__((weak));

// Test programs run without a display; the offscreen platform keeps painting,
// fonts and image plug-ins working as in the application.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    std::unique_ptr<QGuiApplication> app(lunvikMakeTestApplication
                                             ? lunvikMakeTestApplication(argc, argv)
                                             : new QGuiApplication(argc, argv));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
