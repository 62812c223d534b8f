#include "PhotoWindow.h"

#include "PhotoJpeg.h"

#include "core/canvas/GridView.h"
#include "core/canvas/GridViewController.h"
#include "core/canvas/GridViewImageView.h"
#include "core/document/application/ImageImport.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/document/job/ConversionOptionTable.h"
#include "core/window/DocumentWindow.h"

#include <QMimeData>
#include <QUrl>

#include <algorithm>

namespace bench {

PhotoWindow::PhotoWindow() {
    window = app.showNewWindow();
    document = qobject_cast<kestrom::PrintJobDocument*>(window->document());
    imageView = window->gridView()->imageView();
    dropPicture(QStringLiteral("photo.jpg"), photoJpeg(0));
}

void PhotoWindow::dropPicture(const QString& fileName, const QByteArray& bytes) {
    const QString path = app.writeFile(fileName, bytes);
    const auto before = document->job().originalImage();
    QMimeData drop;
    drop.setUrls({QUrl::fromLocalFile(path)});
    window->gridViewController()->imageImport()->setImageWithPasteboard(&drop);
    BenchmarkApp::sleepUntil([&] {
        return window->gridViewController()->imageImport()->pendingCount() == 0 &&
               document->job().originalImage() && document->job().originalImage() != before &&
               document->job().originalImage()->isFullyDecoded();
    });
}

void PhotoWindow::convertBy(bool halftone) {
    document->job().setBlackConversionType(halftone ? ambrel::BlackConversionType::halftone
                                                    : ambrel::BlackConversionType::threshold);
}

void PhotoWindow::changeConversion(bool halftone) {
    using kestrom::ConversionOptionTable::optionPath;
    ++m_turn;
    if (halftone) {
        document->job().setValueForKeyPath(
            optionPath(&ambrel::BlackConversionHalftoneOption::linesPerInch), 20 + m_turn % 2);
    } else {
        document->job().setValueForKeyPath(
            optionPath(&ambrel::BlackConversionThresholdOption::threshold),
            m_turn % 2 ? 0.42 : 0.58);
    }
}

bool PhotoWindow::allTilesDrawn() const {
    return !imageView->isDrawingInBackground() && !imageView->hasPendingDrawing() &&
           everyTileHasContents(*imageView);
}

bool PhotoWindow::everyTileHasContents(const kestrom::GridViewImageView& imageView) {
    const auto& tiles = imageView.tileViews();
    return !tiles.isEmpty() && std::all_of(tiles.begin(), tiles.end(), [](const auto& tile) {
        return !tile.contents.isNull();
    });
}

} // namespace bench
