#include "app/application/Application.h"
#include "core/launch/KestromCoreMain.h"
#include "platform/AllocatorTuning.h"
#include "platform/Bundle.h"

// The start, in order: the application class the information dictionary
// names, the device plug-ins (one line each), then the framework, which makes
// the application object, opens the documents and runs the event loop.
int main(int argc, char** argv) {
    // Pictures and tiles of several megabytes are made and dropped on many
    // threads: their memory goes back as they are freed.
    platform::AllocatorTuning::giveLargeBlocksBack();
    lunvik::Application::registerClass();
    lunvik::Application::registerDevicePlugin(platform::Bundle::main());
    return KestromCoreMain(argc, argv);
}
