#pragma once

#include <QByteArrayView>

namespace platform {

// Faults the tests make a picture worker play, by a marker in the
// document's bytes: a crash when the document is opened or drawn, a
// drawing that never ends, a slow one (busy for a second and a half). Only where the program was
// started with PictureWorkerLimits::testFaultsVariable set to 1; a worker of a user's program never
// looks for them.
class PictureWorkerTestFaults {
public:
    enum class Stage { open, render };

    static constexpr const char* crashOnOpen = "lunvik-test-fault:crash-on-open";
    static constexpr const char* crashOnRender = "lunvik-test-fault:crash-on-render";
    static constexpr const char* stallOnRender = "lunvik-test-fault:stall-on-render";
    static constexpr const char* slowRender = "lunvik-test-fault:slow-render";

    // Whether this worker plays faults; read once, before it is confined.
    static void readSetting();
    static bool enabled();
    // Plays the fault the document's bytes ask for at this stage, if any.
    static void act(Stage stage, QByteArrayView document);
};

} // namespace platform
