#pragma once

#include <QMainWindow>
#include <QPointer>

#include <memory>

class QMenuBar;

namespace kestrom {

class Document;
class DocumentController;
class WindowRunPresenter;

// The window of one document. The menus are the application's main menu;
// closing the window closes the document (asking first when it is edited).
class DocumentWindow : public QMainWindow {
    Q_OBJECT
public:
    DocumentWindow(Document* document, DocumentController* controller, QMenuBar* mainMenu);
    ~DocumentWindow() override;

    Document* document() const { return m_document; }
    // Device runs of the document show their sheets over this window.
    const std::shared_ptr<WindowRunPresenter>& runPresenter() const { return m_runPresenter; }

    // The document's window, when it has one.
    static DocumentWindow* windowFor(const Document* document);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateTitle();

    QPointer<Document> m_document;
    QPointer<DocumentController> m_controller;
    std::shared_ptr<WindowRunPresenter> m_runPresenter;
};

} // namespace kestrom
