#include "core/inspector/InspectorPaneViewController_Print.h"

#include "core/document/job/DocumentKey.h"
#include "core/document/job/KestromText.h"
#include "core/document/job/PrintDocument.h"
#include "core/inspector/InspectorPaneParameterStackViewController.h"
#include "core/inspector/InspectorViewController.h"
#include "core/inspector/PrintDocumentInspectorAdapter.h"

#include "platform/Bundle.h"

#include <QDynamicPropertyChangeEvent>
#include <QGestureEvent>
#include <QLabel>
#include <QMetaProperty>
#include <QPushButton>
#include <QSwipeGesture>
#include <QVBoxLayout>

#include <cmath>

namespace kestrom {

namespace {

const char* const maintenanceCanCloseProperty = "maintenanceCanClose";

bool showsTitleEvenIfNoOption() {
    const platform::Bundle* bundle = platform::Bundle::main();
    if (!bundle) {
        return false;
    }
    const QVariant value = bundle->infoDictionary().value(
        QStringLiteral("PrintInspector_ShowsTitleLabelEvenIfNoOption"));
    return value.typeId() == QMetaType::Bool && value.toBool();
}

InspectorViewController* nearestInspector(const QWidget* widget) {
    for (QWidget* up = widget->parentWidget(); up; up = up->parentWidget()) {
        if (auto* inspector = qobject_cast<InspectorViewController*>(up)) {
            return inspector;
        }
    }
    return nullptr;
}

} // namespace

InspectorPaneViewController_Print::InspectorPaneViewController_Print(QWidget* parent)
    : InspectorPaneViewController(parent) {
    setObjectName(QStringLiteral("Print"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 12);
    layout->setSpacing(10);
    m_titleLabel = new QLabel(this);
    QFont bold = m_titleLabel->font();
    bold.setBold(true);
    m_titleLabel->setFont(bold);
    m_titleLabel->hide();
    m_parameters = new InspectorPaneParameterStackViewController(this);
    m_parameters->setPaneIdentifier(QStringLiteral("Print"));
    m_printButton = new QPushButton(this);
    m_printButton->setMinimumHeight(34);
    QFont large = m_printButton->font();
    large.setPointSizeF(large.pointSizeF() * 1.15);
    m_printButton->setFont(large);
    m_goToAdvancedButton =
        new QPushButton(KestromText::text(QStringLiteral("Inspector_Print_GoToAdvanced")), this);
    m_goToAdvancedButton->setFlat(true);
    m_goToAdvancedButton->hide();
    layout->addWidget(m_titleLabel);
    layout->addWidget(m_parameters);
    layout->addWidget(m_printButton);
    layout->addWidget(m_goToAdvancedButton, 0, Qt::AlignRight);

    connect(m_printButton, &QPushButton::clicked, this, &InspectorPaneViewController_Print::print);
    connect(m_goToAdvancedButton, &QPushButton::clicked, this,
            &InspectorPaneViewController_Print::goToAdvanced);
    connect(this, &InspectorPaneViewController::windowControllerChanged, this,
            &InspectorPaneViewController_Print::watchWindowController);
    grabGesture(Qt::SwipeGesture);
    documentDidChange();
}

bool InspectorPaneViewController_Print::canPrint() const {
    if (!document() || !document()->originalImage() || document()->inViewingMode() ||
        !windowController()) {
        return false;
    }
    const QVariant canClose = windowController()->property(maintenanceCanCloseProperty);
    return !canClose.isValid() || canClose.toBool();
}

bool InspectorPaneViewController_Print::shouldShowAdvancedButtonForTab() const {
    return !pageDescriptor() || pageDescriptor()->identifier() != QLatin1String("advanced");
}

void InspectorPaneViewController_Print::setPageDescriptor(
    std::shared_ptr<const InspectorPageDescriptor> page) {
    InspectorPaneViewController::setPageDescriptor(std::move(page));
    updateAdvancedButton();
}

void InspectorPaneViewController_Print::print() {
    if (canPrint()) {
        documentAdapter()->printDocument();
    }
}

void InspectorPaneViewController_Print::goToAdvanced() {
    if (auto* inspector = nearestInspector(this)) {
        inspector->pushPage(QStringLiteral("advanced"));
    }
}

bool InspectorPaneViewController_Print::swipe(double deltaX, double deltaY) {
    if (m_goToAdvancedButton->isVisibleTo(window()) && m_goToAdvancedButton->isEnabled() &&
        std::abs(deltaX) > std::abs(deltaY) && deltaX < 0) {
        goToAdvanced();
        return true;
    }
    return false;
}

void InspectorPaneViewController_Print::documentDidChange() {
    updateLayoutForDevice();
    updateCanPrint();
}

void InspectorPaneViewController_Print::observeDocument(PrintDocument&) {
    observe(DocumentKey::deviceDescriptor, [this] { updateLayoutForDevice(); });
    observe(DocumentKey::inViewingMode, [this] { updateCanPrint(); });
    observe(DocumentKey::originalImage, [this] { updateCanPrint(); });
}

void InspectorPaneViewController_Print::updateLayoutForDevice() {
    const auto device = document() ? document()->deviceDescriptor() : nullptr;
    if (!device) {
        return; // the layout stays as it was
    }
    bool hasOptions = false;
    for (const auto& parameter : device->parameterProperties()) {
        hasOptions = hasOptions || parameter->paneIdentifier() == QLatin1String("Print");
    }
    m_titleLabel->setText(device->printInspectorPaneTitle());
    m_titleLabel->setVisible(hasOptions || showsTitleEvenIfNoOption());
    m_printButton->setText(device->printButtonTitle());
    // Without a title above it the button sits a little lower.
    layout()->setContentsMargins(12, m_titleLabel->isVisibleTo(this) ? 10 : 16, 12, 12);
    updateAdvancedButton();
}

void InspectorPaneViewController_Print::updateAdvancedButton() {
    if (!pageDescriptor()) {
        return;
    }
    auto* inspector = nearestInspector(this);
    if (!inspector) {
        return;
    }
    bool shows = false;
    if (shouldShowAdvancedButtonForTab()) {
        for (const auto& page : inspector->pages()) {
            shows = shows || page->identifier() == QLatin1String("advanced");
        }
    }
    m_goToAdvancedButton->setVisible(shows);
}

void InspectorPaneViewController_Print::updateCanPrint() {
    const bool can = canPrint();
    m_printButton->setEnabled(can);
    if (can != m_canPrint) {
        m_canPrint = can;
        Q_EMIT canPrintChanged(can);
    }
}

void InspectorPaneViewController_Print::watchWindowController() {
    if (m_watchedWindowController) {
        m_watchedWindowController->removeEventFilter(this);
        disconnect(m_watchedWindowController, nullptr, this, nullptr);
    }
    m_watchedWindowController = windowController();
    if (QWidget* controller = m_watchedWindowController) {
        controller->installEventFilter(this);
        // A declared property with a change signal is followed through it.
        const QMetaObject* meta = controller->metaObject();
        const int index = meta->indexOfProperty(maintenanceCanCloseProperty);
        if (index >= 0 && meta->property(index).hasNotifySignal()) {
            const QMetaMethod slot =
                metaObject()->method(metaObject()->indexOfMethod("updateCanPrint()"));
            connect(controller, meta->property(index).notifySignal(), this, slot);
        }
    }
    updateCanPrint();
}

bool InspectorPaneViewController_Print::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_watchedWindowController && event->type() == QEvent::DynamicPropertyChange &&
        static_cast<QDynamicPropertyChangeEvent*>(event)->propertyName() ==
            maintenanceCanCloseProperty) {
        updateCanPrint();
    }
    return InspectorPaneViewController::eventFilter(watched, event);
}

bool InspectorPaneViewController_Print::event(QEvent* event) {
    if (event->type() == QEvent::Gesture) {
        auto* gestures = static_cast<QGestureEvent*>(event);
        if (auto* gesture = static_cast<QSwipeGesture*>(gestures->gesture(Qt::SwipeGesture))) {
            if (gesture->state() == Qt::GestureFinished) {
                const double angle = qDegreesToRadians(gesture->swipeAngle());
                if (swipe(std::cos(angle), -std::sin(angle))) {
                    gestures->accept(gesture);
                    return true;
                }
            }
        }
    }
    return InspectorPaneViewController::event(event);
}

void InspectorPaneViewController_Print::showEvent(QShowEvent* event) {
    InspectorPaneViewController::showEvent(event);
    updateAdvancedButton();
}

} // namespace kestrom
