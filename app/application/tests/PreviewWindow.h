#pragma once

#include "core/launch/AppDelegate.h"

#include <QImage>
#include <QTemporaryDir>

namespace kestrom {
class DocumentWindow;
class GridViewImageView;
class PrintJobDocument;
} // namespace kestrom

// A new document's window of the program with the stencil plug-in, shown at
// 1400 x 900 with its defaults in a folder of its own, for the tests that
// look at its canvas beside the job its print makes.
class PreviewWindow {
public:
    PreviewWindow();
    PreviewWindow(const PreviewWindow&) = delete;
    PreviewWindow& operator=(const PreviewWindow&) = delete;

    // Both null when the window could not be made.
    kestrom::PrintJobDocument* document() const { return m_document; }
    kestrom::DocumentWindow* window() const { return m_window; }
    kestrom::GridViewImageView* pictureView() const;
    QString filePath(const QString& name) const { return m_folder.filePath(name); }

    // Whether the picture view shows its tiles, all from the print's dots.
    bool showsPrintedTiles() const;
    // The gray bitmap the document's print makes, converted, turned a
    // quarter as the device receives it.
    QImage printedBitmap() const;

private:
    QTemporaryDir m_folder;
    kestrom::AppDelegate m_delegate;
    kestrom::PrintJobDocument* m_document = nullptr;
    kestrom::DocumentWindow* m_window = nullptr;
};
