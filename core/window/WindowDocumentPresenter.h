#pragma once

#include "core/document/application/DocumentWindowPresenter.h"

#include <QPointer>

namespace kestrom {

class DocumentWindow;

// The document window as its document's imports and commands see it: sheets
// over the window, the open panel and the clipboard.
class WindowDocumentPresenter : public DocumentWindowPresenter {
public:
    explicit WindowDocumentPresenter(DocumentWindow* window);

    bool hasWindowForSheets() const override;
    bool isShowingSheet() const override;
    void presentError(const platform::Error& error) override;
    void beginOpenPanel(const OpenPanel& panel,
                        std::function<void(std::optional<QUrl> chosen)> completion) override;
    const QMimeData* generalPasteboard() const override;
    bool isPresentingBusyMaintenance() const override;

private:
    QPointer<DocumentWindow> m_window;
};

} // namespace kestrom
