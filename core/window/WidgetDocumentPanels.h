#pragma once

#include "core/document/application/DocumentPanels.h"

namespace kestrom {

// File panels, confirmations and errors as window-modal dialogs over the
// document's window, opened without nested event loops.
class WidgetDocumentPanels : public DocumentPanels {
public:
    void chooseDocumentsToOpen(std::function<void(const QStringList& paths)> answer) override;
    void chooseSaveLocation(Document& document,
                            std::function<void(std::optional<QString> path)> answer) override;
    void confirmRevert(Document& document, const RevertQuestion& question,
                       std::function<void(bool revert)> answer) override;
    void askAboutChangeOnDisk(Document& document,
                              std::function<void(DiskChangeAnswer answer)> answer) override;
    void askToSaveBeforeClosing(Document& document,
                                std::function<void(CloseAnswer answer)> answer) override;
    void presentError(Document* document, const platform::Error& error) override;
};

} // namespace kestrom
