#pragma once

#include "core/document/application/ImageImport.h"
#include "core/document/job/PrintDocument.h"
#include "core/document/package/DocumentWorkQueue.h"
#include "core/inspector/InspectorAnimations.h"
#include "core/inspector/InspectorNumberTextField.h"
#include "core/inspector/InspectorPaneRegistry.h"
#include "core/inspector/InspectorPaneViewController.h"
#include "core/inspector/PictureThumbnailQueue.h"
#include "core/inspector/PrintDocumentInspectorAdapter.h"
#include "core/inspector/tests/QuietWindow.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "platform/MainThread.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"

#include <QBuffer>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace kestrom::test {

// A model decoded from a description with the given extra keys.
inline std::shared_ptr<const ambrel::DeviceDescriptor> model(const QByteArray& extra = {},
                                                             int dpi = 300) {
    QByteArray json = R"([{"modelName": "M1", "displayName": "Model", "printerType": "test",
        "canvases": [{"identifier": "A4", "size_mm": {"width": 297, "height": 210}}],
        "dpi": )" + QByteArray::number(dpi) +
                      R"(, "headDotCount": 600,
        "offsetBases": ["topLeft", "top", "center", "bottomRight"])";
    if (!extra.isEmpty()) {
        json += ", " + extra;
    }
    json += "}]";
    return ambrel::DeviceDescriptor::deviceDescriptors(
               json, platform::Bundle::named(QStringLiteral("InspectorTestPlugin")))
        .front();
}

inline const QByteArray printerOptions =
    R"("parameterProperties": [{"type": "number", "identifier": "speed", "pane": "PrinterOptions",
        "minValue": 1, "maxValue": 9}])";

// The print document the panes show, with what the window adds: a quiet
// window that counts the open panels and errors, the picture import, and a
// print action that counts. By default it has a 254 dpi model (10 px per mm)
// and a 1000 × 500 px picture "/nowhere/logo.png" (100 × 50 mm) at
// (10, 20) mm from the top left, with nothing to undo.
class PaneDocument {
public:
    explicit PaneDocument(
        std::shared_ptr<const ambrel::DeviceDescriptor> device = model(QByteArray(), 254)) {
        EXPECT_TRUE(m_folder.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_folder.path()));
        platform::UserDefaults::setStandardFilePath(m_folder.filePath(QStringLiteral("d.plist")));
        m_document = std::make_unique<PrintDocument>();
        m_document->setDeviceDescriptor(std::move(device));
        m_document->setOriginalImage(picture(1000, 500, logoURL));
        m_document->setImageSize_px({1000, 500});
        m_document->setImageOffsetBase(ambrel::OffsetBase::topLeft);
        m_document->setImageOffset_mm({10, 20});
        settle();
        m_document->undoManager()->removeAllActions();
        m_adapter = std::make_unique<PrintDocumentInspectorAdapter>(*m_document);
        m_adapter->setImageImport(std::make_shared<ImageImport>(*m_document, window));
        m_adapter->setPrintAction([this] { ++prints; });
    }

    PrintDocument& operator*() const { return *m_document; }
    PrintDocument* operator->() const { return m_document.get(); }
    PrintDocumentInspectorAdapter* adapter() const { return m_adapter.get(); }
    platform::UndoManager& undo() const { return *m_document->undoManager(); }
    QString folder() const { return m_folder.path(); }

    // Background imports finish and reach the document; the event's undo
    // group closes.
    static void settle() {
        DocumentWorkQueue::waitForDone();
        platform::MainThread::drain();
        // The inspector's small picture is drawn behind the new picture.
        PictureThumbnailQueue::waitForDone();
        platform::MainThread::drain();
        QCoreApplication::processEvents();
    }
    void undoAll() {
        settle();
        while (undo().canUndo()) {
            undo().undo();
        }
    }

    // A gray PNG picture of the given size, read from the URL.
    static ambrel::OriginalImage::Pointer picture(int width, int height, const QUrl& url) {
        return ambrel::OriginalImage::fromData(pngBytes(width, height), url);
    }
    static QByteArray pngBytes(int width, int height) {
        QImage image(width, height, QImage::Format_Grayscale8);
        image.fill(128);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return png;
    }
    // A PNG file in the document's folder.
    QString pngFile(const QString& name, int width = 40, int height = 20) const {
        const QString path = m_folder.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(pngBytes(width, height));
        return path;
    }

    inline static const QUrl logoURL = QUrl::fromLocalFile(QStringLiteral("/nowhere/logo.png"));
    std::shared_ptr<QuietWindow> window = std::make_shared<QuietWindow>();
    int prints = 0;

private:
    QTemporaryDir m_folder;
    std::unique_ptr<PrintDocument> m_document;
    std::unique_ptr<PrintDocumentInspectorAdapter> m_adapter;
};

// Focuses the field (its window shown and active) and types into it.
inline void typeInto(InspectorNumberTextField* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
}

inline void typeAndReturn(InspectorNumberTextField* field, const QString& text) {
    typeInto(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}

inline void showAndActivate(QWidget* window) {
    window->show();
    window->activateWindow();
    (void)QTest::qWaitForWindowActive(window);
}

// A stand-in pane for pages whose real pane lives elsewhere.
inline void registerStandInPanes(const QStringList& identifiers) {
    for (const QString& id : identifiers) {
        if (!InspectorPaneRegistry::shared().contains(id)) {
            InspectorPaneRegistry::shared().registerPane(id, [id] {
                auto* pane = new InspectorPaneViewController;
                pane->setObjectName(id);
                pane->setMinimumHeight(40);
                return pane;
            });
        }
    }
}

} // namespace kestrom::test
