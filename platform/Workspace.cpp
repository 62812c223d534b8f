#include "platform/Workspace.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include <mutex>

namespace platform {

namespace {

std::mutex& revealerMutex() {
    static std::mutex m;
    return m;
}

Workspace::Revealer& installedRevealer() {
    static Workspace::Revealer revealer;
    return revealer;
}

// A folder is opened; for a file, the folder that holds it.
void openInFileManager(const QString& path) {
    const QFileInfo info(path);
    const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

} // namespace

void Workspace::revealInFileViewer(const QString& path) {
    Revealer revealer;
    {
        std::lock_guard lock(revealerMutex());
        revealer = installedRevealer();
    }
    if (revealer) {
        revealer(path);
    } else {
        openInFileManager(path);
    }
}

void Workspace::setRevealer(Revealer revealer) {
    std::lock_guard lock(revealerMutex());
    installedRevealer() = std::move(revealer);
}

} // namespace platform
