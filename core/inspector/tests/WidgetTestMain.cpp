#include "core/inspector/InspectorAnimations.h"

#include <QApplication>
#include <gtest/gtest.h>

// Widget tests need a QApplication; animations end at once and are recorded.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    kestrom::InspectorAnimations::setTestMode(true);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
