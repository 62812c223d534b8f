#include "core/inspector/InspectorPaneViewController_Image.h"

#include "core/canvas/preview/PreviewGeometry.h"
#include "core/canvas/preview/PreviewTileRenderer.h"
#include "core/document/application/DocumentActions.h"
#include "core/document/job/DocumentKey.h"
#include "core/document/job/KestromText.h"
#include "core/document/job/PrintDocument.h"
#include "core/inspector/InspectorFileDropDestinationBox.h"
#include "core/inspector/InspectorPaneLayout.h"
#include "core/inspector/PictureThumbnailQueue.h"
#include "core/inspector/PrintDocumentInspectorAdapter.h"
#include "core/inspector/ThemeIcons.h"
#include "platform/MainThread.h"
#include "platform/WorkQueue.h"

#include "platform/Error.h"
#include "platform/Log.h"
#include "platform/MainThread.h"
#include "platform/TemporaryDirectory.h"
#include "platform/graphics/GraphicsContext.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QDrag>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QUuid>

namespace kestrom {

namespace {

// The worker that makes the small picture from the print's dots.
struct PrintedThumbnailQueueDescription {
    static platform::WorkQueue::Options options() {
        // Below the canvas's tiles, which the user watches.
        return {.name = QStringLiteral("InspectorPrintedThumbnailQueue"),
                .maxThreadCount = 1,
                .priority = QThread::LowPriority,
                .keepsIdleThreads = false,
                .dropsQueuedWorkAtExit = true};
    }
};

QToolButton* makeToolButton(ThemeIcons::Name iconName, const QString& fallback,
                            const QString& toolTipKey, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setIcon(ThemeIcons::icon(iconName));
    if (button->icon().isNull()) {
        button->setText(fallback);
    }
    button->setToolTip(KestromText::text(toolTipKey));
    button->setAccessibleName(button->toolTip());
    return button;
}

} // namespace

InspectorPaneViewController_Image::InspectorPaneViewController_Image(QWidget* parent)
    : InspectorPaneViewController(parent) {
    setObjectName(QStringLiteral("Image"));
    m_printedPictureTimer.setSingleShot(true);
    m_printedPictureTimer.setInterval(150);
    connect(&m_printedPictureTimer, &QTimer::timeout, this,
            &InspectorPaneViewController_Image::makePrintedPicture);
    auto* grid = InspectorPaneLayout::makeGrid(this, QString());
    m_titleLabel = new QLabel(KestromText::text(QStringLiteral("Inspector_Image_Title")), this);
    QFont bold = m_titleLabel->font();
    bold.setBold(true);
    m_titleLabel->setFont(bold);
    grid->addWidget(m_titleLabel, 0, 0, 1, 4);
    m_box = new InspectorFileDropDestinationBox(this);
    m_box->setDelegate(this);
    grid->addWidget(m_box, 1, 0, 1, 4);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    m_chooseImageButton =
        new QPushButton(KestromText::text(QStringLiteral("Inspector_Image_Choose")), this);
    m_rotateLeft = makeToolButton(ThemeIcons::Name::rotateLeft, QStringLiteral("⟲"),
                                  QStringLiteral("Inspector_Image_RotateLeft"), this);
    m_rotateRight = makeToolButton(ThemeIcons::Name::rotateRight, QStringLiteral("⟳"),
                                   QStringLiteral("Inspector_Image_RotateRight"), this);
    m_mirror = makeToolButton(ThemeIcons::Name::flipHorizontal, QStringLiteral("⇆"),
                              QStringLiteral("Inspector_Image_Mirror"), this);
    m_mirror->setCheckable(true);
    buttons->addWidget(m_chooseImageButton, 1);
    buttons->addWidget(m_rotateLeft);
    buttons->addWidget(m_rotateRight);
    buttons->addWidget(m_mirror);
    grid->addLayout(buttons, 2, 0, 1, 4);

    connect(m_chooseImageButton, &QPushButton::clicked, this,
            [this] { chooseImage(QApplication::keyboardModifiers()); });
    connect(m_rotateLeft, &QToolButton::clicked, this, [this] {
        if (document()) {
            DocumentActions::rotateLeft(*document());
        }
    });
    connect(m_rotateRight, &QToolButton::clicked, this, [this] {
        if (document()) {
            DocumentActions::rotateRight(*document());
        }
    });
    connect(m_mirror, &QToolButton::clicked, this, [this](bool mirrored) {
        if (document() && document()->originalImage()) {
            document()->setFlipsImageHorizontal(mirrored);
        }
        showPicture();
    });
    documentDidChange();
}

InspectorPaneViewController_Image::~InspectorPaneViewController_Image() {
    if (m_filteredWindow) {
        m_filteredWindow->removeEventFilter(this);
    }
}

bool InspectorPaneViewController_Image::chooseButtonTakesReturn() const {
    return !document() || !document()->originalImage();
}

void InspectorPaneViewController_Image::chooseImage(Qt::KeyboardModifiers modifiers) {
    if (!document()) {
        return;
    }
    if ((modifiers & Qt::ControlModifier) && document()->originalImage()) {
        const QUrl url = document()->originalImage()->fileURL();
        if (url.isLocalFile() && QFileInfo::exists(url.toLocalFile())) {
            revealInFileManager(url.toLocalFile());
        } else {
            QApplication::beep();
        }
        return;
    }
    documentAdapter()->presentImageOpenPanel();
}

void InspectorPaneViewController_Image::revealInFileManager(const QString& path) {
    // The desktop's file manager selects the file; without one, its folder opens.
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 3000);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
    }
}

QMimeData* InspectorPaneViewController_Image::makeDragData() const {
    const auto& image = document() ? document()->originalImage() : nullptr;
    if (!image) {
        return nullptr;
    }
    const QFileInfo file(image->fileURL().path());
    if (file.completeBaseName().isEmpty() || file.suffix().isEmpty()) {
        return nullptr;
    }
    try {
        // A folder of its own per drag, so the file keeps the picture's name.
        const QString folder = platform::TemporaryDirectory::pathForApplicationTemporaryDirectory(
            QStringLiteral("drag/") + QUuid::createUuid().toString(QUuid::WithoutBraces));
        platform::TemporaryDirectory::createDirectory(folder);
        const QString path =
            platform::TemporaryDirectory::writeNewFile(folder, file.fileName(), image->data());
        auto* data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(path)});
        return data;
    } catch (const platform::Error& error) {
        platform::Log::line(QStringLiteral("Inspector: the picture cannot be dragged out: %1")
                                .arg(error.localizedDescription()));
        return nullptr;
    }
}

void InspectorPaneViewController_Image::dragPictureOut() {
    QMimeData* data = makeDragData();
    if (!data) {
        return;
    }
    auto* drag = new QDrag(m_box);
    drag->setMimeData(data);
    if (const QPixmap picture = m_box->pictureView()->pixmap(); !picture.isNull()) {
        drag->setPixmap(picture.scaled(48, 48, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    // The application's own wells refuse it: it has a source here.
    drag->exec(Qt::CopyAction);
}

void InspectorPaneViewController_Image::documentDidChange() {
    showPicture();
    updateChooseButton();
}

void InspectorPaneViewController_Image::observeDocument(PrintDocument&) {
    observe(DocumentKey::originalImage, [this] {
        showPicture();
        updateChooseButton();
    });
    observe(DocumentKey::inViewingMode, [this] { updateChooseButton(); });
    for (const QString& key :
         {DocumentKey::imageOrientation, DocumentKey::flipsImageHorizontal,
          DocumentKey::imageOriginalSizeDescription, DocumentKey::deviceDescriptor}) {
        observe(key, [this] { showPicture(); });
    }
    // These change the dots the print makes, not the picture.
    for (const QString& key :
         {DocumentKey::currentBlackConversion, DocumentKey::imageSize_px, DocumentKey::canvas}) {
        observe(key, [this] { showPrintedPicture(); });
    }
}

std::function<QImage()> InspectorPaneViewController_Image::printedThumbnailMaker(
    const PrintDocument& document, const QSize& size, std::function<bool()> wanted) {
    const auto& image = document.originalImage();
    const auto& model = document.deviceDescriptor();
    if (!image || !model || !document.canvas() || size.isEmpty() ||
        model->colorAbility() == ambrel::ColorAbility::fullColor) {
        return {};
    }
    const auto geometry = PreviewGeometry::make(document.originalImageDrawingOptions(),
                                                document.canvas()->size_mm(), model->dpi());
    if (!geometry) {
        return {};
    }
    const auto conversion = document.currentBlackConversion()->blackConversion();
    const auto info = model->additionalInfos().valueOrDefault<quenta::DeviceBlackConversionInfo>();
    // Held weakly until it runs: a picture replaced meanwhile is not drawn,
    // nor kept while the work waits.
    return [picture = std::weak_ptr(image), conversion, info, geometry = *geometry, size,
            wanted = std::move(wanted)] {
        const auto image = picture.lock();
        if (!image) {
            return QImage();
        }
        // The whole picture's pixels first (a picture still being decoded
        // is drawn once they are there).
        try {
            return PreviewTileRenderer::renderWhole(*image, conversion, info, geometry, size,
                                                    wanted);
        } catch (const platform::Error&) {
            return QImage(); // a page that cannot be drawn: the canvas says why
        }
    };
}

QImage InspectorPaneViewController_Image::originalImageThumbnail(const PrintDocument& document,
                                                                 const QSize& maximumSize) {
    return thumbnail(document.originalImage(), document.imageOrientation(),
                     document.flipsImageHorizontal(), maximumSize);
}

QSize InspectorPaneViewController_Image::thumbnailSize(const ambrel::OriginalImage::Pointer& image,
                                                       ambrel::ImageRotation orientation,
                                                       const QSize& maximumSize) {
    if (!image || maximumSize.isEmpty() || !(image->widthPerHeight() > 0)) {
        return {};
    }
    const bool turned = orientation.isWidthHeightFlipped();
    const double ratio = turned ? 1 / image->widthPerHeight() : image->widthPerHeight();
    QSizeF size(maximumSize.width(), maximumSize.width() / ratio);
    if (size.height() > maximumSize.height()) {
        size = QSizeF(maximumSize.height() * ratio, maximumSize.height());
    }
    return QSize(qMax(1, qRound(size.width())), qMax(1, qRound(size.height())));
}

QImage InspectorPaneViewController_Image::thumbnail(const ambrel::OriginalImage::Pointer& image,
                                                    ambrel::ImageRotation orientation,
                                                    bool flipHorizontal, const QSize& maximumSize) {
    const QSize size = thumbnailSize(image, orientation, maximumSize);
    if (size.isEmpty()) {
        return {};
    }
    QImage thumbnail(size, QImage::Format_ARGB32_Premultiplied);
    if (thumbnail.isNull()) {
        return {}; // no memory for it: the well stays empty
    }
    thumbnail.fill(Qt::white);
    QPainter painter(&thumbnail);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    platform::GraphicsContext context(painter, thumbnail.size());
    // The document's turns are clockwise as seen on the canvas, whose y runs
    // down; in this y-up context the same turn is the reverse one.
    try {
        image->drawOnScreen(QRectF(QPointF(0, 0), thumbnail.size()), orientation.reversed(),
                            flipHorizontal, context, false);
    } catch (const platform::Error&) {
        return {}; // a page that cannot be drawn: the canvas says why
    }
    return thumbnail;
}

void InspectorPaneViewController_Image::showPrintedPicture() {
    // A moment after the last change: a burst of changes (a slider's drag,
    // a script's loads) makes it once, after the canvas's tiles.
    m_latestPrintedThumbnail->store(++m_printedThumbnailRequest);
    m_printedPictureTimer.start();
}

void InspectorPaneViewController_Image::makePrintedPicture() {
    // Then, as the canvas does, the dots the print makes of the picture.
    const quint64 request = ++m_printedThumbnailRequest;
    m_latestPrintedThumbnail->store(request);
    if (!document() || m_pictureSize.isEmpty()) {
        return;
    }
    // A newer picture, or the same one changed, makes this one unwanted.
    const auto wanted = [latest = m_latestPrintedThumbnail, request] {
        return latest->load() == request;
    };
    if (auto make = printedThumbnailMaker(*document(), m_pictureSize, wanted)) {
        platform::SharedWorkQueue<PrintedThumbnailQueueDescription>::run(
            [make = std::move(make), request, latest = m_latestPrintedThumbnail,
             pane = QPointer(this)] {
                if (latest->load() != request) {
                    return; // a newer one is asked for
                }
                const QImage printed = make();
                platform::MainThread::post([printed, request, pane] {
                    if (pane && pane->m_printedThumbnailRequest == request && !printed.isNull()) {
                        pane->m_showsPrintedPicture = true;
                        pane->m_box->pictureView()->setPixmap(QPixmap::fromImage(printed));
                        emit pane->printedThumbnailShown();
                    }
                });
            });
    }
}

void InspectorPaneViewController_Image::showPicture() {
    const auto& image = document() ? document()->originalImage() : nullptr;
    const bool hasPicture = image != nullptr;
    const quint64 request = ++*m_thumbnailRequest;
    if (hasPicture) {
        const QSize room = m_box->pictureView()->size().boundedTo(QSize(400, 200));
        const QSize bound = room.isEmpty() ? QSize(120, 72) : room - QSize(4, 4);
        m_pictureSize = thumbnailSize(image, document()->imageOrientation(), bound);
        m_showsPrintedPicture = false;
        // Drawn behind the window: the picture may still be decoding, and a
        // page is rendered. The well keeps what it showed until then. Work
        // not yet begun holds the picture weakly: a burst of loads does not
        // keep every replaced picture's pixels until its turn comes.
        std::weak_ptr<std::atomic<quint64>> current = m_thumbnailRequest;
        PictureThumbnailQueue::run([picture = std::weak_ptr(image),
                                    orientation = document()->imageOrientation(),
                                    flip = document()->flipsImageHorizontal(), bound, request,
                                    current, pane = QPointer(this)] {
            const auto isCurrent = [current, request] {
                const auto latest = current.lock();
                return latest && *latest == request;
            };
            const auto image = picture.lock();
            if (!image || !isCurrent()) {
                return;
            }
            QImage drawn = thumbnail(image, orientation, flip, bound);
            platform::MainThread::post([drawn = std::move(drawn), isCurrent, pane] {
                if (pane && isCurrent() && !pane->m_showsPrintedPicture) {
                    pane->m_box->pictureView()->setPixmap(QPixmap::fromImage(drawn));
                }
            });
        });
        showPrintedPicture();
        const QFileInfo file(image->fileURL().path());
        m_box->nameLabel()->setText(file.fileName());
        m_box->sizeLabel()->setText(document()->imageOriginalSizeDescription());
        m_mirror->setChecked(document()->flipsImageHorizontal());
    } else {
        m_latestPrintedThumbnail->store(++m_printedThumbnailRequest);
        m_printedPictureTimer.stop();
        m_pictureSize = QSize();
        m_box->pictureView()->clear();
        m_box->pictureView()->setText(
            KestromText::text(QStringLiteral("Inspector_Image_DropHint")));
        m_box->nameLabel()->clear();
        m_box->sizeLabel()->clear();
        m_mirror->setChecked(false);
    }
    m_box->nameLabel()->setVisible(hasPicture);
    m_box->sizeLabel()->setVisible(hasPicture);
    m_rotateLeft->setEnabled(hasPicture);
    m_rotateRight->setEnabled(hasPicture);
    m_mirror->setEnabled(hasPicture);
}

void InspectorPaneViewController_Image::updateChooseButton() {
    m_chooseImageButton->setEnabled(document() && !document()->inViewingMode());
    m_chooseImageButton->setDefault(chooseButtonTakesReturn());
}

bool InspectorPaneViewController_Image::eventFilter(QObject* watched, QEvent* event) {
    // Return that no control of the window took presses the choose button
    // while there is no picture, as a dialog's default button would.
    if (watched == m_filteredWindow && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const QWidget* focus = QApplication::focusWidget();
        const bool textControl = qobject_cast<const QLineEdit*>(focus) ||
                                 qobject_cast<const QAbstractSpinBox*>(focus) ||
                                 qobject_cast<const QComboBox*>(focus);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers() == Qt::NoModifier && !textControl && isVisible() &&
            chooseButtonTakesReturn() && m_chooseImageButton->isEnabled()) {
            m_chooseImageButton->click();
            return true;
        }
    }
    return InspectorPaneViewController::eventFilter(watched, event);
}

void InspectorPaneViewController_Image::showEvent(QShowEvent* event) {
    InspectorPaneViewController::showEvent(event);
    if (window() != m_filteredWindow) {
        if (m_filteredWindow) {
            m_filteredWindow->removeEventFilter(this);
        }
        m_filteredWindow = window();
        m_filteredWindow->installEventFilter(this);
    }
    showPicture();
}

void InspectorPaneViewController_Image::resizeEvent(QResizeEvent* event) {
    InspectorPaneViewController::resizeEvent(event);
    showPicture();
}

} // namespace kestrom
