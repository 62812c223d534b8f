#include "core/window/WindowDocumentPresenter.h"

#include "core/window/DocumentWindow.h"
#include "core/window/WindowRunPresenter.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>

namespace kestrom {

WindowDocumentPresenter::WindowDocumentPresenter(DocumentWindow* window) : m_window(window) {}

bool WindowDocumentPresenter::hasWindowForSheets() const {
    return m_window;
}

bool WindowDocumentPresenter::isShowingSheet() const {
    return m_window && m_window->runPresenter()->isShowingSheet();
}

void WindowDocumentPresenter::presentError(const platform::Error& error) {
    if (m_window) {
        m_window->runPresenter()->presentError(error);
    }
}

void WindowDocumentPresenter::beginOpenPanel(
    const OpenPanel& panel, std::function<void(std::optional<QUrl> chosen)> completion) {
    if (!m_window) {
        completion(std::nullopt);
        return;
    }
    auto* dialog = new QFileDialog(m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    if (!panel.prompt.isEmpty()) {
        dialog->setLabelText(QFileDialog::Accept, panel.prompt);
    }
    if (panel.startLocation) {
        dialog->setDirectory(*panel.startLocation);
    }
    QStringList patterns;
    for (const QString& extension : panel.allowedFilenameExtensions) {
        patterns << QStringLiteral("*.") + extension;
    }
    if (!patterns.isEmpty()) {
        dialog->setNameFilter(patterns.join(QLatin1Char(' ')));
    }
    auto answered = std::make_shared<bool>(false);
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog,
                     [completion, answered](const QString& file) {
                         *answered = true;
                         completion(QUrl::fromLocalFile(file));
                     });
    QObject::connect(dialog, &QDialog::finished, dialog, [completion, answered](int) {
        if (!*answered) {
            *answered = true;
            completion(std::nullopt);
        }
    });
    dialog->open();
}

const QMimeData* WindowDocumentPresenter::generalPasteboard() const {
    return QApplication::clipboard()->mimeData();
}

bool WindowDocumentPresenter::isPresentingBusyMaintenance() const {
    return m_window && m_window->isPresentingMaintenancePopover() &&
           !m_window->maintenanceCanClose();
}

} // namespace kestrom
