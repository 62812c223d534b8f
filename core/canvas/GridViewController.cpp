#include "core/canvas/GridViewController.h"

#include "core/canvas/GridView.h"
#include "core/canvas/GridViewContainerLayout.h"
#include "core/canvas/GridViewContainerView.h"
#include "core/canvas/GridViewImageSelectionView.h"
#include "core/canvas/GridViewImageView.h"
#include "core/canvas/GridViewLayout.h"
#include "core/canvas/GridViewOverflownAreaView.h"
#include "core/document/application/ImageImport.h"
#include "core/document/job/DeviceSetting.h"
#include "core/document/job/DocumentKey.h"
#include "core/document/job/PrintDocument.h"
#include "imaging/print/ImageSplittable_px.h"
#include "platform/KeyValueBinding.h"
#include "platform/Progress.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace kestrom {

namespace {

struct Binding {
    const char* property;
    QString keyPath;
    bool negates = false;
};

// The canvas view's faces and the document keys they show; the placement
// follows "sequences" as one value.
const std::vector<Binding>& gridViewBindings() {
    static const std::vector<Binding> bindings{
        {"originalImage", DocumentKey::viewPath(DocumentKey::originalImage)},
        {"blackConversion", DocumentKey::viewPath(DocumentKey::currentBlackConversion)},
        {"canvasEnabled", DocumentKey::viewPath(DocumentKey::inViewingMode), true},
        {"colorAbility",
         DocumentKey::viewPath(DocumentKey::deviceDescriptor) + QStringLiteral(".colorAbility")},
    };
    return bindings;
}

const QString kDocument = QStringLiteral("document");

} // namespace

GridViewController::GridViewController(QObject* parent)
    : QObject(parent), m_view(new GridViewContainerView), m_gridView(new GridView(m_view.data())) {
    m_view->setDelegate(this);
    m_gridView->setDelegate(this);
    m_gridView->setBackgroundColor(QColor::fromRgbF(0.94f, 0.94f, 0.94f, 1.0f));
    // The container takes the drops, beside the canvas as well as on it.
    m_gridView->setAcceptDrops(false);
    m_gridView->viewport()->setAcceptDrops(false);
    m_gridView->setGeometry(m_view->rect());

    for (const Binding& b : gridViewBindings()) {
        platform::KeyValueBinding::bind(m_gridView, b.property, this, b.keyPath,
                                        b.negates ? platform::KeyValueBinding::Negate
                                                  : platform::KeyValueBinding::Transformer{});
    }
    platform::KeyValueBinding::bind(this, "canvas", this,
                                    DocumentKey::viewPath(DocumentKey::canvas));
    // The preview converts with the model's own information, as the print does.
    platform::KeyValueBinding::bind(this, "deviceDescriptor", this,
                                    DocumentKey::viewPath(DocumentKey::deviceDescriptor));
    m_gridView->setImageIsResizable(true);

    // Whatever moves the print's parts moves the picture too; a new
    // document is one such change.
    m_observations.push_back(
        observe(DocumentKey::viewPath(DocumentKey::sequences), [this](const auto&) {
            showImagePlacement();
            setNeedsUpdateSequences(true);
        }));
    // The preview is made from the dots the print lays for the picture's size.
    m_observations.push_back(observe(DocumentKey::viewPath(DocumentKey::imageSize_px),
                                     platform::Observable::Initial,
                                     [this](const auto&) { showPrintGeometry(); }));
    updateViewConstraints();
    updateAppearance();
}

GridViewController::~GridViewController() {
    m_observations.clear();
    platform::KeyValueBinding::unbind(this, "canvas");
    platform::KeyValueBinding::unbind(this, "deviceDescriptor");
    if (m_splittingProgress) {
        m_splittingProgress->cancel();
    }
    m_editor.setDocument(nullptr);
    if (m_view) {
        for (const Binding& b : gridViewBindings()) {
            platform::KeyValueBinding::unbind(m_gridView, b.property);
        }
        m_gridView->hideOffsetLines();
        m_gridView->setDelegate(nullptr);
        m_view->setDelegate(nullptr);
        delete m_view.data();
    }
}

std::optional<QSize>
GridViewController::pictureSizeShown(const DocumentSettings::Placement& placement,
                                     const QSizeF& view, double scale) {
    // As updateViewConstraints() and the canvas's layout place them.
    GridViewContainerLayout::Input container;
    container.viewSize = view;
    container.widthPerHeight = GridViewContainerLayout::widthPerHeight(placement.canvas_mm.width,
                                                                       placement.canvas_mm.height);
    GridViewLayout::Input input;
    input.bounds = GridViewContainerLayout::compute(container).gridView.size();
    input.scale = scale;
    input.model.printableSize_mm = placement.canvas_mm;
    input.model.imageSizeForDisplay_mm = placement.pictureShown_mm;
    input.model.imageOrientation = placement.orientation;
    input.model.hasPicture = true;
    const GridViewLayout::Result layout = GridViewLayout::compute(input);
    if (!layout.showsPicture || layout.imageRect_pt.isEmpty()) {
        return std::nullopt;
    }
    const QSizeF pixels = layout.imageRect_pt.size() * scale;
    const QSize shown(int(std::min(std::ceil(pixels.width()), 1e9)),
                      int(std::min(std::ceil(pixels.height()), 1e9)));
    return placement.orientation.isWidthHeightFlipped() ? shown.transposed() : shown;
}

GridViewContainerView* GridViewController::view() const {
    return m_view.data();
}

void GridViewController::setDocument(PrintDocument* document) {
    if (m_document == document) {
        return;
    }
    notifyChangingValue(kDocument, [&] {
        m_document = document;
        m_editor.setDocument(document);
    });
}

// MARK: canvas and model

// Without a document the canvas keeps its placement; it shows no picture.
void GridViewController::showImagePlacement() {
    if (m_document) {
        m_gridView->setImagePlacement(m_document->originalImageDrawingOptions(),
                                      m_document->imageSizeForDisplay_mm());
    }
    showPrintGeometry();
}

void GridViewController::showPrintGeometry() {
    std::optional<PreviewGeometry> geometry;
    if (m_document && m_document->deviceDescriptor() && m_document->canvas()) {
        geometry = PreviewGeometry::make(m_document->originalImageDrawingOptions(),
                                         m_document->canvas()->size_mm(),
                                         m_document->deviceDescriptor()->dpi());
    }
    m_gridView->imageView()->setPrintGeometry(geometry);
}

void GridViewController::setCanvas(const CanvasPointer& canvas) {
    const bool same = (!canvas && !m_canvas) || (canvas && m_canvas && *canvas == *m_canvas);
    m_canvas = canvas;
    if (same) {
        return;
    }
    m_gridView->setPrintableSize_mm(canvas ? canvas->size_mm() : ambrel::Size_mm{0, 0});
    updateViewConstraints();
    showPrintGeometry();
}

QVariant GridViewController::canvasValue() const {
    return m_canvas ? QVariant::fromValue(m_canvas) : QVariant();
}

void GridViewController::setCanvasValue(const QVariant& value) {
    setCanvas(value.value<CanvasPointer>());
}

void GridViewController::setDeviceDescriptor(const DescriptorPointer& descriptor) {
    if (descriptor == m_deviceDescriptor) {
        return;
    }
    m_deviceDescriptor = descriptor;
    std::optional<quenta::DeviceBlackConversionInfo> info;
    if (descriptor) {
        info = descriptor->additionalInfos().valueOrDefault<quenta::DeviceBlackConversionInfo>();
    }
    m_gridView->imageView()->setDeviceBlackConversionInfo(info);
    showPrintGeometry();
}

QVariant GridViewController::deviceDescriptorValue() const {
    return m_deviceDescriptor ? QVariant::fromValue(m_deviceDescriptor) : QVariant();
}

void GridViewController::setDeviceDescriptorValue(const QVariant& value) {
    setDeviceDescriptor(value.value<DescriptorPointer>());
}

// MARK: layout

void GridViewController::setTopAccessoryView(QWidget* view) {
    if (view == m_topAccessoryView || !m_view) {
        return;
    }
    if (m_topAccessoryView) {
        m_topAccessoryView->removeEventFilter(this);
        m_topAccessoryView->hide();
        m_topAccessoryView->setParent(nullptr);
    }
    m_topAccessoryView = view;
    if (view) {
        view->setParent(m_view.data());
        // A new text or a control shown in it changes its size: lay out again.
        view->installEventFilter(this);
        view->show();
        view->raise();
        // Over the accessory the pointer is the plain arrow, whatever the
        // canvas below asks for.
        view->setCursor(Qt::ArrowCursor);
    }
    updateViewConstraints();
}

bool GridViewController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_topAccessoryView && event->type() == QEvent::LayoutRequest) {
        setNeedsUpdateConstraints();
    }
    return QObject::eventFilter(watched, event);
}

void GridViewController::setTopAccessoryViewMargin(const QMarginsF& margin) {
    if (margin != m_topAccessoryViewMargin) {
        m_topAccessoryViewMargin = margin;
        setNeedsUpdateConstraints();
    }
}

void GridViewController::setGridViewMargin(const QMarginsF& margin) {
    if (margin != m_gridViewMargin) {
        m_gridViewMargin = margin;
        setNeedsUpdateConstraints();
    }
}

void GridViewController::setNeedsUpdateConstraints() {
    if (m_needsUpdateConstraints) {
        return;
    }
    m_needsUpdateConstraints = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_needsUpdateConstraints)
                updateViewConstraints();
        },
        Qt::QueuedConnection);
}

void GridViewController::updateViewConstraints() {
    m_needsUpdateConstraints = false;
    if (!m_view) {
        return;
    }
    m_widthPerHeight = m_canvas ? GridViewContainerLayout::widthPerHeight(
                                      m_canvas->size_mm().width, m_canvas->size_mm().height)
                                : 1.0;
    GridViewContainerLayout::Input input;
    input.viewSize = m_view->size();
    input.widthPerHeight = m_widthPerHeight;
    input.gridViewMargin = m_gridViewMargin;
    input.topAccessoryViewMargin = m_topAccessoryViewMargin;
    if (m_topAccessoryView) {
        input.topAccessorySize = QSizeF(m_topAccessoryView->sizeHint());
    }
    const GridViewContainerLayout::Result result = GridViewContainerLayout::compute(input);
    // The canvas view covers the whole container, so that shadows, the frame
    // and the selection may reach into the margins; the canvas lies where the
    // layout puts it.
    m_gridView->setGeometry(m_view->rect());
    m_gridView->setCanvasRect(result.gridView);
    if (m_topAccessoryView && result.topAccessory) {
        m_topAccessoryView->setGeometry(result.topAccessory->toAlignedRect());
    }
}

void GridViewController::updateAppearance() {
    if (!m_view) {
        return;
    }
    QPalette light = m_gridView->palette();
    light.setColor(QPalette::Window, QColor(236, 236, 236));
    light.setColor(QPalette::WindowText, Qt::black);
    light.setColor(QPalette::Base, Qt::white);
    light.setColor(QPalette::Text, Qt::black);
    m_gridView->setPalette(light);
    // After the window's palette reached the canvas view, which judges by
    // its own light one.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_view) {
                m_gridView->overflownAreaView()->setDark(
                    m_view->palette().color(QPalette::Window).lightness() < 128);
            }
        },
        Qt::QueuedConnection);
}

// MARK: editing

bool GridViewController::acceptsDragOperation(const QMimeData* data, bool hasDraggingSource) const {
    if (!m_document || !m_import) {
        return false;
    }
    return m_import->acceptsImageDragOperation({data, hasDraggingSource});
}

bool GridViewController::performDragOperation(const QMimeData* data, bool hasDraggingSource) {
    if (!m_document || !m_import) {
        return false;
    }
    // Loads in the background; the drop is done at once.
    m_import->performImageDragOperation({data, hasDraggingSource});
    return true;
}

void GridViewController::deleteBackward() {
    if (m_document) {
        try {
            ImageImport::applyOriginalImage(*m_document, nullptr, m_document->originalImage());
        } catch (const platform::Error&) {
        }
    }
    QTimer::singleShot(0, m_view.data(), [view = QPointer<QWidget>(m_view.data())] {
        if (view && view->window()) {
            if (QWidget* focus = view->window()->focusWidget()) {
                focus->clearFocus();
            }
        }
    });
}

void GridViewController::nudge(double dx, double dy) {
    if (!m_document) {
        return;
    }
    const ambrel::OffsetBase anchor = m_gridView->offsetBase();
    const ambrel::Point_mm old = m_document->imageOffset_mm();
    const double x =
        old.x +
        (anchor.horizontalPosition == ambrel::OffsetBase::HorizontalPosition::right ? -dx : dx);
    const double y =
        old.y + (anchor.verticalPosition == ambrel::OffsetBase::VerticalPosition::top ? -dy : dy);
    m_document->setImageOffset_mm({x, y});
    m_gridView->showOffsetLinesTemporarily();
}

bool GridViewController::respondsToCancelOperation() const {
    return m_gridView->imageSelectionView()->isSelected();
}

void GridViewController::cancelOperation() {
    m_gridView->deselectImage();
}

// MARK: canvas drags

void GridViewController::gridViewWillBeginResizingOperation(GridView& gridView) {
    m_editor.gridViewWillBeginResizingOperation(gridView);
}

void GridViewController::gridViewChangeImageSizeWithMaxSize_mm(GridView& gridView,
                                                               const ambrel::Size_mm& maxSize) {
    m_editor.gridViewChangeImageSizeWithMaxSize_mm(gridView, maxSize);
}

void GridViewController::gridViewChangeImageOffset_mm(GridView& gridView,
                                                      const ambrel::Point_mm& offset) {
    m_editor.gridViewChangeImageOffset_mm(gridView, offset);
}

void GridViewController::gridViewDidEndResizingOperation(GridView& gridView) {
    m_editor.gridViewDidEndResizingOperation(gridView);
}

// MARK: print-sequence outlines

void GridViewController::setShowsSequences(bool shows) {
    if (shows == m_showsSequences) {
        return;
    }
    m_showsSequences = shows;
    if (!shows) {
        m_gridView->setSplittedImageSourceRects_mm({});
        if (m_splittingProgress) {
            m_splittingProgress->cancel();
        }
        m_splittingProgress.reset();
        m_splittingToken.reset();
        m_splitAgain = false;
        return;
    }
    m_gridView->deselectImage();
    m_gridView->setSplittedImageSourceRects_mm({});
    if (!m_splittingProgress) {
        startNew(false);
    }
}

void GridViewController::setNeedsUpdateSequences(bool discardsCurrentOperation) {
    if (!m_showsSequences) {
        return;
    }
    m_gridView->setSplittedImageSourceRects_mm({});
    if (!m_splittingProgress) {
        startNew(false);
    } else if (!m_splitAgain && discardsCurrentOperation) {
        m_splittingProgress->cancel();
        m_splittingProgress.reset();
        m_splittingToken.reset();
        m_splitAgain = true;
    }
}

void GridViewController::startNew(bool isAgain) {
    const Token token = std::make_shared<int>(0);
    m_splittingToken = token;
    if (!m_document) {
        m_splittingProgress.reset();
        return;
    }
    // The document answers at once with no areas when it cannot split, or
    // later on the main thread, after the progress below is stored.
    QPointer<GridViewController> self(this);
    m_splittingProgress = m_document->getSplittedSequenceAreas_mm(
        isAgain, [self, token](const quenta::ImageSplittable_px::SequenceAreas& areas) {
            if (self) {
                self->sequenceSplittingOperationDidEnd(areas, token);
            }
        });
}

void GridViewController::sequenceSplittingOperationDidEnd(
    const std::optional<QList<QRectF>>& rects_mm, const Token& token) {
    if (m_splittingToken && m_splittingToken == token) {
        if (rects_mm) {
            QList<ambrel::Rect_mm> rects;
            for (const QRectF& r : *rects_mm) {
                rects.append(ambrel::Rect_mm::fromQRectF(r));
            }
            m_gridView->setSplittedImageSourceRects_mm(rects);
        }
        m_splittingToken.reset();
        m_splittingProgress.reset();
    }
    if (m_splitAgain) {
        m_splitAgain = false;
        startNew(true);
    }
}

// MARK: key-value faces

QVariant GridViewController::valueForKey(const QString& key) const {
    // The document's own keys, as the canvas holds them.
    if (key == DocumentKey::canvas) {
        return canvasValue();
    }
    if (key == DocumentKey::deviceDescriptor) {
        return deviceDescriptorValue();
    }
    if (key == QLatin1String("showsSequences")) {
        return m_showsSequences;
    }
    return Observable::valueForKey(key);
}

void GridViewController::setValueForKey(const QString& key, const QVariant& value) {
    if (key == QLatin1String("showsSequences")) {
        return setShowsSequences(value.toBool());
    }
    Observable::setValueForKey(key, value);
}

platform::Observable* GridViewController::objectForKey(const QString& key) const {
    return key == kDocument ? m_document : nullptr;
}

} // namespace kestrom
