#pragma once

#include "app/tavrin/TavrinConnect.h"

#include <QApplication>

#include <optional>

namespace platform {
class Bundle;
}

namespace lunvik {

// The program's application object. The program's main registers it and the
// stencil device plug-in before the framework starts, so both are in place
// before any menu, document or window exists.
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);

    // Makes this class the one the information dictionary names
    // ("Application"), for the framework to make at start.
    static void registerClass();

    // The region named by a "SpecialRegion.txt" text: its word with white
    // space and line breaks trimmed, matched exactly.
    static std::optional<TavrinConnect::Region> regionFromText(const QString& text);

    // Reads the region from the bundle and registers the plug-in for it. The
    // region is part of the delivered application: a missing, unreadable or
    // unknown one ends the process.
    static TavrinConnect::Region registerDevicePlugin(const platform::Bundle* bundle);
};

} // namespace lunvik
