#pragma once

#include "core/inspector/InspectorPaneViewController.h"

#include "model/pictures/ImageRotation.h"
#include "model/pictures/OriginalImage.h"

#include <QImage>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>

class QLabel;
class QMimeData;
class QPushButton;
class QToolButton;

namespace kestrom {

class InspectorFileDropDestinationBox;

// Brings the picture into the document and lets it out again: the choose
// button (Return presses it while there is no picture), the picture well
// that takes drops, a drag of the picture out of the well as a file, and,
// with Ctrl held, the picture's file shown in the file manager instead of
// the open panel. Below the well the picture can be turned and mirrored.
class InspectorPaneViewController_Image : public InspectorPaneViewController {
    Q_OBJECT
public:
    explicit InspectorPaneViewController_Image(QWidget* parent = nullptr);
    ~InspectorPaneViewController_Image() override;

    QLabel* titleLabel() const { return m_titleLabel; }
    QPushButton* chooseImageButton() const { return m_chooseImageButton; }
    InspectorFileDropDestinationBox* box() const { return m_box; }
    QToolButton* rotateLeftButton() const { return m_rotateLeft; }
    QToolButton* rotateRightButton() const { return m_rotateRight; }
    QToolButton* mirrorButton() const { return m_mirror; }
    // Whether Return presses the choose button now.
    bool chooseButtonTakesReturn() const;

    // With the Ctrl key and a picture: shows its file (a beep when the file
    // is gone); otherwise the open panel.
    void chooseImage(Qt::KeyboardModifiers modifiers);
    // The data a drag of the picture out carries: a new temporary file with
    // the picture's bytes under its file name. Null without a picture, or for
    // a file name without an extension.
    QMimeData* makeDragData() const;
    void dragPictureOut();

    // The document's picture drawn upright into at most the given size, as
    // the canvas shows it; null without one.
    static QImage originalImageThumbnail(const PrintDocument& document, const QSize& maximumSize);
    // The same for a picture turned and mirrored so. Any thread: it may wait
    // for the whole picture's decode or render a page.
    static QImage thumbnail(const ambrel::OriginalImage::Pointer& image,
                            ambrel::ImageRotation orientation, bool flipHorizontal,
                            const QSize& maximumSize);
    // What makes the same picture from the dots the print lays, reduced to
    // the size as the canvas's preview is; nothing for a full-colour model or
    // where the print's placement is unknown. Runs on any thread; stops
    // with a null picture once `wanted` says it is no longer wanted.
    static std::function<QImage()> printedThumbnailMaker(const PrintDocument& document,
                                                         const QSize& size,
                                                         std::function<bool()> wanted = {});

signals:
    // The small picture made from the print's dots is shown.
    void printedThumbnailShown();

protected:
    void documentDidChange() override;
    void observeDocument(PrintDocument& document) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The size the picture takes drawn into at most the given one; empty
    // without a picture to draw.
    static QSize thumbnailSize(const ambrel::OriginalImage::Pointer& image,
                               ambrel::ImageRotation orientation, const QSize& maximumSize);
    void showPicture();
    void showPrintedPicture();
    void makePrintedPicture();
    void updateChooseButton();
    void revealInFileManager(const QString& path);

    QLabel* m_titleLabel;
    QPushButton* m_chooseImageButton;
    InspectorFileDropDestinationBox* m_box;
    QToolButton* m_rotateLeft;
    QToolButton* m_rotateRight;
    QToolButton* m_mirror;
    QPointer<QWidget> m_filteredWindow;
    // The newest small picture of the picture itself asked for; older ones
    // that come back later are dropped, and those not begun are not drawn.
    std::shared_ptr<std::atomic<quint64>> m_thumbnailRequest =
        std::make_shared<std::atomic<quint64>>(0);
    // The newest small picture of the print's dots asked of the worker;
    // older ones are dropped.
    quint64 m_printedThumbnailRequest = 0;
    std::shared_ptr<std::atomic<quint64>> m_latestPrintedThumbnail =
        std::make_shared<std::atomic<quint64>>(0);
    // The print's dots are shown for the picture as it lies now: its own
    // drawing, should it come back later, does not cover them.
    bool m_showsPrintedPicture = false;
    // The size the small picture is shown at.
    QSize m_pictureSize;
    QTimer m_printedPictureTimer;
};

} // namespace kestrom
