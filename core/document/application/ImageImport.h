#pragma once

#include "model/pictures/OriginalImage.h"
#include "platform/Observation.h"

#include <QByteArray>
#include <QSize>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QMimeData;

namespace platform {
class Error;
}

namespace kestrom {

class DocumentWindowPresenter;
class PrintDocument;

// Every road by which a picture enters or leaves a document: files chosen in
// the open panel, files and picture data dragged or pasted (QMimeData), the
// clipboard through Services, and scripts. All end in one undoable step that
// also resets what depends on the picture (applyOriginalImage).
//
// Drags, pastes and the open panel return at once: the file is read and the
// picture decoded on a worker, and the document changes later on the main
// thread, in one undo step. Their errors go to the presenter. Dragged files
// are loaded where they lie; data that comes without a file is first
// written into the temporary "drop" folder, never over an existing file, so
// the picture always has a file. Such a file is removed again once neither a
// document's picture nor a picture an undo step brings back comes from it.
//
// Bytes that are no picture keep the document's picture and report
// ambrel::OriginalImageError::containsNoValidImage. Main thread only.
class ImageImport {
public:
    // Whether a drag started in this application (it has a source there).
    struct DraggingInfo {
        const QMimeData* pasteboard = nullptr;
        bool hasDraggingSource = false;
    };

    ImageImport(PrintDocument& document, std::shared_ptr<DocumentWindowPresenter> presenter);
    ~ImageImport();
    ImageImport(const ImageImport&) = delete;
    ImageImport& operator=(const ImageImport&) = delete;

    // The MIME types views register for drops: file locations, then PNG,
    // PDF and TIFF, then the other picture types. A new list on every call.
    static QStringList draggedTypes();
    // Whether the data can supply a picture: a local file whose name
    // extension is a picture type (final, even when picture data is there
    // too), else non-empty picture data.
    static bool acceptsImagePasteboard(const QMimeData* pasteboard);

    // Refused while the window shows a sheet and for drags from this
    // application.
    bool acceptsImageDragOperation(const DraggingInfo& info) const;
    // Starts the import; always true.
    bool performImageDragOperation(const DraggingInfo& info);
    // Called once on the main thread when an import has ended: with its
    // error (also presented), or with none when it finished or had nothing to do.
    using Completion = std::function<void(std::shared_ptr<const platform::Error> error)>;

    // Reads the data now and imports it in the background: a local file
    // first, else picture data in the order PDF, PNG, TIFF, others.
    void setImageWithPasteboard(const QMimeData* pasteboard, Completion done = {});
    // The Services entry: false while a sheet is shown or when the data
    // holds no picture; otherwise starts the import and answers true.
    bool setImageWithServicePasteboard(const QMimeData* pasteboard);

    // The synchronous roads, for scripts; each throws platform::Error.
    // A file that does not exist is ignored.
    void setImageWithDroppedFileURL(const QUrl& url);
    // Writes the bytes into the "drop" folder as "Dropped_<date>_<time>.<ext>"
    // and loads that file.
    void setImageWithUnsavedData(const QByteArray& data, const QString& extension);
    // Reads the file and makes its picture the document's; nothing removes
    // the picture. The file the picture came from, or bytes equal to the
    // picture's, change nothing.
    void setImageByLoadingContentsOf(const std::optional<QUrl>& url);

    // The open panel, starting near the given file unless it lies in a
    // temporary folder; the chosen file is loaded in the background.
    void presentImageOpenPanel(const std::optional<QUrl>& startingAt);

    // The undoable step of a new picture (or none): named "addingImage",
    // "deletingImage" or "changingImage"; resets the threshold options; a
    // picture of another size also resets turn, mirror and offset (a vector
    // picture keeps its offset) and is sized to fit.
    static void applyOriginalImage(PrintDocument& document, ambrel::OriginalImage::Pointer image,
                                   ambrel::OriginalImage::Pointer previous);

    // The size, in device pixels, that a picture brought in the background
    // is first decoded to, so that it shows before all its pixels are
    // decoded (large JPEGs only; see OriginalImage::fromDataDecodingBehind).
    // The whole picture is decoded behind it on the same worker. Without a
    // bound, and on the synchronous roads, pictures are decoded whole first.
    void setQuickDecodeBound(std::function<QSize()> bound) {
        m_quickDecodeBound = std::move(bound);
    }

    // Imports started and not yet finished.
    int pendingCount() const { return m_pending; }

    // The temporary folder that data without a file is written into.
    static QString dropFolder();
    // The start folder the open panel gets for a picture's file: the file or
    // its nearest existing parent (10 levels at most); nothing for files in
    // a temporary folder.
    static std::optional<QString> openPanelStartLocation(const QUrl& url);

    struct Request;

private:
    void start(Request request);
    // The whole pixels of a picture shown from a smaller decode did not
    // decode: the picture it replaced comes back, and the error shows.
    void fullDecodeFailed(const ambrel::OriginalImage::Pointer& image,
                          const ambrel::OriginalImage::Pointer& replaced);
    // Removes the files this process wrote into the "drop" folder that
    // neither the picture of a document with an import nor an undo step
    // names.
    static void removeUnusedDropFiles();

    PrintDocument& m_document;
    std::shared_ptr<DocumentWindowPresenter> m_presenter;
    std::shared_ptr<int> m_alive;
    int m_pending = 0;
    quint64 m_lastTicket = 0;
    quint64 m_lastAppliedTicket = 0;
    // The file of the document's picture, followed so that tidying the drop
    // folder never has to reach a document that may be going.
    QString m_pictureFile;
    platform::Observation m_pictureObservation;
    std::function<QSize()> m_quickDecodeBound;
};

} // namespace kestrom
