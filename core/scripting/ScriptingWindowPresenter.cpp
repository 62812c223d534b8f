#include "core/scripting/ScriptingWindowPresenter.h"

#include "core/document/application/Document.h"
#include "core/window/DocumentWindow.h"
#include "core/window/WindowRunPresenter.h"
#include "platform/Error.h"
#include "platform/Log.h"

#include <QClipboard>
#include <QGuiApplication>

namespace kestrom {

namespace {

WindowRunPresenter* windowPresenter(const Document* document) {
    DocumentWindow* window = document ? DocumentWindow::windowFor(document) : nullptr;
    return window ? window->runPresenter().get() : nullptr;
}

} // namespace

ScriptingWindowPresenter::ScriptingWindowPresenter(Document* document) : m_document(document) {}

bool ScriptingWindowPresenter::hasWindowForSheets() const {
    return windowPresenter(m_document) != nullptr;
}

bool ScriptingWindowPresenter::isShowingSheet() const {
    const WindowRunPresenter* presenter = windowPresenter(m_document);
    return presenter && presenter->isShowingSheet();
}

void ScriptingWindowPresenter::presentError(const platform::Error& error) {
    // The script hears of the error in its answer; a sheet would only stand
    // in the way of the user and of the script's next call.
    platform::Log::line(QStringLiteral("picture not loaded: ") + error.localizedDescription());
}

void ScriptingWindowPresenter::beginOpenPanel(
    const OpenPanel&, std::function<void(std::optional<QUrl> chosen)> completion) {
    if (completion) {
        completion(std::nullopt);
    }
}

const QMimeData* ScriptingWindowPresenter::generalPasteboard() const {
    return QGuiApplication::clipboard()->mimeData();
}

} // namespace kestrom
