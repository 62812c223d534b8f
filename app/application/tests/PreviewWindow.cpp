#include "PreviewWindow.h"

#include "app/application/Application.h"
#include "app/tavrin/TavrinBitmapRenderer.h"
#include "core/canvas/GridView.h"
#include "core/canvas/GridViewImageView.h"
#include "core/document/application/DocumentController.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/window/DocumentWindow.h"
#include "platform/Bundle.h"
#include "platform/UserDefaults.h"

#include <algorithm>

PreviewWindow::PreviewWindow() {
    platform::UserDefaults::setStandardFilePath(m_folder.filePath(QStringLiteral("d.plist")));
    lunvik::Application::registerDevicePlugin(
        platform::Bundle::named(QStringLiteral("RegionWorldwide")));
    m_delegate.applicationWillFinishLaunching();
    m_delegate.newDocument();
    const auto documents = m_delegate.documentController()->documents();
    auto* document =
        documents.isEmpty() ? nullptr : qobject_cast<kestrom::PrintJobDocument*>(documents.first());
    auto* window = document ? kestrom::DocumentWindow::windowFor(document) : nullptr;
    if (!window) {
        return;
    }
    m_document = document;
    m_window = window;
    m_window->resize(1400, 900);
    m_window->show();
}

kestrom::GridViewImageView* PreviewWindow::pictureView() const {
    return m_window ? m_window->gridView()->imageView() : nullptr;
}

bool PreviewWindow::showsPrintedTiles() const {
    const auto* view = pictureView();
    return view && !view->hasPendingDrawing() && view->showsPrintedDots() &&
           !view->tileViews().isEmpty() &&
           std::all_of(view->tileViews().begin(), view->tileViews().end(),
                       [](const auto& t) { return !t.contents.isNull(); });
}

QImage PreviewWindow::printedBitmap() const {
    const auto model = m_document->job().deviceDescriptor();
    const ambrel::PrintTask task = m_document->makePrintTask();
    return lunvik::TavrinBitmapRenderer::render({model->dpi(), model->additionalInfos()},
                                                task.canvas()->size_mm(), task.imageSource(),
                                                nullptr)
        .bitmap;
}
