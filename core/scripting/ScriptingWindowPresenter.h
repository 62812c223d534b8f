#pragma once

#include "core/document/application/DocumentWindowPresenter.h"

#include <QPointer>

namespace kestrom {

class Document;

// What scripted imports need of a document's window, looked up each time,
// since the window may come and go while the document stays open. Scripts
// never open panels: a panel asked for is answered as cancelled.
class ScriptingWindowPresenter : public DocumentWindowPresenter {
public:
    explicit ScriptingWindowPresenter(Document* document);

    bool hasWindowForSheets() const override;
    bool isShowingSheet() const override;
    // Never a dialog: scripts are answered the error. One line on standard
    // error.
    void presentError(const platform::Error& error) override;
    void beginOpenPanel(const OpenPanel& panel,
                        std::function<void(std::optional<QUrl> chosen)> completion) override;
    const QMimeData* generalPasteboard() const override;

private:
    QPointer<Document> m_document;
};

} // namespace kestrom
