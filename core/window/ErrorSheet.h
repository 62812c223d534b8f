#pragma once

class QWidget;

namespace platform {
class Error;
}

namespace kestrom {

// An error as a window-modal alert over the window (application-modal
// without one): its description, and its recovery suggestion below.
class ErrorSheet {
public:
    static void present(QWidget* window, const platform::Error& error);
};

} // namespace kestrom
