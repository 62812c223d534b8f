#pragma once

#include <thread>

namespace kestrom {

// What the first window waits for that needs no window: the image format
// plug-ins (the style's first icon loads them all to find one PNG's reader),
// the font database, the device descriptions the first document takes its
// model from (the registered plug-ins' descriptions, decoded once, so it is
// made after the plug-ins are registered), and the session bus connection
// the application registers on before its window. Made as soon as the
// application object exists, it sets each up on a thread of its own while
// the main thread builds the window, which then finds them ready or waits
// only for the rest. Ends, at the latest, when it is destroyed, which must
// be before the application object.
class StartWarmUp {
public:
    StartWarmUp();
    ~StartWarmUp();
    StartWarmUp(const StartWarmUp&) = delete;
    StartWarmUp& operator=(const StartWarmUp&) = delete;

    void wait();

private:
    std::thread m_imageReaders;
    std::thread m_fonts;
    std::thread m_deviceDescriptions;
    std::thread m_sessionBus;
};

} // namespace kestrom
