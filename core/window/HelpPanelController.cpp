#include "core/window/HelpPanelController.h"

#include "platform/Bundle.h"
#include "platform/Log.h"

#include <QTextBrowser>
#include <QUrl>

namespace kestrom {

HelpPanelController& HelpPanelController::shared() {
    static HelpPanelController controller;
    return controller;
}

void HelpPanelController::showHelp() {
    show(QStringLiteral("help"));
}

void HelpPanelController::showAcknowledgments() {
    show(QStringLiteral("acknowledgments"));
}

void HelpPanelController::show(const QString& page) {
    if (!m_browser) {
        m_browser = new QTextBrowser;
        m_browser->setObjectName(QStringLiteral("HelpPanel"));
        m_browser->setAttribute(Qt::WA_DeleteOnClose);
        m_browser->setOpenExternalLinks(true);
        m_browser->resize(640, 560);
    }
    const auto path = platform::Bundle::named(QStringLiteral("KestromCore"))
                          ->pathForResource(page, QStringLiteral("html"));
    if (!path) {
        platform::Log::fatal(QStringLiteral("the page ") + page +
                             QStringLiteral(".html is missing"));
    }
    m_browser->setSource(QUrl(QStringLiteral("qrc") + *path));
    m_browser->setWindowTitle(m_browser->documentTitle());
    m_browser->show();
    m_browser->raise();
    m_browser->activateWindow();
}

} // namespace kestrom
