#pragma once

class QMessageBox;
class QWidget;

namespace platform {
class Error;
}

namespace kestrom {

// An error as a window-modal alert over the window (application-modal
// without one): its description, and its recovery suggestion below. It
// deletes itself when it closes.
class ErrorSheet {
public:
    static QMessageBox* present(QWidget* window, const platform::Error& error);
};

} // namespace kestrom
