#include "core/launch/SettledWindow.h"

#include "core/canvas/GridView.h"
#include "core/canvas/GridViewImageView.h"
#include "core/document/application/DocumentController.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/window/DocumentWindow.h"

#include <QMessageBox>

#include <algorithm>

namespace kestrom {

bool SettledWindow::isSettled(const DocumentWindow& window) {
    for (const QMessageBox* alert : window.findChildren<QMessageBox*>()) {
        if (alert->isVisible()) {
            return true;
        }
    }
    if (const DocumentController* controller = DocumentController::shared();
        controller && controller->openingCount() > 0) {
        return false;
    }
    const auto* document = qobject_cast<const PrintJobDocument*>(window.document());
    if (!document) {
        return true;
    }
    const PrintDocument& job = document->job();
    if (job.hasIncomingPicture()) {
        return false;
    }
    if (!job.originalImage()) {
        return true;
    }
    const GridViewImageView* canvas = window.gridView() ? window.gridView()->imageView() : nullptr;
    if (!canvas) {
        return true;
    }
    const auto& tiles = canvas->tileViews();
    return !canvas->hasPendingDrawing() && !canvas->showsScaledDecode() &&
           std::all_of(tiles.begin(), tiles.end(),
                       [](const auto& tile) { return !tile.contents.isNull(); });
}

} // namespace kestrom
