#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace platform {
class Error;
}

namespace kestrom {

class Document;

// The questions the document controller asks the user: file panels,
// confirmations and errors. Answers arrive later, on the main thread.
class DocumentPanels {
public:
    enum class CloseAnswer { save, discard, cancel };
    // What reverting gives up: the changes since the version that is kept,
    // saved in place since (when the package was written after it) or not.
    struct RevertQuestion {
        // When the version reverted to was saved; absent when unknown.
        std::optional<QDateTime> savedAt;
        bool savedInPlaceSince = false;
    };
    // The package changed on disk since the document read or wrote it;
    // undecided (the question went away unanswered) asks again at the next
    // save and keeps autosave off till then.
    enum class DiskChangeAnswer { keepThisVersion, reopen, undecided };

    virtual ~DocumentPanels() = default;

    virtual void chooseDocumentsToOpen(std::function<void(const QStringList& paths)> answer) = 0;
    virtual void chooseSaveLocation(Document& document,
                                    std::function<void(std::optional<QString> path)> answer) = 0;
    virtual void confirmRevert(Document& document, const RevertQuestion& question,
                               std::function<void(bool revert)> answer) = 0;
    // Asked before a save would write over another program's changes.
    virtual void askAboutChangeOnDisk(Document& document,
                                      std::function<void(DiskChangeAnswer answer)> answer) = 0;
    virtual void askToSaveBeforeClosing(Document& document,
                                        std::function<void(CloseAnswer answer)> answer) = 0;
    // Shown on the document's window when there is one.
    virtual void presentError(Document* document, const platform::Error& error) = 0;
};

} // namespace kestrom
