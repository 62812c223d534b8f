#include "core/window/DocumentCanvasHost.h"

#include "core/canvas/GridView.h"
#include "core/document/PrintDocument.h"
#include "core/inspector/CanvasInfoViewController.h"

#include <QVBoxLayout>

namespace kestrom {

DocumentCanvasHost::DocumentCanvasHost(CanvasInfoViewController* canvasInfo, QWidget* parent)
    : QWidget(parent), m_canvasInfo(canvasInfo), m_gridView(new GridView(this)) {
    setObjectName(QStringLiteral("MainContent"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_canvasInfo->setParent(this);
    m_canvasInfo->setContentsMargins(0, 8, 0, 8);
    layout->addWidget(m_canvasInfo);
    layout->addWidget(m_gridView, 1);
    m_gridView->setImageIsResizable(true);
    m_gridView->setDelegate(&m_editor);
}

DocumentCanvasHost::~DocumentCanvasHost() {
    m_observations.clear();
    m_gridView->setDelegate(nullptr);
}

void DocumentCanvasHost::setDocument(PrintDocument* document) {
    m_observations.clear();
    m_document = document;
    m_editor.setDocument(document);
    if (!document) {
        m_gridView->setOriginalImage(nullptr);
        return;
    }
    for (const char* key :
         {"originalImage", "imageOffset_mm", "imageOffsetBase", "imageOrientation",
          "flipsImageHorizontal", "canvas", "deviceDescriptor", "imageSizeForDisplay_mm",
          "imageRepeatXCount", "imageRepeatYCount", "imageRepeatXMargin_mm",
          "imageRepeatYMargin_mm", "inViewingMode"}) {
        m_observations.push_back(document->observe(QString::fromLatin1(key),
                                                   platform::Observable::New,
                                                   [this](const platform::KeyValueChange&) {
                                                       sync();
                                                   }));
    }
    sync();
}

void DocumentCanvasHost::sync() {
    if (!m_document) {
        return;
    }
    const PrintDocument& d = *m_document;
    if (d.canvas()) {
        m_gridView->setPrintableSize_mm(d.canvas()->size_mm());
    }
    if (d.deviceDescriptor()) {
        m_gridView->setColorAbility(d.deviceDescriptor()->valueForKey(QStringLiteral("colorAbility")).toString());
    }
    m_gridView->setImageOffsetBase(d.imageOffsetBase().rawValue());
    m_gridView->setImageOrientation(d.imageOrientation().rawValue());
    m_gridView->setFlipsImage(d.flipsImageHorizontal());
    m_gridView->setImageRepeatXCount(d.imageRepeatXCount());
    m_gridView->setImageRepeatYCount(d.imageRepeatYCount());
    m_gridView->setImageRepeatXMargin_mm(d.imageRepeatXMargin_mm());
    m_gridView->setImageRepeatYMargin_mm(d.imageRepeatYMargin_mm());
    m_gridView->setImageSizeForDisplay_mm(d.imageSizeForDisplay_mm());
    m_gridView->setImageOffset_mm(d.imageOffset_mm());
    if (m_gridView->originalImage() != d.originalImage()) {
        m_gridView->setOriginalImage(d.originalImage());
    }
    m_gridView->setCanvasEnabled(!d.inViewingMode());
}

} // namespace kestrom
