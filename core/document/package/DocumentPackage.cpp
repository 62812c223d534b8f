#include "core/document/package/DocumentPackage.h"

#include "core/document/job/PrintDocument.h"
#include "core/document/package/DocumentFileError.h"
#include "core/document/package/DocumentWorkQueue.h"
#include "core/document/package/FileContents.h"
#include "model/pictures/OriginalImageError.h"
#include "platform/MainThread.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <future>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrom {

const QString DocumentPackage::fileExtension = QStringLiteral("lunvik");
const QString DocumentPackage::settingsFileName = QStringLiteral("Settings.plist");
const QString DocumentPackage::imageDataFileName = QStringLiteral("ImageData");
const QString DocumentPackage::quickLookFolderName = QStringLiteral("QuickLook");
const QString DocumentPackage::thumbnailFileName = QStringLiteral("Thumbnail.jpg");

namespace {

using Damage = DocumentFileError::Damage;

// Digests members' bytes while their picture decodes. Its work waits on
// nothing, so a read waiting for it never waits for another read.
struct PackageDigestQueueDescription {
    static platform::WorkQueue::Options options() {
        return {.name = QStringLiteral("package digests"), .maxThreadCount = 2};
    }
};
using PackageDigestQueue = platform::SharedWorkQueue<PackageDigestQueueDescription>;

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

// A member's bytes: nothing when it is absent; an error when it is a link,
// not a plain file or too large.
std::optional<QByteArray> member(const QString& package, const QString& name, qint64 maximum,
                                 Damage notAFile) {
    if (!DocumentPackage::hasOwnFoldersTo(package, name)) {
        throw DocumentFileError::corruptPackage(package, Damage::symbolicLink,
                                                name.section(u'/', 0, 0));
    }
    const QString path = package + u'/' + name;
    struct stat st {};
    if (::lstat(native(path).constData(), &st) != 0) {
        if (errno == ENOENT) {
            return std::nullopt;
        }
        throw DocumentFileError::unreadableFile(path, errno);
    }
    if (S_ISLNK(st.st_mode)) {
        throw DocumentFileError::corruptPackage(package, Damage::symbolicLink, name);
    }
    if (!S_ISREG(st.st_mode)) {
        throw DocumentFileError::corruptPackage(package, notAFile, name);
    }
    if (st.st_size > maximum) {
        throw DocumentFileError::corruptPackage(package, Damage::tooLarge, name);
    }
    try {
        return FileContents::read(path, maximum, FileContents::Links::refuse);
    } catch (const platform::Error& error) {
        // Replaced by a link or grown since it was looked at.
        if (error.code() == ELOOP || error.code() == EFBIG) {
            throw DocumentFileError::corruptPackage(
                package, error.code() == ELOOP ? Damage::symbolicLink : Damage::tooLarge, name);
        }
        throw;
    }
}

// Turns undo registration off for as long as it lives.
class UndoRegistrationPause {
public:
    explicit UndoRegistrationPause(platform::UndoManager* manager) : m_manager(manager) {
        if (m_manager) {
            m_manager->disableUndoRegistration();
        }
    }
    ~UndoRegistrationPause() {
        if (m_manager) {
            m_manager->enableUndoRegistration();
        }
    }
    UndoRegistrationPause(const UndoRegistrationPause&) = delete;
    UndoRegistrationPause& operator=(const UndoRegistrationPause&) = delete;

private:
    platform::UndoManager* m_manager;
};

// A new file with the bytes, on disk before it is closed.
void writeNewFile(const QString& path, const QByteArray& data, const QString& document) {
    const int fd = ::open(native(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        throw DocumentFileError::unsavableDocument(document, errno);
    }
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            const int error = n < 0 ? errno : EIO;
            ::close(fd);
            throw DocumentFileError::unsavableDocument(document, error);
        }
        done += n;
    }
    if (::fsync(fd) != 0) {
        const int error = errno;
        ::close(fd);
        throw DocumentFileError::unsavableDocument(document, error);
    }
    if (::close(fd) != 0) {
        throw DocumentFileError::unsavableDocument(document, errno);
    }
}

// The process's file mode mask, read without changing it (umask() cannot
// be read alone, and setting it races with other threads).
mode_t processUmask() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok) {
                    return mode_t(mask & 0777);
                }
            }
        }
    }
    return 022;
}

void syncFolder(const QString& path) {
    const int fd = ::open(native(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Removes what is at the path. A link or a file that a save replaced goes
// by itself: removing a folder's contents through a link would empty
// whatever it points to.
void removeTree(const QString& path) {
    if (path.isEmpty()) {
        return;
    }
    struct stat st {};
    if (::lstat(native(path).constData(), &st) != 0) {
        return;
    }
    if (S_ISDIR(st.st_mode)) {
        QDir(path).removeRecursively();
    } else {
        ::unlink(native(path).constData());
    }
}

// Puts the new package in place of whatever is at the path. The old one
// stays whole until the new one has taken its name.
void swapIn(const QString& fresh, const QString& path, const QString& folder) {
    const QByteArray target = native(path);
    struct stat st {};
    if (::lstat(target.constData(), &st) != 0) {
        if (errno != ENOENT || ::rename(native(fresh).constData(), target.constData()) != 0) {
            throw DocumentFileError::unsavableDocument(path, errno);
        }
        return;
    }
    if (::renameat2(AT_FDCWD, native(fresh).constData(), AT_FDCWD, target.constData(),
                    RENAME_EXCHANGE) == 0) {
        removeTree(fresh); // now the old package
        return;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
        throw DocumentFileError::unsavableDocument(path, errno);
    }
    // A file system without exchange: the old package steps aside first and
    // returns when the new one cannot take its place.
    const QString old = folder + QStringLiteral("/.") + QFileInfo(path).fileName() +
                        QStringLiteral(".old-") + QString::number(::getpid()) + u'-' +
                        QString::number(QRandomGenerator::global()->generate(), 36);
    if (::rename(target.constData(), native(old).constData()) != 0) {
        throw DocumentFileError::unsavableDocument(path, errno);
    }
    if (::rename(native(fresh).constData(), target.constData()) != 0) {
        const int error = errno;
        ::rename(native(old).constData(), target.constData());
        throw DocumentFileError::unsavableDocument(path, error);
    }
    removeTree(old);
}

QString savingPrefix(const QFileInfo& package) {
    return QStringLiteral(".") + package.fileName() + QStringLiteral(".saving-");
}

// The folder a save writes into, locked for as long as the save runs so
// that another process never takes it for the leftover of a killed save.
class SavingFolder {
public:
    explicit SavingFolder(const QString& path) {
        const QFileInfo info(path);
        QByteArray pattern =
            native(info.absolutePath() + u'/' + savingPrefix(info) + QStringLiteral("XXXXXX"));
        if (!::mkdtemp(pattern.data())) {
            throw DocumentFileError::unsavableDocument(path, errno);
        }
        m_path = QFile::decodeName(pattern);
        m_fd = ::open(pattern.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_fd < 0 || ::flock(m_fd, LOCK_EX) != 0) {
            const int error = errno;
            removeTree(m_path);
            if (m_fd >= 0) {
                ::close(m_fd);
            }
            throw DocumentFileError::unsavableDocument(path, error);
        }
    }
    ~SavingFolder() { ::close(m_fd); }
    SavingFolder(const SavingFolder&) = delete;
    SavingFolder& operator=(const SavingFolder&) = delete;

    const QString& path() const { return m_path; }

private:
    QString m_path;
    int m_fd = -1;
};

} // namespace

void DocumentPackage::removeStaleSaves(const QString& path) {
    const QFileInfo package(path);
    const QString prefix = savingPrefix(package);
    const QString folder = package.absolutePath();
    const QStringList names =
        QDir(folder).entryList(QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    for (const QString& name : names) {
        if (!name.startsWith(prefix)) {
            continue;
        }
        const QString leftover = folder + u'/' + name;
        const int fd =
            ::open(native(leftover).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        struct stat st {};
        // A save under way holds its lock; a folder changed just now may
        // belong to one that has not taken it yet.
        if (::fstat(fd, &st) == 0 && now - qint64(st.st_mtime) >= staleSaveSeconds &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            removeTree(leftover);
        }
        ::close(fd);
    }
}

namespace {

// The package's picture, first decoded only to cover the bound where that
// is quicker, else whole; `thumbnail`, when given, gives the package's
// thumbnail as read, which may stand in for the picture meanwhile. The
// settings tell the turn its print's gray is prepared in. `why` tells a
// picture refused for the limits or the memory from a damaged one.
ambrel::OriginalImage::Pointer picture(const QByteArray& data, const QUrl& location,
                                       const QSize& bound, const QVariantMap& settings,
                                       const std::function<std::optional<QByteArray>()>& thumbnail,
                                       platform::PictureRefusal& why) {
    using ambrel::OriginalImage;
    using platform::PictureRefusal;
    if (!bound.isEmpty()) {
        // The print's gray follows the whole decode from its first rows.
        if (auto image = OriginalImage::fromDataDecodingBehind(
                data, location, bound, &why, DocumentSettings::pictureTurn(settings), thumbnail)) {
            return image;
        }
        if (why != PictureRefusal::noPicture) {
            return nullptr;
        }
        if (const auto standIn = thumbnail ? thumbnail() : std::nullopt) {
            if (auto image = OriginalImage::fromDataShownFromStandIn(data, location, *standIn,
                                                                     bound, &why)) {
                return image;
            }
            if (why != PictureRefusal::noPicture) {
                return nullptr;
            }
        }
    }
    return OriginalImage::fromData(data, location, &why);
}

} // namespace

bool DocumentPackage::hasOwnFoldersTo(const QString& package, const QString& member) {
    QString folder = package;
    const QStringList steps = member.split(u'/');
    for (qsizetype i = 0; i + 1 < steps.size(); ++i) {
        folder += u'/' + steps[i];
        struct stat st {};
        if (::lstat(native(folder).constData(), &st) != 0) {
            return errno == ENOENT; // the member is not there at all
        }
        if (!S_ISDIR(st.st_mode)) {
            return false;
        }
    }
    return true;
}

DocumentPackage::Contents DocumentPackage::load(const QString& path,
                                                const PackageDecodeBound& quickDecodeBound) {
    Contents contents = readContents(path, quickDecodeBound);
    removeStaleSaves(path);
    return contents;
}

DocumentPackage::Contents DocumentPackage::readContents(const QString& path,
                                                        const PackageDecodeBound& quickDecodeBound,
                                                        const SettingsHandler& settingsParsed) {
    struct stat st {};
    if (::stat(native(path).constData(), &st) != 0) {
        throw DocumentFileError::unreadableFile(path, errno);
    }
    if (!S_ISDIR(st.st_mode)) {
        throw DocumentFileError::corruptPackage(path, Damage::notAFolder);
    }
    Contents contents;
    contents.path = path;
    const PackageFingerprint before =
        PackageFingerprint::of(path, PackageFingerprint::Contents::metadataOnly);
    const auto settings =
        member(path, settingsFileName, maximumSettingsFileSize, Damage::noSettings);
    if (!settings) {
        // Only a folder named as a document is a document without its settings.
        if (!QFileInfo(path).fileName().endsWith(u'.' + fileExtension)) {
            throw DocumentFileError::notADocument(path);
        }
        throw DocumentFileError::corruptPackage(path, Damage::noSettings);
    }
    contents.settings = DocumentSettings::parse(*settings, path);
    if (settingsParsed) {
        settingsParsed(contents.settings);
    }
    const auto imageData = member(path, imageDataFileName, FileContents::maximumPictureFileSize,
                                  Damage::damagedPicture);
    // The picture's size as the window shows it comes from the settings: a
    // first decode at that size is all the window needs. Asked for once the
    // bytes are in, as the device descriptions it needs decode meanwhile on
    // a thread of their own at the start.
    const QSize bound = quickDecodeBound.forSettings(contents.settings);
    // The thumbnail is no part of what opens, and a damaged one refuses
    // nothing: without its digest the fingerprint has none. Digesting
    // megabytes of picture takes as long as a quick decode, and a JPEG needs
    // no stand-in: the thumbnail is read and everything digested beside the
    // decode rather than before it, the picture on one worker and the
    // thumbnail on another.
    const QString thumbnail = quickLookFolderName + u'/' + thumbnailFileName;
    using Bytes = std::optional<QByteArray>;
    using Digests = QHash<QString, QByteArray>;
    auto thumbnailRead = std::make_shared<std::promise<Bytes>>();
    const std::shared_future<Bytes> thumbnailData = thumbnailRead->get_future().share();
    auto thumbnailDigested = std::make_shared<std::promise<Bytes>>();
    std::future<Bytes> thumbnailDigest = thumbnailDigested->get_future();
    auto pictureDigested = std::make_shared<std::promise<Digests>>();
    std::future<Digests> pictureDigests = pictureDigested->get_future();
    // Whatever a read or a digest throws (no memory) reaches the read
    // waiting for it.
    PackageDigestQueue::run([pictureDigested, settings = *settings, imageData] {
        try {
            Digests made;
            made.insert(settingsFileName, PackageFingerprint::digest(settings));
            if (imageData) {
                made.insert(imageDataFileName, PackageFingerprint::digest(*imageData));
            }
            pictureDigested->set_value(std::move(made));
        } catch (...) {
            pictureDigested->set_exception(std::current_exception());
        }
    });
    PackageDigestQueue::run([thumbnailDigested, thumbnailRead, path, thumbnail] {
        Bytes thumbnailBytes;
        try {
            try {
                thumbnailBytes = member(path, thumbnail, FileContents::maximumPictureFileSize,
                                        Damage::damagedPicture);
            } catch (const platform::Error&) {
            }
        } catch (...) {
            thumbnailRead->set_exception(std::current_exception());
            thumbnailDigested->set_exception(std::current_exception());
            return;
        }
        thumbnailRead->set_value(thumbnailBytes);
        try {
            thumbnailDigested->set_value(
                thumbnailBytes ? Bytes(PackageFingerprint::digest(*thumbnailBytes)) : std::nullopt);
        } catch (...) {
            thumbnailDigested->set_exception(std::current_exception());
        }
    });
    const auto digests = [&] {
        Digests made = pictureDigests.get();
        if (const Bytes digest = thumbnailDigest.get()) {
            made.insert(thumbnail, *digest);
        }
        return made;
    };
    if (imageData) {
        // The thumbnail stands in for the picture only from the package's
        // own folder, and only while the whole picture decodes.
        std::function<Bytes()> standIn;
        if (!bound.isEmpty() && hasOwnFoldersTo(path, thumbnail)) {
            standIn = [thumbnailData] { return thumbnailData.get(); };
        }
        // A picture whose location is unknown is still the document's picture.
        const QUrl location = DocumentSettings::pictureLocation(contents.settings);
        contents.image = picture(*imageData, location, bound, contents.settings, standIn,
                                 contents.pictureRefusal);
        contents.pictureIsDamaged = !contents.image;
        if (contents.pictureIsDamaged) {
            // Opened without it, the document keeps its bytes and thumbnail
            // to write back: nothing of it is lost before the user decides.
            DocumentPackage::UnreadPicture unread{*imageData, {}, location};
            if (hasOwnFoldersTo(path, thumbnail)) {
                unread.thumbnail = thumbnailData.get().value_or(QByteArray());
            }
            contents.unreadPicture = std::move(unread);
        }
    } else {
        contents.pictureIsMissing = DocumentSettings::namesPicture(contents.settings);
    }
    if (PackageFingerprint::of(path, PackageFingerprint::Contents::metadataOnly)
            .sameMetadata(before)) {
        contents.fingerprint = before.withDigests(digests());
    } else {
        digests();
    }
    return contents;
}

void DocumentPackage::apply(PrintDocument& document, const Contents& contents,
                            const DocumentSettings::Application& application) {
    // Every refusal comes before the first change.
    const auto checked = DocumentSettings::check(contents.settings, application);
    const UndoRegistrationPause pause(document.undoManager());
    DocumentSettings::apply(document, contents.settings, checked);
    document.setOriginalImage(contents.image);
}

void DocumentPackage::applySettings(PrintDocument& document, const QVariantMap& settings,
                                    const DocumentSettings::Application& application) {
    const auto checked = DocumentSettings::check(settings, application);
    const UndoRegistrationPause pause(document.undoManager());
    DocumentSettings::apply(document, settings, checked);
}

void DocumentPackage::applyPicture(PrintDocument& document, const Contents& contents) {
    const UndoRegistrationPause pause(document.undoManager());
    document.setOriginalImage(contents.image);
}

std::shared_ptr<const platform::Error> DocumentPackage::pictureNotRead(const Contents& contents) {
    if (contents.pictureIsDamaged) {
        return pictureNotRead(contents.path, contents.pictureRefusal);
    }
    if (contents.pictureIsMissing) {
        return DocumentFileError::pictureNotRead(contents.path, Damage::missingPicture).clone();
    }
    return nullptr;
}

std::shared_ptr<const platform::Error>
DocumentPackage::pictureNotRead(const QString& path, platform::PictureRefusal why) {
    switch (why) {
    case platform::PictureRefusal::tooLarge:
        return DocumentFileError::pictureNotRead(path, Damage::tooLarge).clone();
    case platform::PictureRefusal::outOfMemory:
        return DocumentFileError::pictureNotRead(path, Damage::noMemoryForPicture).clone();
    case platform::PictureRefusal::noPicture:
        break;
    }
    return DocumentFileError::pictureNotRead(path, Damage::damagedPicture).clone();
}

void DocumentPackage::read(PrintDocument& document, const QString& path) {
    apply(document, load(path));
}

DocumentPackage::Snapshot DocumentPackage::snapshot(const PrintDocument& document,
                                                    const UnreadPicture* unreadPicture) {
    Snapshot snapshot;
    if (const auto& image = document.originalImage()) {
        snapshot.settingsData = DocumentSettings::settingsDataForSave(document);
        snapshot.imageData = image->data();
        // Its pixels may still be decoding: the write takes them.
        snapshot.thumbnailSource = image;
    } else if (unreadPicture) {
        QVariantMap settings = DocumentSettings::dictionaryForSave(document);
        DocumentSettings::insertPictureLocation(settings, unreadPicture->location);
        snapshot.settingsData = DocumentSettings::serialize(settings);
        snapshot.imageData = unreadPicture->data;
        snapshot.thumbnailData = unreadPicture->thumbnail;
    } else {
        snapshot.settingsData = DocumentSettings::settingsDataForSave(document);
    }
    return snapshot;
}

QByteArray DocumentPackage::thumbnailData(const QImage& image) {
    QImage opaque = image;
    if (image.hasAlphaChannel()) {
        // JPEG has no transparency; what is transparent shows as paper.
        opaque = QImage(image.size(), QImage::Format_RGB32);
        if (opaque.isNull()) {
            return {}; // no memory for it: the package goes without one
        }
        opaque.fill(Qt::white);
        QPainter painter(&opaque);
        painter.drawImage(0, 0, image);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) {
        return {};
    }
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(80);
    if (!writer.write(opaque)) {
        return {};
    }
    return bytes;
}

void DocumentPackage::write(const Snapshot& snapshot, const QString& path,
                            const BeforeSwap& beforeSwap) {
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    const QByteArray thumbnail = snapshot.thumbnailSource
                                     ? (snapshot.thumbnailSource->cgImage()
                                            ? thumbnailData(*snapshot.thumbnailSource->cgImage())
                                            : QByteArray())
                                     : snapshot.thumbnailData;

    removeStaleSaves(path);
    const SavingFolder saving(path);
    const QString fresh = saving.path();
    try {
        // The folder gets the mode a plain mkdir would have given it.
        ::chmod(native(fresh).constData(), 0777 & ~processUmask());
        writeNewFile(fresh + u'/' + settingsFileName, snapshot.settingsData, path);
        if (!snapshot.imageData.isEmpty()) {
            writeNewFile(fresh + u'/' + imageDataFileName, snapshot.imageData, path);
            if (!thumbnail.isEmpty()) {
                const QString quickLook = fresh + u'/' + quickLookFolderName;
                if (::mkdir(native(quickLook).constData(), 0777) != 0) {
                    throw DocumentFileError::unsavableDocument(path, errno);
                }
                writeNewFile(quickLook + u'/' + thumbnailFileName, thumbnail, path);
                syncFolder(quickLook);
            }
        }
        syncFolder(fresh);
        if (beforeSwap) {
            beforeSwap(fresh);
        }
        swapIn(fresh, path, folder);
    } catch (...) {
        removeTree(fresh);
        throw;
    }
    syncFolder(folder);
}

void DocumentPackage::write(const PrintDocument& document, const QString& path) {
    write(snapshot(document), path);
}

void DocumentPackage::loadInBackground(const QString& path, LoadHandler handler,
                                       const PackageDecodeBound& quickDecodeBound,
                                       SettingsHandler settingsParsed) {
    DocumentWorkQueue::run([path, quickDecodeBound, handler = std::move(handler),
                            settingsParsed = std::move(settingsParsed)]() mutable {
        std::optional<Contents> contents;
        std::shared_ptr<const platform::Error> error;
        try {
            contents = readContents(path, quickDecodeBound, settingsParsed);
        } catch (const platform::Error& e) {
            error = e.clone();
        }
        const ambrel::OriginalImage::Pointer image = contents ? contents->image : nullptr;
        platform::MainThread::post([handler = std::move(handler), contents = std::move(contents),
                                    error]() mutable { handler(std::move(contents), error); });
        // Listing the package's folder for leftovers of killed saves takes
        // as long as its folder is full: the window does not wait for it.
        if (!error) {
            removeStaleSaves(path);
        }
        // A picture shown from a smaller decode gets its whole pixels here,
        // while its window already shows.
        if (image) {
            image->decodeFully();
        }
    });
}

void DocumentPackage::writeInBackground(Snapshot snapshot, const QString& path,
                                        BeforeSwap beforeSwap, WriteHandler handler) {
    // The process ends only once the package is whole again.
    DocumentWorkQueue::runRequired([snapshot = std::move(snapshot), path,
                                    beforeSwap = std::move(beforeSwap),
                                    handler = std::move(handler)]() mutable {
        std::shared_ptr<const platform::Error> error;
        try {
            write(snapshot, path, beforeSwap);
        } catch (const platform::Error& e) {
            error = e.clone();
        }
        platform::MainThread::post([handler = std::move(handler), error] { handler(error); });
    });
}

} // namespace kestrom
