#include "core/scripting/ScriptingWindowPresenter.h"

#include "core/document/Document.h"
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
    if (WindowRunPresenter* presenter = windowPresenter(m_document)) {
        presenter->presentError(error);
        return;
    }
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
