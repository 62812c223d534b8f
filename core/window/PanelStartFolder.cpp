#include "core/window/PanelStartFolder.h"

#include "core/document/application/ImageImport.h"
#include "core/document/application/PrintJobDocument.h"

#include <QDir>
#include <QFileInfo>

namespace kestrom {

namespace {

QString existingFolderOf(const QString& path) {
    const QString folder = QFileInfo(QDir::cleanPath(path)).absolutePath();
    return QFileInfo(folder).isDir() ? folder : QString();
}

} // namespace

QString PanelStartFolder::of(const Document* document) {
    if (document && document->filePath()) {
        if (QString folder = existingFolderOf(*document->filePath()); !folder.isEmpty()) {
            return folder;
        }
    }
    const auto* job = qobject_cast<const PrintJobDocument*>(document);
    const auto& picture = job ? job->job().originalImage() : nullptr;
    // A pasted picture's file in a temporary folder gives no start.
    const auto location = picture && picture->fileURL().isLocalFile()
                              ? ImageImport::openPanelStartLocation(picture->fileURL())
                              : std::nullopt;
    if (location) {
        return QFileInfo(*location).isDir() ? *location : existingFolderOf(*location);
    }
    return QDir::homePath();
}

} // namespace kestrom
