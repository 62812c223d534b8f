#include "core/window/DocumentWindow.h"

#include "core/canvas/GridView.h"
#include "core/canvas/GridViewController.h"
#include "core/canvas/MainContentSplitItemViewController.h"
#include "core/document/application/Document.h"
#include "core/document/application/DocumentActions.h"
#include "core/document/application/DocumentController.h"
#include "core/document/application/ImageImport.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/document/job/DocumentKey.h"
#include "core/document/job/KestromText.h"
#include "core/document/job/PrintDocument.h"
#include "core/inspector/CanvasInfoViewController.h"
#include "core/inspector/FocusChain.h"
#include "core/inspector/InspectorPaneRegistry.h"
#include "core/inspector/InspectorViewController.h"
#include "core/window/MachineStatusManager.h"
#include "core/window/MachineToolbarItemViewController.h"
#include "core/window/MaintenancePopover.h"
#include "core/window/MaintenanceViewController.h"
#include "core/window/ToolbarController.h"
#include "core/window/WindowDocumentPresenter.h"
#include "core/window/WindowRunPresenter.h"
#include "model/pictures/OriginalImage.h"
#include "platform/graphics/BackingStorePages.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QBackingStore>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QShowEvent>
#include <QSplitter>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>

namespace kestrom {

namespace {

// Every model's pages name panes that exist; checked once, when the first
// window opens.
void checkInspectorPanesOnce() {
    static bool checked = false;
    if (!checked) {
        checked = true;
        InspectorPaneRegistry::shared().checkModels(ambrel::DeviceDescriptor::supported());
    }
}

// The window's size until it is shown, and the inspector's width in it.
constexpr QSize designedSize(1100, 700);
constexpr int inspectorWidth = 310;

template <typename T> int indexOfData(const QComboBox* popUp, const T& value) {
    for (int i = 0; i < popUp->count(); ++i) {
        if (popUp->itemData(i).value<T>() == value) {
            return i;
        }
    }
    return -1;
}

} // namespace

DocumentWindow::DocumentWindow(Document* document, DocumentController* controller,
                               QMenuBar* mainMenu)
    : m_document(document), m_controller(controller),
      m_runPresenter(std::make_shared<WindowRunPresenter>(this)),
      m_documentPresenter(std::make_shared<WindowDocumentPresenter>(this)),
      m_splitViewController(new QSplitter(Qt::Horizontal, this)),
      m_canvasInfo(new CanvasInfoViewController), m_mainContent(nullptr),
      m_inspector(new InspectorViewController), m_statusManager(new MachineStatusManager(this)),
      m_maintenancePopover(new MaintenancePopover(this)),
      m_maintenanceViewController(new MaintenanceViewController) {
    setObjectName(QStringLiteral("DocumentWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    checkInspectorPanesOnce();
    if (mainMenu) {
        for (QAction* item : mainMenu->actions()) {
            if (item->menu()) {
                menuBar()->addMenu(item->menu());
            }
        }
    }

    // The canvas on the left, the inspector on the right.
    m_mainContent = new MainContentSplitItemViewController(this);
    // The line above the canvas stays one line, in the canvas's own colours.
    m_canvasInfo->maxSizeLabel()->setWordWrap(false);
    gridViewController()->setTopAccessoryView(m_canvasInfo);
    QMetaObject::invokeMethod(this, &DocumentWindow::matchCanvasInfoToCanvas, Qt::QueuedConnection);
    m_inspector->setWindowController(this);
    m_inspector->setMinimumWidth(300);
    m_inspector->setMaximumWidth(320);
    m_splitViewController->setObjectName(QStringLiteral("DocumentSplitView"));
    m_mainContent->addTo(*m_splitViewController);
    m_splitViewController->addWidget(m_inspector);
    m_splitViewController->setStretchFactor(0, 1);
    m_splitViewController->setStretchFactor(1, 0);
    m_splitViewController->setCollapsible(0, false);
    m_splitViewController->setCollapsible(1, true);
    for (int i = 0; i < m_splitViewController->count(); ++i) {
        m_splitViewController->handle(i)->setAccessibleName(
            KestromText::text("Window_DividerAccessibleName"));
    }
    m_splitViewController->setChildrenCollapsible(true);
    setCentralWidget(m_splitViewController);
    resize(designedSize);
    m_splitViewController->setSizes({designedSize.width() - inspectorWidth, inspectorWidth});

    m_toolbarController = std::make_unique<ToolbarController>(m_splitViewController);
    addToolBar(Qt::TopToolBarArea, m_toolbarController->toolbar());
    setUnifiedTitleAndToolBarOnMac(true);
    MachineToolbarItemViewController* machine = m_toolbarController->machineViewController();
    m_modelPopUpButton = machine->modelPopUpButton();
    m_transportTypePopUpButton = machine->transportTypePopUpButton();
    m_maintenanceButton = machine->maintenanceButton();
    m_canvasPopUpButton = m_canvasInfo->canvasPopUpButton();
    m_toggleInspectorButton = m_toolbarController->toggleInspectorButton();

    for (const auto& model : ambrel::DeviceDescriptor::supported()) {
        m_modelPopUpButton->addItem(model->localizedName(), QVariant::fromValue(model));
    }
    connect(m_modelPopUpButton, &QComboBox::activated, this, &DocumentWindow::changeModel);
    connect(m_transportTypePopUpButton, &QComboBox::activated, this,
            &DocumentWindow::changeTransportType);
    connect(m_canvasPopUpButton, &QComboBox::activated, this, &DocumentWindow::changeCanvas);
    connect(m_toggleInspectorButton, &QToolButton::clicked, this, &DocumentWindow::toggleInspector);
    connect(m_maintenanceButton, &QToolButton::clicked, this,
            &DocumentWindow::showMaintenanceSheet);
    connect(m_splitViewController, &QSplitter::splitterMoved, this,
            [this] { m_toggleInspectorButton->setChecked(!isInspectorCollapsed()); });
    m_toggleInspectorButton->setChecked(true);

    // Escape and Ctrl+. go back one inspector page, and only when there is one.
    m_cancelAction = new QAction(this);
    m_cancelAction->setShortcuts(
        {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_Period)});
    m_cancelAction->setShortcutContext(Qt::WindowShortcut);
    addAction(m_cancelAction);
    connect(m_cancelAction, &QAction::triggered, m_inspector, &InspectorViewController::pop);
    connect(m_inspector, &InspectorViewController::navigationItemsChanged, this,
            &DocumentWindow::updateCancelShortcut);
    updateCancelShortcut();

    m_maintenanceViewController->setMaintenanceWindow(this);
    m_maintenancePopover->setContentViewController(m_maintenanceViewController);
    m_maintenancePopover->setShouldClose(
        [this] { return m_maintenanceViewController->canClose(); });
    connect(m_maintenancePopover, &MaintenancePopover::willShow, this,
            [this] { setPresentingMaintenancePopover(true); });
    connect(m_maintenancePopover, &MaintenancePopover::didClose, this,
            [this] { setPresentingMaintenancePopover(false); });
    connect(m_maintenanceViewController, &MaintenanceViewController::canCloseChanged, this,
            &DocumentWindow::maintenanceCanCloseChanged);

    connect(document, &Document::editedChanged, this, &QWidget::setWindowModified);
    connect(document, &Document::filePathChanged, this, &DocumentWindow::updateTitle);
    if (m_controller) {
        connect(m_controller, &DocumentController::autosaveStoppedChanged, this,
                [this](Document* changed) {
                    if (changed == m_document) {
                        updateTitle();
                    }
                });
    }
    connect(document, &Document::closing, this, [this] {
        detachDocument();
        m_document = nullptr;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    });
    connect(document, &QObject::destroyed, this, [this] { detachDocument(); });
    updateTitle();
    setWindowModified(document->isEdited());
    attachDocument();
    orderFocusChain();
}

DocumentWindow::~DocumentWindow() {
    detachDocument();
}

void DocumentWindow::drawIconsAhead() {
    for (QAbstractButton* button : findChildren<QAbstractButton*>()) {
        if (!button->icon().isNull()) {
            button->icon().pixmap(button->iconSize(), devicePixelRatio());
        }
    }
}

PrintDocument* DocumentWindow::printDocument() const {
    auto* job = qobject_cast<PrintJobDocument*>(m_document.data());
    return job ? &job->job() : nullptr;
}

bool DocumentWindow::canPaste() const {
    return validateCommand(DocumentActions::Action::paste).enabled;
}

void DocumentWindow::paste() {
    performCommand(DocumentActions::Action::paste);
}

DocumentActions::ItemState DocumentWindow::validateCommand(DocumentActions::Action action) const {
    PrintDocument* job = printDocument();
    if (!job || !m_imageImport) {
        return {};
    }
    return DocumentActions(*job, *m_imageImport, m_documentPresenter).validate(action);
}

void DocumentWindow::performCommand(DocumentActions::Action action) {
    if (PrintDocument* job = printDocument(); job && m_imageImport) {
        DocumentActions(*job, *m_imageImport, m_documentPresenter).perform(action);
    }
}

GridViewController* DocumentWindow::gridViewController() const {
    return m_mainContent->gridViewController();
}

GridView* DocumentWindow::gridView() const {
    return gridViewController()->gridView();
}

DocumentWindow* DocumentWindow::windowFor(const Document* document) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<DocumentWindow*>(widget);
        if (window && window->document() == document) {
            return window;
        }
    }
    return nullptr;
}

PackageDecodeBound DocumentWindow::quickDecodeBound(const Document& document) {
    if (DocumentWindow* window = windowFor(&document)) {
        return window->canvasDecodeBound();
    }
    return firstWindowDecodeBound();
}

PackageDecodeBound DocumentWindow::firstWindowDecodeBound() {
    // A new window's canvas is the window less the inspector, at most; the
    // picture on it is as large as the package places it.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double scale = screen ? screen->devicePixelRatio() : 1.0;
    const QSizeF canvasView(designedSize.width() - inspectorWidth, designedSize.height());
    return {(canvasView * scale).toSize(), &GridViewController::pictureSizeShown, canvasView,
            scale};
}

QSize DocumentWindow::canvasDecodeBound() const {
    const GridView* canvas = gridView();
    const QSizeF points = canvas->canvasRect().isEmpty() ? QSizeF(canvas->viewport()->size())
                                                         : canvas->canvasRect().size();
    return (points * canvas->backingScaleFactor()).toSize();
}

void DocumentWindow::attachDocument() {
    PrintDocument* job = printDocument();
    m_imageImport = job ? std::make_shared<ImageImport>(*job, m_documentPresenter) : nullptr;
    if (m_imageImport) {
        // A new picture shows first at the size of the canvas it is fitted
        // to, its whole pixels decoded behind it.
        m_imageImport->setQuickDecodeBound([window = QPointer<DocumentWindow>(this)] {
            return window ? window->canvasDecodeBound() : QSize();
        });
    }
    gridViewController()->setImageImport(m_imageImport.get());
    gridViewController()->setDocument(job);
    auto* jobDocument = qobject_cast<PrintJobDocument*>(m_document.data());
    m_inspector->setPrintJobDocument(jobDocument, m_runPresenter, m_imageImport);
    // The canvas outlines the print's passes while the inspector's page
    // asks for a print preview.
    connect(m_inspector, &InspectorViewController::showsPrintPreviewChanged, gridViewController(),
            &GridViewController::setShowsSequences, Qt::UniqueConnection);
    gridViewController()->setShowsSequences(m_inspector->showsPrintPreview());
    if (!job) {
        setDeviceDescriptor(nullptr);
        return;
    }
    using platform::Observable;
    auto observe = [this, job](const QString& key, Observable::Options options,
                               std::function<void()> then) {
        m_observations.push_back(job->observe(
            key, options, [then = std::move(then)](const platform::KeyValueChange&) { then(); }));
    };
    observe(DocumentKey::deviceDescriptor, Observable::Initial | Observable::New,
            [this, job] { setDeviceDescriptor(job->deviceDescriptor()); });
    observe(DocumentKey::canvas, Observable::Initial | Observable::New, [this, job] {
        updateCanvasPopUpButtonSelection();
        m_canvasInfo->setCanvas(job->canvas());
    });
    observe(DocumentKey::transportType, Observable::Initial | Observable::New, [this, job] {
        m_statusManager->setTransportTypeString(
            job->transportType() ? job->transportType()->rawValue() : QString());
        updateTransportTypePopUpButtonSelection();
    });
    observe(DocumentKey::inViewingMode, Observable::Initial | Observable::New,
            [this] { updatePopUpsEnabled(); });
}

void DocumentWindow::detachDocument() {
    m_observations.clear();
    if (m_mainContent) {
        gridViewController()->setDocument(nullptr);
        gridViewController()->setImageImport(nullptr);
    }
    if (m_inspector) {
        m_inspector->setPrintJobDocument(nullptr, nullptr, nullptr);
    }
    // The import refers to the document, which may go before this window.
    m_imageImport.reset();
}

void DocumentWindow::setDeviceDescriptor(
    std::shared_ptr<const ambrel::DeviceDescriptor> descriptor) {
    m_deviceDescriptor = std::move(descriptor);
    m_canvasInfo->setDeviceDescriptor(m_deviceDescriptor);
    m_inspector->setDeviceDescriptor(m_deviceDescriptor);
    gridViewController()->setDeviceDescriptor(m_deviceDescriptor);
    m_statusManager->setDeviceDescriptor(m_deviceDescriptor);
    const int index = indexOfData(m_modelPopUpButton, m_deviceDescriptor);
    if (index >= 0) {
        m_modelPopUpButton->setCurrentIndex(index);
    }
    updateCanvasPopUpButtonMenuItems();
    updateTransportTypePopUpButtonMenuItems();
    m_maintenanceButton->setVisible(m_deviceDescriptor &&
                                    m_deviceDescriptor->showsMaintenanceButton());
}

void DocumentWindow::updateCanvasPopUpButtonMenuItems() {
    m_canvasPopUpButton->clear();
    if (m_deviceDescriptor) {
        for (const auto& canvas : m_deviceDescriptor->canvases()) {
            m_canvasPopUpButton->addItem(canvas->name(), QVariant::fromValue(canvas));
            m_canvasPopUpButton->setItemData(m_canvasPopUpButton->count() - 1,
                                             canvas->sizeDescription(), Qt::ToolTipRole);
        }
    }
    m_canvasPopUpButton->setVisible(m_canvasPopUpButton->count() >= 2);
    updateCanvasPopUpButtonSelection();
}

void DocumentWindow::updateTransportTypePopUpButtonMenuItems() {
    m_transportTypePopUpButton->clear();
    if (!m_deviceDescriptor) {
        m_transportTypePopUpButton->hide();
        return;
    }
    for (const ambrel::TransportType& type : m_deviceDescriptor->transportTypes()) {
        m_transportTypePopUpButton->addItem(type.description(), type.rawValue());
    }
    m_transportTypePopUpButton->setVisible(m_transportTypePopUpButton->count() >= 2);
    updateTransportTypePopUpButtonSelection();
}

void DocumentWindow::updateCanvasPopUpButtonSelection() {
    PrintDocument* job = printDocument();
    if (!job) {
        return;
    }
    // A model change may keep the canvas of the model before when the new
    // one offers an equal canvas: that is the item to show. Without a
    // matching item the pop-up shows none rather than a canvas the document
    // does not have.
    int index = -1;
    if (const auto& canvas = job->canvas()) {
        for (int i = 0; i < m_canvasPopUpButton->count(); ++i) {
            const auto item =
                m_canvasPopUpButton->itemData(i).value<std::shared_ptr<const ambrel::Canvas>>();
            if (item && *item == *canvas) {
                index = i;
                break;
            }
        }
    }
    m_canvasPopUpButton->setCurrentIndex(index);
}

void DocumentWindow::updateTransportTypePopUpButtonSelection() {
    PrintDocument* job = printDocument();
    if (!job || !job->transportType()) {
        return;
    }
    const int index = m_transportTypePopUpButton->findData(job->transportType()->rawValue());
    if (index >= 0) {
        m_transportTypePopUpButton->setCurrentIndex(index);
    }
}

void DocumentWindow::updatePopUpsEnabled() {
    PrintDocument* job = printDocument();
    const bool enabled = !(job && job->inViewingMode()) && !m_isPresentingMaintenancePopover;
    m_modelPopUpButton->setEnabled(enabled);
    m_transportTypePopUpButton->setEnabled(enabled);
}

void DocumentWindow::changeModel(int index) {
    const auto model = m_modelPopUpButton->itemData(index)
                           .value<std::shared_ptr<const ambrel::DeviceDescriptor>>();
    if (PrintDocument* job = printDocument(); job && model) {
        job->setDeviceDescriptor(model);
    }
}

void DocumentWindow::changeCanvas(int index) {
    const auto canvas =
        m_canvasPopUpButton->itemData(index).value<std::shared_ptr<const ambrel::Canvas>>();
    if (PrintDocument* job = printDocument(); job && canvas) {
        job->changeCanvas(canvas);
    }
}

void DocumentWindow::changeTransportType(int index) {
    const auto type =
        ambrel::TransportType::fromRawValue(m_transportTypePopUpButton->itemData(index).toString());
    if (PrintDocument* job = printDocument(); job && type) {
        job->changeTransportType(type);
    }
}

bool DocumentWindow::isInspectorCollapsed() const {
    const QList<int> sizes = m_splitViewController->sizes();
    return sizes.size() < 2 || sizes[1] == 0 || m_inspector->isHidden();
}

void DocumentWindow::setInspectorCollapsed(bool collapsed) {
    m_inspector->setVisible(!collapsed);
    if (!collapsed) {
        const int total = m_splitViewController->width();
        m_splitViewController->setSizes({qMax(0, total - 310), 310});
    }
    m_toggleInspectorButton->setChecked(!collapsed);
}

void DocumentWindow::toggleInspector() {
    setInspectorCollapsed(!isInspectorCollapsed());
}

QString DocumentWindow::toggleInspectorMenuTitle() const {
    return KestromText::text(isInspectorCollapsed() ? "Menu_ShowInspector" : "Menu_HideInspector");
}

void DocumentWindow::updateCancelShortcut() {
    m_cancelAction->setEnabled(!m_inspector->isRoot());
}

bool DocumentWindow::maintenanceCanClose() const {
    return m_maintenanceViewController->canClose();
}

void DocumentWindow::showMaintenanceSheet() {
    m_maintenanceViewController->setDeviceDescriptor(m_deviceDescriptor);
    PrintDocument* job = printDocument();
    m_maintenanceViewController->setTransportType(
        job && job->transportType() ? job->transportType()->rawValue() : QString());
    m_maintenanceViewController->setStatusManager(m_statusManager);
    if (m_maintenancePopover->isShown()) {
        dismissMaintenance();
        return;
    }
    m_maintenancePopover->show(m_maintenanceButton);
}

void DocumentWindow::dismissMaintenance() {
    if (m_maintenanceViewController->canClose()) {
        m_maintenancePopover->close();
    }
}

bool DocumentWindow::performMaintenanceAction(const ambrel::MaintenanceAction& action) {
    auto* job = qobject_cast<PrintJobDocument*>(m_document.data());
    if (!job) {
        return false;
    }
    job->performMaintenanceAction(m_runPresenter, action);
    return true;
}

void DocumentWindow::setPresentingMaintenancePopover(bool presenting) {
    if (m_isPresentingMaintenancePopover == presenting) {
        return;
    }
    m_isPresentingMaintenancePopover = presenting;
    updatePopUpsEnabled();
    emit isPresentingMaintenancePopoverChanged(presenting);
}

bool DocumentWindow::presentError(const platform::Error& error) {
    m_runPresenter->beep();
    m_runPresenter->presentError(error);
    return true;
}

Document* DocumentWindow::validRequestor(const QString& sendType, const QString& returnType) const {
    if (sendType.isEmpty() && !returnType.isEmpty() && printDocument() &&
        ambrel::OriginalImage::imageFileTypes().contains(returnType)) {
        return m_document;
    }
    return nullptr;
}

void DocumentWindow::updateTitle() {
    if (m_document) {
        const QString name = m_document->displayName() + QStringLiteral("[*]");
        // Otherwise only a log line would tell that changes stay unsaved.
        const bool stopped =
            m_controller && m_document->filePath() && m_controller->isAutosaveStopped(m_document);
        setWindowTitle(stopped ? KestromText::text("Window_Title_AutosaveStopped").arg(name)
                               : name);
        if (m_document->filePath()) {
            setWindowFilePath(*m_document->filePath());
        }
    }
}

void DocumentWindow::closeEvent(QCloseEvent* event) {
    if (!m_document || !m_controller) {
        event->accept();
        return;
    }
    if (!m_document->isEdited()) {
        Document* closing = m_document;
        detachDocument();
        m_document = nullptr;
        m_controller->removeDocument(closing);
        event->accept();
        return;
    }
    // The user decides; when the document closes, it closes this window.
    event->ignore();
    m_controller->closeDocument(m_document);
}

void DocumentWindow::orderFocusChain() {
    // The toolbar, the pop-up above the canvas, the canvas, then the
    // inspector top to bottom.
    QList<QWidget*> content = FocusChain::stopsIn(m_mainContent->view());
    content.removeAll(gridView());
    content.append(gridView());
    FocusChain::link(FocusChain::stopsIn(m_toolbarController->toolbar()) + content +
                     m_inspector->focusStops());
}

bool DocumentWindow::focusNextPrevChild(bool next) {
    // Panes and setting editors are built as pages and models change, after
    // the rest of the window; the order is set again before each step.
    orderFocusChain();
    return QMainWindow::focusNextPrevChild(next);
}

void DocumentWindow::matchCanvasInfoToCanvas() {
    QPalette colours = palette();
    const QPalette canvas = gridView()->palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::WindowText}) {
        colours.setColor(role, canvas.color(role));
    }
    m_canvasInfo->setPalette(colours);
}

void DocumentWindow::fitInitialSize(const QRect& availableGeometry) {
    // Panes put in since the last event loop turn count too.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    // The menu bar and toolbar above the split keep their heights; the split
    // gets room for every pane of the inspector's page.
    const int aboveSplit = height() - m_splitViewController->height();
    const QSize wanted(qMax(designedSize.width(), minimumSizeHint().width()),
                       qMax(designedSize.height(), aboveSplit + m_inspector->sizeHint().height()));
    QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (frame.isNull()) {
        // Not framed yet: leave room for the title bar the window will get.
        frame.setTop(style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this));
    }
    const QSize size = wanted.boundedTo(availableGeometry.size().shrunkBy(frame));
    resize(size);
    m_splitViewController->setSizes({size.width() - inspectorWidth, inspectorWidth});
}

void DocumentWindow::showEvent(QShowEvent* event) {
    // Sized once, when first shown: the inspector's page is known by then,
    // and the user's own resizing is kept afterwards.
    if (!m_initialSizeFitted && !event->spontaneous()) {
        m_initialSizeFitted = true;
        if (QScreen* screen = this->screen()) {
            fitInitialSize(screen->availableGeometry());
        }
        // The window's size is known now, and its first frame comes after
        // the show and the layout.
        if (QBackingStore* store = backingStore()) {
            platform::BackingStorePages::makeAhead(*store, size());
        }
    }
    QMainWindow::showEvent(event);
}

void DocumentWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        // After the canvas has taken its colours for the new palette.
        QMetaObject::invokeMethod(this, &DocumentWindow::matchCanvasInfoToCanvas,
                                  Qt::QueuedConnection);
    }
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_controller &&
        m_document) {
        m_controller->setCurrentDocument(m_document);
    }
    QMainWindow::changeEvent(event);
}

} // namespace kestrom
