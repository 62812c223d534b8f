#include "core/document/application/ImageImport.h"

#include "core/document/application/DocumentActions.h"
#include "core/document/application/DocumentWindowPresenter.h"
#include "core/document/job/DocumentKey.h"
#include "core/document/job/Framework.h"
#include "core/document/job/KestromText.h"
#include "core/document/job/PrintDocument.h"
#include "core/document/job/UndoPicture.h"
#include "core/document/package/DocumentWorkQueue.h"
#include "core/document/package/FileContents.h"
#include "model/pictures/OriginalImageError.h"
#include "platform/LocalFileUrl.h"
#include "platform/MainThread.h"
#include "platform/TemporaryDirectory.h"
#include "platform/graphics/FileType.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QScopeGuard>
#include <QSet>

using namespace ambrel;
using platform::FileType;

namespace kestrom {

struct ImageImport::Request {
    enum class Kind { file, droppedFile, data };
    Kind kind = Kind::file;
    QUrl url;
    QByteArray data;
    QString extension;
    // The document's picture bytes when the request was made.
    QByteArray currentData;
    // The size a large JPEG is first decoded to; empty to decode it whole.
    QSize quickDecodeBound;
    ImageImport::Completion done;
    // Keeps the document from counting as untouched while the picture is
    // read.
    std::shared_ptr<const void> incoming;
};

namespace {

struct Outcome {
    bool changes = false;
    OriginalImage::Pointer image;
    // The document's picture that the image replaced, should it have to
    // come back; main thread only.
    std::shared_ptr<OriginalImage::Pointer> replaced = std::make_shared<OriginalImage::Pointer>();
};

// Picture data types with the extension a saved file gets.
struct DataType {
    QString identifier;
    QString extension;
};

const QList<DataType>& readingOrder() {
    static const QList<DataType> order{
        {FileType::pdf, QStringLiteral("pdf")},        {FileType::png, QStringLiteral("png")},
        {FileType::tiff, QStringLiteral("tif")},       {FileType::jpeg, QStringLiteral("jpeg")},
        {FileType::gif, QStringLiteral("gif")},        {FileType::bmp, QStringLiteral("bmp")},
        {FileType::heic, QStringLiteral("heic")},      {FileType::heif, QStringLiteral("heif")},
        {FileType::illustrator, QStringLiteral("ai")},
    };
    return order;
}

QStringList acceptanceOrder() {
    return {FileType::png, FileType::pdf,  FileType::tiff, FileType::jpeg,       FileType::gif,
            FileType::bmp, FileType::heic, FileType::heif, FileType::illustrator};
}

QStringList mimeTypes(const QString& identifier) {
    const auto type = FileType::withIdentifier(identifier);
    return type ? type->mimeTypes() : QStringList();
}

QByteArray dataOfType(const QMimeData& pasteboard, const QString& identifier) {
    for (const QString& mime : mimeTypes(identifier)) {
        if (pasteboard.hasFormat(mime)) {
            const QByteArray data = pasteboard.data(mime);
            if (!data.isEmpty()) {
                return data;
            }
        }
    }
    return {};
}

// The local file the data names, when its first location is one.
std::optional<QUrl> fileURL(const QMimeData& pasteboard) {
    if (!pasteboard.hasUrls()) {
        return std::nullopt;
    }
    const QList<QUrl> urls = pasteboard.urls();
    if (urls.isEmpty()) {
        return std::nullopt;
    }
    return platform::LocalFileUrl::of(urls.first());
}

bool isPictureType(const QString& identifier) {
    for (const QString& accepted : OriginalImage::imageFileTypes()) {
        if (FileType::conforms(identifier, accepted)) {
            return true;
        }
    }
    return false;
}

QString savedDataFileName(const QString& extension) {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    return QStringLiteral("Dropped_%1%2%3_%4%5%6.%7")
        .arg(d.year())
        .arg(d.month())
        .arg(d.day())
        .arg(t.hour())
        .arg(t.minute())
        .arg(t.second())
        .arg(extension);
}

// A new file in the drop folder; its name is never one already there.
QString writeIntoDropFolder(const QString& name, const QByteArray& data) {
    const QString folder = ImageImport::dropFolder();
    platform::TemporaryDirectory::createDirectory(folder);
    return platform::TemporaryDirectory::writeNewFile(folder, name, data);
}

// The imports of open documents, and the files this process wrote into the
// drop folder that may still be in use. Main thread only.
std::vector<const ImageImport*>& liveImports() {
    static std::vector<const ImageImport*> imports;
    return imports;
}

QSet<QString>& writtenDropFiles() {
    static QSet<QString> files;
    return files;
}

// The drop folder file of a picture that came through it.
void noteDropFile(const OriginalImage::Pointer& image) {
    if (image && image->fileURL().isLocalFile() &&
        QFileInfo(image->filePath()).absolutePath() == ImageImport::dropFolder()) {
        writtenDropFiles().insert(image->filePath());
    }
}

// The picture of the bytes: first decoded to the bound when that is quicker.
// Bytes that make none throw the error for the reason, naming `name`.
OriginalImage::Pointer picture(const QByteArray& data, const QUrl& url, const QSize& bound,
                               const QString& name) {
    if (!bound.isEmpty()) {
        platform::PictureRefusal why = platform::PictureRefusal::noPicture;
        if (auto image = OriginalImage::fromDataDecodingBehind(data, url, bound, &why)) {
            return image;
        }
        // A picture refused for its size or the memory is not decoded again.
        if (why != platform::PictureRefusal::noPicture) {
            throw OriginalImageError::refusal(why, name);
        }
    }
    return OriginalImage::fromDataOrThrow(data, url, name);
}

// The picture of bytes saved at the path; a file that makes no picture is
// removed again.
OriginalImage::Pointer pictureOfSavedFile(const QString& path, const QByteArray& data,
                                          const QString& name, const QSize& bound) {
    try {
        return picture(data, QUrl::fromLocalFile(path), bound, name);
    } catch (...) {
        QFile::remove(path);
        throw;
    }
}

// The slow part of every road: reading, saving and decoding. Any thread.
Outcome prepare(const ImageImport::Request& request) {
    using Kind = ImageImport::Request::Kind;
    switch (request.kind) {
    case Kind::file:
    case Kind::droppedFile: {
        // A dropped file is loaded where it lies; one that is gone is ignored.
        const QString path = request.url.toLocalFile();
        if (request.kind == Kind::droppedFile && !QFileInfo::exists(path)) {
            return {};
        }
        const QByteArray data = FileContents::read(path, FileContents::maximumPictureFileSize);
        if (!request.currentData.isNull() && data == request.currentData) {
            return {};
        }
        return {true, picture(data, request.url, request.quickDecodeBound, request.url.fileName())};
    }
    case Kind::data: {
        const QString name = savedDataFileName(request.extension);
        const QString path = writeIntoDropFolder(name, request.data);
        if (!request.currentData.isNull() && request.data == request.currentData) {
            QFile::remove(path); // no picture comes from it
            return {};
        }
        return {true, pictureOfSavedFile(path, request.data, QFileInfo(path).fileName(),
                                         request.quickDecodeBound)};
    }
    }
    return {};
}

QByteArray currentData(const PrintDocument& document) {
    return document.originalImage() ? document.originalImage()->data() : QByteArray();
}

} // namespace

ImageImport::ImageImport(PrintDocument& document,
                         std::shared_ptr<DocumentWindowPresenter> presenter)
    : m_document(document), m_presenter(std::move(presenter)), m_alive(std::make_shared<int>(0)) {
    m_pictureObservation =
        m_document.observe(DocumentKey::originalImage + u'.' + DocumentKey::Picture::filePath,
                           platform::Observable::Initial | platform::Observable::New,
                           [this](const platform::KeyValueChange& change) {
                               m_pictureFile = change.newValue.toString();
                           });
    liveImports().push_back(this);
}

ImageImport::~ImageImport() {
    std::erase(liveImports(), this);
    // The document's undo steps may go only after this import: their
    // pictures' files are looked at once the event loop is back.
    if (QCoreApplication::instance()) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { removeUnusedDropFiles(); }, Qt::QueuedConnection);
    } else {
        removeUnusedDropFiles();
    }
}

void ImageImport::removeUnusedDropFiles() {
    QSet<QString> used;
    for (const ImageImport* import : liveImports()) {
        if (!import->m_pictureFile.isEmpty()) {
            used.insert(import->m_pictureFile);
        }
    }
    QSet<QString>& written = writtenDropFiles();
    for (auto it = written.begin(); it != written.end();) {
        if (used.contains(*it) || UndoPicture::keepsFile(*it)) {
            ++it;
            continue;
        }
        QFile::remove(*it);
        it = written.erase(it);
    }
}

QString ImageImport::dropFolder() {
    return platform::TemporaryDirectory::pathForApplicationTemporaryDirectory(
        QStringLiteral("drop"));
}

QStringList ImageImport::draggedTypes() {
    QStringList types{QStringLiteral("text/uri-list")};
    for (const QString& identifier : acceptanceOrder()) {
        types += mimeTypes(identifier);
    }
    return types;
}

bool ImageImport::acceptsImagePasteboard(const QMimeData* pasteboard) {
    // The types are asked for once before anything else: on X11 every
    // question goes to the program holding the clipboard, and one that does
    // not answer costs the clipboard's timeout, seconds, for each.
    if (!pasteboard || pasteboard->formats().isEmpty()) {
        return false;
    }
    if (const auto url = fileURL(*pasteboard)) {
        const auto type = FileType::withFilenameExtension(QFileInfo(url->path()).suffix());
        return type && !QFileInfo(url->path()).suffix().isEmpty() &&
               isPictureType(type->identifier());
    }
    for (const QString& identifier : acceptanceOrder()) {
        if (!dataOfType(*pasteboard, identifier).isEmpty()) {
            return true;
        }
    }
    return false;
}

bool ImageImport::acceptsImageDragOperation(const DraggingInfo& info) const {
    if (m_presenter && m_presenter->isShowingSheet()) {
        return false;
    }
    if (info.hasDraggingSource) {
        return false;
    }
    return acceptsImagePasteboard(info.pasteboard);
}

bool ImageImport::performImageDragOperation(const DraggingInfo& info) {
    setImageWithPasteboard(info.pasteboard);
    return true;
}

bool ImageImport::setImageWithServicePasteboard(const QMimeData* pasteboard) {
    if (m_presenter && m_presenter->isShowingSheet()) {
        return false;
    }
    if (!acceptsImagePasteboard(pasteboard)) {
        return false;
    }
    setImageWithPasteboard(pasteboard);
    return true;
}

void ImageImport::setImageWithPasteboard(const QMimeData* pasteboard, Completion done) {
    if (!pasteboard) {
        if (done) {
            done(nullptr);
        }
        return;
    }
    Request request;
    if (const auto url = fileURL(*pasteboard)) {
        // Dropping the picture's own file again changes nothing.
        if (m_document.originalImage() && m_document.originalImage()->fileURL() == *url) {
            if (done) {
                done(nullptr);
            }
            return;
        }
        request.kind = Request::Kind::droppedFile;
        request.url = *url;
    } else {
        for (const DataType& type : readingOrder()) {
            request.data = dataOfType(*pasteboard, type.identifier);
            if (!request.data.isEmpty()) {
                request.kind = Request::Kind::data;
                request.extension = type.extension;
                break;
            }
        }
        if (request.data.isEmpty()) {
            if (done) {
                done(nullptr);
            }
            return;
        }
    }
    request.done = std::move(done);
    start(std::move(request));
}

void ImageImport::start(Request request) {
    request.currentData = currentData(m_document);
    request.incoming = m_document.incomingPictureToken();
    if (m_quickDecodeBound) {
        request.quickDecodeBound = m_quickDecodeBound();
    }
    const quint64 ticket = ++m_lastTicket;
    ++m_pending;
    std::weak_ptr<int> alive = m_alive;
    DocumentWorkQueue::run([this, alive, ticket, request = std::move(request)] {
        std::optional<Outcome> outcome;
        std::shared_ptr<const platform::Error> error;
        // A document closed meanwhile makes the read and the decode
        // pointless: they are not begun.
        if (alive.expired()) {
            outcome = Outcome{};
        } else {
            try {
                outcome = prepare(request);
            } catch (const platform::Error& e) {
                error = e.clone();
            }
        }
        // The token goes with the outcome: the document stays taken until
        // the picture is in.
        platform::MainThread::post([this, alive, ticket, outcome, error, done = request.done,
                                    incoming = request.incoming] {
            // The caller hears of the end on every way out.
            struct Finish {
                const Completion& done;
                const std::shared_ptr<const platform::Error>& error;
                ~Finish() {
                    if (done) {
                        done(error);
                    }
                }
            } finish{done, error};
            if (outcome) {
                noteDropFile(outcome->image);
            }
            // Whatever became of the picture, files nobody uses go.
            const auto tidy = qScopeGuard([] { removeUnusedDropFiles(); });
            if (!alive.lock()) {
                return; // the document is gone
            }
            --m_pending;
            if (error) {
                if (m_presenter) {
                    m_presenter->presentError(*error);
                }
                return;
            }
            // A picture of a later import is not replaced by an earlier one
            // that took longer.
            if (!outcome->changes || ticket < m_lastAppliedTicket) {
                return;
            }
            m_lastAppliedTicket = ticket;
            *outcome->replaced = m_document.originalImage();
            applyOriginalImage(m_document, outcome->image, *outcome->replaced);
        });
        // A picture shown from a smaller decode gets its whole pixels here,
        // while the canvas already shows it.
        if (outcome && outcome->image && !outcome->image->decodeFully()) {
            platform::MainThread::post([this, alive, outcome] {
                if (alive.lock()) {
                    fullDecodeFailed(outcome->image, *outcome->replaced);
                }
            });
        }
    });
}

void ImageImport::fullDecodeFailed(const OriginalImage::Pointer& image,
                                   const OriginalImage::Pointer& replaced) {
    // As when the picture had not decoded at all: the document does not keep
    // a picture that cannot be printed. The one it replaced comes back in a
    // step of its own.
    if (m_document.originalImage() != image) {
        return;
    }
    applyOriginalImage(m_document, replaced, image);
    if (m_presenter) {
        m_presenter->presentError(
            OriginalImageError::refusal(image->fullDecodeRefusal(), image->fileName()));
    }
}

void ImageImport::setImageWithDroppedFileURL(const QUrl& url) {
    const auto local = platform::LocalFileUrl::of(url);
    if (!local || !QFileInfo::exists(local->toLocalFile())) {
        return;
    }
    setImageByLoadingContentsOf(*local);
}

void ImageImport::setImageWithUnsavedData(const QByteArray& data, const QString& extension) {
    const QString path = writeIntoDropFolder(savedDataFileName(extension), data);
    writtenDropFiles().insert(path);
    const auto tidy = qScopeGuard([] { removeUnusedDropFiles(); });
    setImageByLoadingContentsOf(QUrl::fromLocalFile(path));
}

void ImageImport::setImageByLoadingContentsOf(const std::optional<QUrl>& url) {
    const auto& current = m_document.originalImage();
    if (!url || url->isEmpty()) {
        if (current) {
            m_lastAppliedTicket = ++m_lastTicket;
            applyOriginalImage(m_document, nullptr, current);
        }
        return;
    }
    if (current && current->fileURL() == *url) {
        return;
    }
    Request request;
    request.url = *url;
    request.currentData = currentData(m_document);
    const Outcome outcome = prepare(request);
    if (outcome.changes) {
        // Imports started before this one no longer replace its picture.
        m_lastAppliedTicket = ++m_lastTicket;
        applyOriginalImage(m_document, outcome.image, m_document.originalImage());
    }
}

std::optional<QString> ImageImport::openPanelStartLocation(const QUrl& url) {
    QString path = url.isLocalFile() ? url.toLocalFile() : url.path();
    QStringList temporary{QDir::tempPath()};
    try {
        temporary.append(platform::TemporaryDirectory::privateRoot());
    } catch (const platform::Error&) {
    }
    for (const QString& folder : temporary) {
        // Within the folder, not merely named like it ("/tmp" holds no
        // "/tmp2").
        const QString within = folder.endsWith(u'/') ? folder : folder + u'/';
        if (!folder.isEmpty() && (path == folder || path.startsWith(within))) {
            return std::nullopt;
        }
    }
    for (int level = 0; level < 10; ++level) {
        if (path.isEmpty()) {
            break;
        }
        if (QFileInfo::exists(path)) {
            return path;
        }
        const qsizetype slash = path.lastIndexOf(u'/');
        if (slash < 0) {
            break;
        }
        path = slash == 0 && path.size() > 1 ? QStringLiteral("/") : path.left(slash);
    }
    return std::nullopt;
}

void ImageImport::presentImageOpenPanel(const std::optional<QUrl>& startingAt) {
    if (!m_presenter || !m_presenter->hasWindowForSheets()) {
        return;
    }
    DocumentWindowPresenter::OpenPanel panel;
    if (startingAt) {
        panel.startLocation = openPanelStartLocation(*startingAt);
    }
    panel.prompt = KestromText::text(QStringLiteral("ImageOpenPanel_ChooseButtonTitle"));
    panel.allowedFileTypes = OriginalImage::imageFileTypes();
    for (const QString& identifier : panel.allowedFileTypes) {
        if (const auto type = FileType::withIdentifier(identifier)) {
            panel.allowedFilenameExtensions += type->filenameExtensions();
        }
    }
    std::weak_ptr<int> alive = m_alive;
    m_presenter->beginOpenPanel(panel, [this, alive](std::optional<QUrl> chosen) {
        if (!chosen || !alive.lock()) {
            return;
        }
        const auto& current = m_document.originalImage();
        if (current && current->fileURL() == *chosen) {
            return;
        }
        Request request;
        request.url = *chosen;
        start(std::move(request));
    });
}

void ImageImport::applyOriginalImage(PrintDocument& document, OriginalImage::Pointer image,
                                     OriginalImage::Pointer previous) {
    using Name = UndoActionName;
    const UndoActionName name = !previous && image   ? Name::addingImage
                                : previous && !image ? Name::deletingImage
                                                     : Name::changingImage;
    document.performUndoGroup(name, [&] {
        document.setOriginalImage(std::move(image));
        document.resetBlackConversionProperties({BlackConversionType::threshold});
        const auto& picture = document.originalImage();
        if (picture) {
            if (picture->isSameSize(previous.get())) {
                return;
            }
            document.setImageOrientation(ImageRotation::none);
            document.setFlipsImageHorizontal(false);
            if (!picture->isVector()) {
                document.setImageOffset_mm({0, 0});
            }
            DocumentActions::resizeImageScaleToFitOrActualSizeIfTooLarge(document);
        } else {
            document.setImageOrientation(ImageRotation::none);
            document.setFlipsImageHorizontal(false);
            document.setImageOffset_mm({0, 0});
            document.setImageSize_px({0, 0});
        }
    });
}

} // namespace kestrom
