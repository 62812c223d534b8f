#include "core/window/ToolbarController.h"

#include "core/document/job/KestromText.h"
#include "core/window/HelpPanelController.h"
#include "core/window/MachineToolbarItemViewController.h"
#include "core/window/ToolbarIcon.h"

#include <QEvent>
#include <QPainter>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>

namespace kestrom {

namespace {

// A thin line that sits where the split's divider meets the toolbar.
class TrackingSeparator : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QColor line = palette().color(QPalette::WindowText);
        line.setAlphaF(0.18);
        painter.fillRect(QRect(width() - 1, 4, 1, height() - 8), line);
    }
};

const QString helpIdentifier = QStringLiteral("help");
const QString machineIdentifier = QStringLiteral("machine");
const QString separatorIdentifier = QStringLiteral("separate1");
const QString canvasIdentifier = QStringLiteral("canvas");
const QString inspectorIdentifier = QStringLiteral("inspector");

} // namespace

const QString ToolbarController::flexibleSpaceIdentifier = QStringLiteral("flexibleSpace");

ToolbarController::ToolbarController(QSplitter* splitViewController, QObject* parent)
    : QObject(parent), m_toolbar(new QToolBar), m_machine(new MachineToolbarItemViewController),
      m_toggleInspectorButton(new QToolButton), m_helpButton(new QToolButton),
      m_splitViewController(splitViewController) {
    m_toolbar->setObjectName(QStringLiteral("DocumentToolbar"));
    m_toolbar->setAccessibleName(KestromText::text("Toolbar_AccessibleName"));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolbar->setIconSize(QSize(20, 20));
    m_toolbar->toggleViewAction()->setVisible(false);

    m_toggleInspectorButton->setObjectName(QStringLiteral("ToggleInspectorButton"));
    m_toggleInspectorButton->setCheckable(true);
    m_toggleInspectorButton->setAutoRaise(true);
    // A screen reader speaks the symbol's description for a button that
    // shows only its symbol; the item's label stays "Sidebar".
    m_toggleInspectorButton->setAccessibleName(
        KestromText::text("Toolbar_ToggleInspectorButton_AccessibilityDescription"));
    m_toggleInspectorButton->setToolTip(KestromText::text("Toolbar_ToggleInspectorButton_ToolTip"));
    m_helpButton->setObjectName(QStringLiteral("HelpButton"));
    m_helpButton->setAutoRaise(true);
    m_helpButton->setAccessibleName(KestromText::text("Toolbar_Help"));
    m_helpButton->setToolTip(KestromText::text("Toolbar_HelpButton_ToolTip"));
    connect(m_helpButton, &QToolButton::clicked, this,
            [] { HelpPanelController::shared().showHelp(); });

    for (const QString& identifier : defaultItemIdentifiers()) {
        m_toolbar->addAction(item(identifier));
    }
    updateIcons();
    m_toolbar->installEventFilter(this);
    if (m_splitViewController) {
        m_splitViewController->installEventFilter(this);
        connect(m_splitViewController, &QSplitter::splitterMoved, this,
                &ToolbarController::updateSeparatorWidth);
    }
}

ToolbarController::~ToolbarController() {
    // The toolbar belongs to the window once installed.
    if (!m_toolbar->parent()) {
        delete m_toolbar;
    }
}

QStringList ToolbarController::allowedItemIdentifiers() {
    return {helpIdentifier,   machineIdentifier,   separatorIdentifier,
            canvasIdentifier, inspectorIdentifier, flexibleSpaceIdentifier};
}

QStringList ToolbarController::defaultItemIdentifiers() {
    QStringList identifiers{machineIdentifier, separatorIdentifier, helpIdentifier,
                            inspectorIdentifier};
    identifiers.insert(identifiers.indexOf(inspectorIdentifier), flexibleSpaceIdentifier);
    return identifiers;
}

QAction* ToolbarController::item(const QString& identifier) {
    if (QAction* made = m_items.value(identifier)) {
        return made;
    }
    auto* action = new QWidgetAction(m_toolbar);
    action->setObjectName(identifier);
    if (identifier == helpIdentifier) {
        action->setText(KestromText::text("Toolbar_Help"));
        action->setDefaultWidget(m_helpButton);
    } else if (identifier == machineIdentifier) {
        action->setText(KestromText::text("Toolbar_Model"));
        action->setDefaultWidget(m_machine);
    } else if (identifier == separatorIdentifier) {
        m_trackingSeparator = new TrackingSeparator;
        m_trackingSeparator->setObjectName(QStringLiteral("TrackingSeparator"));
        m_trackingSeparator->setFixedWidth(12);
        action->setDefaultWidget(m_trackingSeparator);
    } else if (identifier == inspectorIdentifier) {
        action->setText(KestromText::text("Toolbar_Sidebar"));
        action->setDefaultWidget(m_toggleInspectorButton);
    } else if (identifier == flexibleSpaceIdentifier) {
        auto* space = new QWidget;
        space->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        action->setDefaultWidget(space);
    } else {
        action->setText(identifier);
    }
    m_items.insert(identifier, action);
    return action;
}

void ToolbarController::updateIcons() {
    const QColor color = m_toolbar->palette().color(QPalette::ButtonText);
    m_helpButton->setIcon(ToolbarIcon::make(QStringLiteral("help"), color));
    m_toggleInspectorButton->setIcon(ToolbarIcon::make(QStringLiteral("sidebar"), color));
    m_machine->maintenanceButton()->setIcon(
        ToolbarIcon::make(QStringLiteral("maintenance"), color));
}

bool ToolbarController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest) {
        updateSeparatorWidth();
    } else if (watched == m_toolbar && event->type() == QEvent::PaletteChange) {
        updateIcons();
    }
    return QObject::eventFilter(watched, event);
}

void ToolbarController::updateSeparatorWidth() {
    if (!m_trackingSeparator || !m_splitViewController || m_splitViewController->count() < 2 ||
        !m_trackingSeparator->isVisible()) {
        return;
    }
    QSplitterHandle* divider = m_splitViewController->handle(1);
    const QWidget* inspector = m_splitViewController->widget(1);
    if (!divider || !inspector || !inspector->isVisible()) {
        m_trackingSeparator->setFixedWidth(12);
        return;
    }
    const int dividerX = divider->mapTo(m_toolbar->window(), QPoint(0, 0)).x();
    const int separatorX = m_trackingSeparator->mapTo(m_toolbar->window(), QPoint(0, 0)).x();
    const int width = qMax(12, dividerX - separatorX);
    if (width != m_trackingSeparator->width()) {
        m_trackingSeparator->setFixedWidth(width);
    }
}

} // namespace kestrom
