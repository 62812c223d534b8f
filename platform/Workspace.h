#pragma once

#include <QString>

#include <functional>

namespace platform {

// Hand-offs to the desktop's own applications.
class Workspace {
public:
    using Revealer = std::function<void(const QString& path)>;

    // Shows a file or folder in the desktop's file manager. Tests replace the
    // revealer so that nothing opens.
    static void revealInFileViewer(const QString& path);
    static void setRevealer(Revealer revealer);
};

} // namespace platform
