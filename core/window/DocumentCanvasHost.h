#pragma once

#include "core/canvas/GridViewDocumentDelegate.h"
#include "platform/Observation.h"

#include <QWidget>

#include <vector>

class QVBoxLayout;

namespace kestrom {

class CanvasInfoViewController;
class GridView;
class PrintDocument;

// The window's main content: the canvas information line above the canvas.
// Until the canvas has a controller of its own, this host hands the canvas
// the document's values and the canvas's drags back to the document.
class DocumentCanvasHost : public QWidget {
    Q_OBJECT
public:
    explicit DocumentCanvasHost(CanvasInfoViewController* canvasInfo, QWidget* parent = nullptr);
    ~DocumentCanvasHost() override;

    GridView* gridView() const { return m_gridView; }
    CanvasInfoViewController* canvasInfoViewController() const { return m_canvasInfo; }
    // Held weakly: replace it (or pass null) before the document goes.
    void setDocument(PrintDocument* document);

private:
    void sync();

    CanvasInfoViewController* m_canvasInfo;
    GridView* m_gridView;
    GridViewDocumentDelegate m_editor;
    PrintDocument* m_document = nullptr;
    std::vector<platform::Observation> m_observations;
};

} // namespace kestrom
