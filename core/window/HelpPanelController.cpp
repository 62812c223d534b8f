#include "core/window/HelpPanelController.h"

#include "core/window/PanelCloseKeys.h"
#include "platform/Bundle.h"
#include "platform/Log.h"

#include <QDesktopServices>
#include <QDir>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace kestrom {

HelpPanelController::HelpPanelController()
    : QWidget(nullptr, Qt::Window), m_webView(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("HelpPanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_webView);
    m_webView->setOpenLinks(false);
    m_webView->setFrameShape(QFrame::NoFrame);
    m_webView->document()->setDocumentMargin(18);
    connect(m_webView, &QTextBrowser::anchorClicked, this, &HelpPanelController::openLink);
    connect(m_webView, &QTextBrowser::sourceChanged, this,
            [this] { setWindowTitle(m_webView->documentTitle()); });
    setFixedWidth(520);
    PanelCloseKeys::install(*this);
    resize(520, 640);
}

HelpPanelController& HelpPanelController::shared() {
    static HelpPanelController* controller = new HelpPanelController;
    return *controller;
}

std::optional<QString>
HelpPanelController::chooseHelpFile(const QStringList& fileNames,
                                    const std::optional<QString>& systemKey) {
    static const QRegularExpression pattern(QStringLiteral("help(_[0-9]+)?\\.html"),
                                            QRegularExpression::CaseInsensitiveOption);
    QList<std::pair<QString, QString>> keyed; // key, file name; first of each key
    for (const QString& name : fileNames) {
        const QString last = QFileInfo(name).fileName();
        const QRegularExpressionMatch match = pattern.match(last);
        if (!match.hasMatch()) {
            continue;
        }
        const QString key =
            match.captured(1).isEmpty() ? QStringLiteral("1000") : match.captured(1).mid(1);
        const bool known = std::any_of(keyed.cbegin(), keyed.cend(),
                                       [&key](const auto& entry) { return entry.first == key; });
        if (!known) {
            keyed.append({key, name});
        }
    }
    if (systemKey) {
        keyed.removeIf([&systemKey](const auto& entry) { return entry.first > *systemKey; });
    }
    // Keys compare as text, as they always have.
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    if (keyed.isEmpty()) {
        return std::nullopt;
    }
    return keyed.last().second;
}

void HelpPanelController::showHelp() {
    const platform::Bundle* bundle = platform::Bundle::main();
    if (!bundle) {
        return;
    }
    const QDir resources(bundle->resourceRoot());
    const QStringList pages = resources.entryList({QStringLiteral("*.html")}, QDir::Files);
    // Every page is for this system: the newest one is shown.
    const auto chosen = chooseHelpFile(pages, std::nullopt);
    if (!chosen) {
        return;
    }
    load(resources.filePath(*chosen));
    showWindow();
}

void HelpPanelController::showAcknowledgments() {
    const auto path =
        platform::Bundle::named(QStringLiteral("KestromCore"))
            ->pathForResource(QStringLiteral("acknowledgments"), QStringLiteral("html"));
    if (!path) {
        platform::Log::fatal(QStringLiteral("the page acknowledgments.html is missing"));
    }
    load(*path);
    showWindow();
}

void HelpPanelController::load(const QString& path) {
    const QUrl url = path.startsWith(QLatin1Char(':')) ? QUrl(QStringLiteral("qrc") + path)
                                                       : QUrl::fromLocalFile(path);
    m_webView->setSource(url);
    setWindowTitle(m_webView->documentTitle());
}

void HelpPanelController::openLink(const QUrl& url) {
    const QUrl target = m_webView->source().resolved(url);
    if (target.scheme() == QLatin1String("qrc") || target.isLocalFile()) {
        m_webView->setSource(target);
        return;
    }
    QDesktopServices::openUrl(target);
}

void HelpPanelController::showWindow() {
    show();
    raise();
    activateWindow();
}

} // namespace kestrom
