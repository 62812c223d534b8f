#include "core/document/package/KeptVersions.h"

#include "core/document/package/DocumentFileError.h"
#include "core/document/package/DocumentPackage.h"
#include "core/document/package/FileContents.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kestrom {

namespace {

const QString makingPrefix = QStringLiteral(".making-");

// Copies a plain file, link or not; what the source holds as holes stays
// holes, so that a sparse member takes no more room in the copy than in the
// package. Sets errno on failure.
bool copyFile(const QString& from, const QString& to) {
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0) {
        return false;
    }
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        errno = EINVAL;
        return false;
    }
    const int out =
        ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        errno = error;
        return false;
    }
    bool ok = true;
    std::vector<char> buffer(1 << 20);
    off_t offset = 0;
    while (ok && offset < st.st_size) {
        off_t data = ::lseek(in, offset, SEEK_DATA);
        if (data < 0) {
            if (errno == ENXIO) {
                break; // only a hole is left
            }
            data = offset; // no hole support: everything is data
        }
        off_t hole = ::lseek(in, data, SEEK_HOLE);
        if (hole < 0) {
            hole = st.st_size;
        }
        for (off_t at = data; ok && at < hole;) {
            const ssize_t n = ::pread(in, buffer.data(),
                                      size_t(std::min<off_t>(hole - at, off_t(buffer.size()))), at);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                if (n == 0) {
                    errno = EIO; // shrunk meanwhile
                }
                ok = false;
                break;
            }
            for (ssize_t done = 0; ok && done < n;) {
                const ssize_t w = ::pwrite(out, buffer.data() + done, size_t(n - done), at + done);
                if (w < 0 && errno == EINTR) {
                    continue;
                }
                ok = w > 0;
                done += std::max<ssize_t>(w, 0);
            }
            at += n;
        }
        offset = hole;
    }
    ok = ok && ::ftruncate(out, st.st_size) == 0;
    // On disk before the record that names the copy is written.
    ok = ok && ::fsync(out) == 0;
    const int error = errno;
    ::close(in);
    ok = ::close(out) == 0 && ok;
    errno = error;
    return ok;
}

// Puts the folder's entries on disk. Sets errno on failure.
bool syncFolder(const QString& folder) {
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    errno = error;
    return ok;
}

// Copies what the package format holds: the settings, the picture and the
// thumbnail. Members it does not know are no part of the version (a save
// drops them too), and may be of any size. Sets errno on failure.
bool copyPackage(const QString& from, const QString& to) {
    if (!QDir().mkpath(to)) {
        return false;
    }
    const struct {
        QString name;
        qint64 maximum;
    } members[] = {
        {DocumentPackage::settingsFileName, DocumentPackage::maximumSettingsFileSize},
        {DocumentPackage::imageDataFileName, FileContents::maximumPictureFileSize},
        {DocumentPackage::quickLookFolderName + u'/' + DocumentPackage::thumbnailFileName,
         FileContents::maximumPictureFileSize},
    };
    for (const auto& member : members) {
        const QString source = QDir(from).filePath(member.name);
        const QFileInfo info(source);
        // No package the application opens has a larger one, nor a link,
        // nor one reached through a linked folder.
        if (!DocumentPackage::hasOwnFoldersTo(from, member.name) || !info.exists() ||
            info.isSymLink() || !info.isFile() || info.size() > member.maximum) {
            continue;
        }
        const QString target = QDir(to).filePath(member.name);
        if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !copyFile(source, target)) {
            return false;
        }
    }
    const QString quickLook = QDir(to).filePath(DocumentPackage::quickLookFolderName);
    return (!QFileInfo(quickLook).isDir() || syncFolder(quickLook)) && syncFolder(to) &&
           syncFolder(QFileInfo(to).absolutePath());
}

// Held while this process takes and holds a version's lock for a moment
// only (cleanup), and while it looks for a version to take back.
std::mutex& lockingMutex() {
    static std::mutex mutex;
    return mutex;
}

QDateTime newestModification(const PackageFingerprint& fingerprint) {
    qint64 newest = 0;
    for (const auto& entry : fingerprint.entries()) {
        newest = std::max(newest, entry.modifiedNs);
    }
    return newest > 0 ? QDateTime::fromMSecsSinceEpoch(newest / 1000000, Qt::UTC)
                      : QDateTime::currentDateTimeUtc();
}

} // namespace

QString KeptVersions::standardFolder() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return data.isEmpty() ? QString() : QDir(data).filePath(QStringLiteral("Kept Versions"));
}

KeptVersions::KeptVersions(QString folder) : m_folder(std::move(folder)) {}

int KeptVersions::takeLock(const QString& folder) {
    const QByteArray path = QFile::encodeName(QDir(folder).filePath(KeptVersion::lockFileName));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

QString KeptVersions::namePrefix(const QString& package) const {
    return QString::fromLatin1(
               QCryptographicHash::hash(package.toUtf8(), QCryptographicHash::Sha256)
                   .toHex()
                   .left(16)) +
           u'-';
}

std::unique_ptr<KeptVersion> KeptVersions::keep(const QString& package,
                                                const PackageFingerprint& read) const {
    if (auto taken = takeBack(package, read)) {
        return taken;
    }
    return copy(package, read);
}

std::unique_ptr<KeptVersion> KeptVersions::takeBack(const QString& package,
                                                    const PackageFingerprint& read) const {
    const QStringList names = QDir(m_folder).entryList({namePrefix(package) + u'*'}, QDir::Dirs);
    // This process's cleanup holds a lock only for moments, under the same
    // mutex: a lock held now is another process's.
    const std::lock_guard locking(lockingMutex());
    for (const QString& name : names) {
        const QString folder = QDir(m_folder).filePath(name);
        const int lock = takeLock(folder);
        if (lock < 0) {
            continue; // a living process's
        }
        auto record = KeptVersion::readRecord(folder);
        // Only the version of this package, which its process last left in
        // the state now read (a write it had begun may have put its package
        // in place); any other state is somebody else's.
        if (record && record->package == package && record->belongsTo(read) &&
            QFileInfo(QDir(folder).filePath(QFileInfo(package).fileName())).isDir()) {
            // The state that matched is the one read, digests and all (a
            // record of an earlier version has none).
            if (record->pending && record->pending->matches(read)) {
                record->written = read;
            } else if (record->written) {
                record->written = read;
            } else {
                record->source = read;
            }
            record->pending.reset();
            return std::make_unique<KeptVersion>(folder, lock, *record);
        }
        ::close(lock);
    }
    return nullptr;
}

std::unique_ptr<KeptVersion> KeptVersions::copy(const QString& package,
                                                const PackageFingerprint& read) const {
    if (!QDir().mkpath(m_folder)) {
        throw DocumentFileError::unsavableDocument(m_folder, errno ? errno : EACCES);
    }
    QByteArray pattern =
        QFile::encodeName(QDir(m_folder).filePath(makingPrefix + QStringLiteral("XXXXXX")));
    if (!::mkdtemp(pattern.data())) {
        throw DocumentFileError::unsavableDocument(m_folder, errno);
    }
    const QString making = QFile::decodeName(pattern);
    const int lock = takeLock(making);
    KeptVersion::Record record;
    record.package = package;
    record.savedAt = newestModification(read);
    record.source = read;
    const QString copied = QDir(making).filePath(QFileInfo(package).fileName());
    if (lock < 0 || !copyPackage(package, copied) || !KeptVersion::writeRecord(making, record)) {
        const int error = errno ? errno : EIO;
        if (lock >= 0) {
            ::close(lock);
        }
        QDir(making).removeRecursively();
        throw DocumentFileError::unsavableDocument(copied, error);
    }
    // Named after the package once whole; the lock stays held across.
    const QString random = making.mid(making.lastIndexOf(makingPrefix) + makingPrefix.size());
    const QString folder = QDir(m_folder).filePath(namePrefix(package) + random);
    if (::rename(pattern.constData(), QFile::encodeName(folder).constData()) != 0) {
        const int error = errno;
        ::close(lock);
        QDir(making).removeRecursively();
        throw DocumentFileError::unsavableDocument(folder, error);
    }
    // A crash right after must not find it under its unfinished name, which
    // cleanup removes. Failing here loses nothing: it is whole.
    syncFolder(m_folder);
    return std::make_unique<KeptVersion>(folder, lock, record);
}

void KeptVersions::removeStale(const QDateTime& now) const {
    const QDir store(m_folder);
    for (const QString& name : store.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
        const QString folder = store.filePath(name);
        const QString recordPath = store.filePath(name + u'/' + KeptVersion::recordFileName);
        std::optional<KeptVersion::Record> record;
        {
            const std::lock_guard locking(lockingMutex());
            const int lock = takeLock(folder);
            if (lock < 0) {
                continue;
            }
            if (name.startsWith(makingPrefix)) {
                // A copy under way in another process is young; one a crash left is not.
                if (QFileInfo(folder).lastModified().addSecs(3600) < now) {
                    QDir(folder).removeRecursively();
                }
                ::close(lock);
                continue;
            }
            record = KeptVersion::readRecord(folder);
            const bool old = QFileInfo(recordPath).lastModified().addDays(staleDays) < now;
            if (!record) {
                QDir(folder).removeRecursively();
            }
            ::close(lock);
            if (!record || !old) {
                continue;
            }
        }
        // Reading the package takes a while: the version stays free for a
        // start that takes it back meanwhile.
        if (record->belongsTo(PackageFingerprint::of(record->package))) {
            continue;
        }
        const std::lock_guard locking(lockingMutex());
        const int lock = takeLock(folder);
        if (lock < 0) {
            continue;
        }
        // Only as it was looked at: taken back and left again, it is new.
        if (KeptVersion::readRecord(folder) == record &&
            QFileInfo(recordPath).lastModified().addDays(staleDays) < now) {
            // The record first: a folder left half removed (the process
            // ending meanwhile) is never taken back.
            QFile::remove(recordPath);
            QDir(folder).removeRecursively();
        }
        ::close(lock);
    }
}

} // namespace kestrom
