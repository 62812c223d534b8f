#include "core/window/AboutPanelController.h"

#include "platform/ApplicationInfo.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

namespace kestrom {

AboutPanelController& AboutPanelController::shared() {
    static AboutPanelController controller;
    return controller;
}

void AboutPanelController::showWindow() {
    if (!m_window) {
        const QString name = platform::ApplicationInfo::displayName();
        auto* window = new QWidget(nullptr, Qt::Dialog);
        window->setObjectName(QStringLiteral("AboutPanel"));
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setWindowTitle(name);
        auto* icon = new QLabel(window);
        icon->setPixmap(QApplication::windowIcon().pixmap(96, 96));
        icon->setAlignment(Qt::AlignCenter);
        auto* title = new QLabel(name, window);
        QFont bold = title->font();
        bold.setBold(true);
        bold.setPointSizeF(bold.pointSizeF() * 1.4);
        title->setFont(bold);
        title->setAlignment(Qt::AlignCenter);
        auto* version = new QLabel(platform::ApplicationInfo::shortVersion(), window);
        version->setAlignment(Qt::AlignCenter);
        auto* layout = new QVBoxLayout(window);
        layout->addWidget(icon);
        layout->addWidget(title);
        layout->addWidget(version);
        window->resize(320, 220);
        m_window = window;
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

} // namespace kestrom
