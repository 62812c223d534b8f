#pragma once

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

    virtual ~DocumentPanels() = default;

    virtual void chooseDocumentsToOpen(std::function<void(const QStringList& paths)> answer) = 0;
    virtual void chooseSaveLocation(Document& document,
                                    std::function<void(std::optional<QString> path)> answer) = 0;
    virtual void confirmRevert(Document& document, std::function<void(bool revert)> answer) = 0;
    virtual void askToSaveBeforeClosing(Document& document,
                                        std::function<void(CloseAnswer answer)> answer) = 0;
    // Shown on the document's window when there is one.
    virtual void presentError(Document* document, const platform::Error& error) = 0;
};

} // namespace kestrom
