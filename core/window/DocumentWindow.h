#pragma once

#include "core/document/application/Document.h"
#include "core/document/application/DocumentActions.h"
#include "core/window/MaintenanceWindow.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "platform/Observation.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>
#include <vector>

class QAction;
class QComboBox;
class QMenuBar;
class QSplitter;
class QToolButton;

namespace platform {
class Error;
}

namespace kestrom {

class CanvasInfoViewController;
class Document;
class DocumentController;
class GridView;
class GridViewController;
class ImageImport;
class MainContentSplitItemViewController;
class InspectorViewController;
class MachineStatusManager;
class MaintenancePopover;
class MaintenanceViewController;
class PrintDocument;
class ToolbarController;
class WindowDocumentPresenter;
class WindowRunPresenter;

// The window of one document: the canvas on the left and the inspector on
// the right in a split, the toolbar with the model, transport and
// maintenance controls, the machine status and the maintenance popover. The
// menus are the application's main menu; closing the window closes the
// document (asking first when it is edited).
class DocumentWindow : public QMainWindow, public MaintenanceWindow {
    Q_OBJECT
    // Read by the inspector's print button: false while the maintenance
    // popover is busy.
    Q_PROPERTY(bool maintenanceCanClose READ maintenanceCanClose NOTIFY maintenanceCanCloseChanged)
    Q_PROPERTY(bool isPresentingMaintenancePopover READ isPresentingMaintenancePopover NOTIFY
                   isPresentingMaintenancePopoverChanged)
public:
    DocumentWindow(Document* document, DocumentController* controller, QMenuBar* mainMenu);
    ~DocumentWindow() override;

    Document* document() const { return m_document; }
    // The document's job, when the document is a print job.
    PrintDocument* printDocument() const;
    // Device runs of the document show their sheets over this window.
    const std::shared_ptr<WindowRunPresenter>& runPresenter() const { return m_runPresenter; }
    // The window as the document's imports and commands see it.
    const std::shared_ptr<WindowDocumentPresenter>& documentPresenter() const {
        return m_documentPresenter;
    }

    // Edit › Paste: whether the clipboard holds a picture for the job, and
    // loading it.
    bool canPaste() const;
    void paste();
    // A command of the job's menus as its document validates it, and running
    // it; without a job the item is disabled and nothing runs.
    DocumentActions::ItemState validateCommand(DocumentActions::Action action) const;
    void performCommand(DocumentActions::Action action);

    // Draws its buttons' icons at the sizes they show, for a window that
    // waits for its document's picture: the first frame finds them drawn.
    void drawIconsAhead();

    // The document's window, when it has one.
    static DocumentWindow* windowFor(const Document* document);
    // What a package's picture read into the document is first decoded to
    // cover: the canvas of its window, or, when it has none yet, the
    // picture's size as a window of the first size shows it.
    static PackageDecodeBound quickDecodeBound(const Document& document);
    // That bound for a window of the first size.
    static PackageDecodeBound firstWindowDecodeBound();

    QSplitter* splitViewController() const { return m_splitViewController; }
    MainContentSplitItemViewController* mainContentViewController() const { return m_mainContent; }
    GridViewController* gridViewController() const;
    GridView* gridView() const;
    InspectorViewController* inspectorViewController() const { return m_inspector; }
    CanvasInfoViewController* canvasInfoViewController() const { return m_canvasInfo; }
    ToolbarController* toolbarController() const { return m_toolbarController.get(); }
    QComboBox* modelPopUpButton() const { return m_modelPopUpButton; }
    QComboBox* transportTypePopUpButton() const { return m_transportTypePopUpButton; }
    QComboBox* canvasPopUpButton() const { return m_canvasPopUpButton; }
    QToolButton* maintenanceButton() const { return m_maintenanceButton; }
    QToolButton* toggleInspectorButton() const { return m_toggleInspectorButton; }
    MachineStatusManager* statusManager() const { return m_statusManager; }
    MaintenancePopover* maintenancePopover() const { return m_maintenancePopover; }
    MaintenanceViewController* maintenanceViewController() const {
        return m_maintenanceViewController;
    }

    const std::shared_ptr<const ambrel::DeviceDescriptor>& deviceDescriptor() const {
        return m_deviceDescriptor;
    }
    void setDeviceDescriptor(std::shared_ptr<const ambrel::DeviceDescriptor> descriptor);

    // The inspector's side of the split.
    bool isInspectorCollapsed() const;
    void setInspectorCollapsed(bool collapsed);
    void toggleInspector();
    // "Show Settings" or "Hide Settings", as the inspector is now.
    QString toggleInspectorMenuTitle() const;

    void changeModel(int index);
    void changeCanvas(int index);
    void changeTransportType(int index);

    bool isPresentingMaintenancePopover() const { return m_isPresentingMaintenancePopover; }
    bool maintenanceCanClose() const;
    void showMaintenanceSheet();
    void dismissMaintenance() override;
    QWidget* maintenanceSheetParent() override { return this; }
    bool performMaintenanceAction(const ambrel::MaintenanceAction& action) override;

    // Sizes the window for the canvas beside the whole inspector, within the
    // given part of a screen (its frame included). Done when first shown.
    void fitInitialSize(const QRect& availableGeometry);

    // A beep and the error as a sheet over the window.
    bool presentError(const platform::Error& error);
    // The document takes pictures handed over by other programs when they
    // are of a picture type and nothing is asked in return.
    Document* validRequestor(const QString& sendType, const QString& returnType) const;

Q_SIGNALS:
    void maintenanceCanCloseChanged(bool canClose);
    void isPresentingMaintenancePopoverChanged(bool presenting);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // The canvas's picture area in device pixels.
    QSize canvasDecodeBound() const;
    void updateTitle();
    void attachDocument();
    void detachDocument();
    void updatePopUpsEnabled();
    void updateCanvasPopUpButtonMenuItems();
    void updateTransportTypePopUpButtonMenuItems();
    void updateCanvasPopUpButtonSelection();
    void updateTransportTypePopUpButtonSelection();
    void setPresentingMaintenancePopover(bool presenting);
    void updateCancelShortcut();
    void matchCanvasInfoToCanvas();
    void orderFocusChain();

    QPointer<Document> m_document;
    QPointer<DocumentController> m_controller;
    std::shared_ptr<WindowRunPresenter> m_runPresenter;
    std::shared_ptr<WindowDocumentPresenter> m_documentPresenter;
    std::shared_ptr<const ambrel::DeviceDescriptor> m_deviceDescriptor;

    QSplitter* m_splitViewController;
    CanvasInfoViewController* m_canvasInfo;
    MainContentSplitItemViewController* m_mainContent;
    std::shared_ptr<ImageImport> m_imageImport;
    InspectorViewController* m_inspector;
    std::unique_ptr<ToolbarController> m_toolbarController;
    QComboBox* m_modelPopUpButton = nullptr;
    QComboBox* m_transportTypePopUpButton = nullptr;
    QComboBox* m_canvasPopUpButton = nullptr;
    QToolButton* m_maintenanceButton = nullptr;
    QToolButton* m_toggleInspectorButton = nullptr;
    QAction* m_cancelAction = nullptr;
    MachineStatusManager* m_statusManager;
    MaintenancePopover* m_maintenancePopover;
    MaintenanceViewController* m_maintenanceViewController;
    bool m_isPresentingMaintenancePopover = false;
    bool m_initialSizeFitted = false;
    std::vector<platform::Observation> m_observations;
};

} // namespace kestrom
