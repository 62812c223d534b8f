#include "core/window/AboutPanelController.h"

#include "core/window/AboutViewController.h"
#include "core/window/PanelCloseKeys.h"
#include "platform/ApplicationInfo.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QVBoxLayout>

namespace kestrom {

namespace {

QPointer<AboutPanelController> sharedPanel;

} // namespace

AboutPanelController::AboutPanelController()
    : QWidget(nullptr, Qt::Dialog | Qt::WindowCloseButtonHint),
      m_content(new AboutViewController(this)) {
    setObjectName(QStringLiteral("AboutPanel"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(platform::ApplicationInfo::displayName());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_content);
    setFixedWidth(340);
    PanelCloseKeys::install(*this);
}

AboutPanelController& AboutPanelController::shared() {
    if (!sharedPanel) {
        sharedPanel = new AboutPanelController;
    }
    return *sharedPanel;
}

bool AboutPanelController::hasShared() {
    return !sharedPanel.isNull();
}

void AboutPanelController::showWindow() {
    adjustSize();
    show();
    if (QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    raise();
    activateWindow();
}

void AboutPanelController::closeEvent(QCloseEvent* event) {
    if (sharedPanel == this) {
        sharedPanel = nullptr;
    }
    event->accept();
}

} // namespace kestrom
