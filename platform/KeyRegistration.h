#pragma once

#include <QString>

#include <functional>

namespace platform {

class Observable;

// One watcher of one key of one object. The object clears `object` when it
// is destroyed, so a watcher never reaches a dead object; `active` is
// cleared when the watcher goes away in the middle of a notification.
struct KeyRegistration {
    Observable* object = nullptr;
    QString key;
    std::function<void()> will;
    std::function<void()> did;
    bool active = true;
};

} // namespace platform
