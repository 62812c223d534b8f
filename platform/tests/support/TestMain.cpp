#include <QGuiApplication>
#include <gtest/gtest.h>

// Test programs run without a display; the offscreen platform keeps painting,
// fonts and image plug-ins working as in the application.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
