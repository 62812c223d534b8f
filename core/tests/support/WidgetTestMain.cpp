#include <QApplication>
#include <gtest/gtest.h>

#include <memory>

// A test program may make its application itself, to set test modes first.
QGuiApplication* lunvikMakeTestApplication(int& argc, char** argv) __attribute__((weak));

// Widget tests run without a display, on the offscreen platform.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    std::unique_ptr<QGuiApplication> app(lunvikMakeTestApplication
                                             ? lunvikMakeTestApplication(argc, argv)
                                             : new QApplication(argc, argv));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
