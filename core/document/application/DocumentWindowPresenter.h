#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

class QMimeData;

namespace platform {
class Error;
}

namespace kestrom {

// What the document's imports and commands need of the document's window.
// The window fills it; tests fill it with a stand-in.
class DocumentWindowPresenter {
public:
    virtual ~DocumentWindowPresenter();

    // Whether the document has a window that can show sheets, and whether
    // that window shows one now.
    virtual bool hasWindowForSheets() const = 0;
    virtual bool isShowingSheet() const = 0;

    // Shows an error as a sheet of the document's window.
    virtual void presentError(const platform::Error& error) = 0;

    // The open panel for a picture file, shown as a sheet.
    struct OpenPanel {
        // The folder (or file) the panel starts at; its own default when absent.
        std::optional<QString> startLocation;
        // The text of the choose button.
        QString prompt;
        // Only files (no folders) of these types can be chosen.
        QStringList allowedFileTypes;
        QStringList allowedFilenameExtensions;
    };
    // The completion receives the chosen file, or nothing when the panel was
    // cancelled.
    virtual void beginOpenPanel(const OpenPanel& panel,
                                std::function<void(std::optional<QUrl> chosen)> completion) = 0;

    // The clipboard's contents; may be null.
    virtual const QMimeData* generalPasteboard() const = 0;

    // True while the window shows its maintenance popover and an action in
    // it runs, so that the popover cannot close.
    virtual bool isPresentingBusyMaintenance() const { return false; }
};

} // namespace kestrom
