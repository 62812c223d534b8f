#include "core/document/package/PackageFingerprint.h"

#include "core/document/package/DocumentPackage.h"
#include "core/document/package/FileContents.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrom {

namespace {

std::optional<PackageFingerprint::Entry> entryAt(const QString& path, const QString& name) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
        return std::nullopt;
    }
    PackageFingerprint::Entry entry;
    entry.name = name;
    entry.kind = S_ISREG(st.st_mode)   ? 'f'
                 : S_ISDIR(st.st_mode) ? 'd'
                 : S_ISLNK(st.st_mode) ? 'l'
                                       : 'o';
    // A folder's own size and time change with its entries, which are listed.
    if (entry.kind != 'd') {
        entry.size = qint64(st.st_size);
        entry.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    }
    entry.inode = quint64(st.st_ino);
    entry.device = quint64(st.st_dev);
    return entry;
}

// Stands for the contents of a member too large to read; equal to nothing.
const QByteArray notRead = QByteArrayLiteral("-");

// The digest of the file's contents; empty when it cannot be read whole.
QByteArray digestOf(const QString& path, qint64 size, qint64 maximum) {
    if (size > maximum) {
        return notRead;
    }
    // Only the plain file that was listed: one put in its place since (a
    // link, a named pipe, a device) is not read.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > maximum) {
        if (fd >= 0) {
            ::close(fd);
        }
        return {};
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    QCryptographicHash hash(QCryptographicHash::Blake2b_256);
    if (!hash.addData(&file) || file.pos() != size) {
        return {};
    }
    return hash.result();
}

} // namespace

bool PackageFingerprint::Entry::operator==(const Entry& other) const {
    return name == other.name && kind == other.kind && size == other.size &&
           modifiedNs == other.modifiedNs && inode == other.inode && device == other.device &&
           digest == other.digest && digest != notRead;
}

QByteArray PackageFingerprint::digest(const QByteArray& contents) {
    return QCryptographicHash::hash(contents, QCryptographicHash::Blake2b_256);
}

bool PackageFingerprint::isDigested(const QString& name) {
    return name == DocumentPackage::settingsFileName ||
           name == DocumentPackage::imageDataFileName ||
           name == DocumentPackage::quickLookFolderName + u'/' + DocumentPackage::thumbnailFileName;
}

qint64 PackageFingerprint::maximumDigestedSize(const QString& name) {
    return name == DocumentPackage::settingsFileName ? DocumentPackage::maximumSettingsFileSize
                                                     : FileContents::maximumPictureFileSize;
}

std::optional<PackageFingerprint>
PackageFingerprint::withDigests(const QHash<QString, QByteArray>& digests) const {
    PackageFingerprint fingerprint = *this;
    qsizetype used = 0;
    for (Entry& entry : fingerprint.m_entries) {
        entry.digest.clear();
        if (entry.kind != 'f' || !isDigested(entry.name)) {
            continue;
        }
        const auto found = digests.constFind(entry.name);
        if (found == digests.cend()) {
            return std::nullopt;
        }
        entry.digest = *found;
        ++used;
    }
    if (used != digests.size()) {
        return std::nullopt;
    }
    return fingerprint;
}

bool PackageFingerprint::hasDigests() const {
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [](const Entry& entry) { return !entry.digest.isEmpty(); });
}

bool PackageFingerprint::matches(const PackageFingerprint& now) const {
    return hasDigests() ? *this == now : sameMetadata(now);
}

bool PackageFingerprint::sameMetadata(const PackageFingerprint& other) const {
    if (m_exists != other.m_exists || m_entries.size() != other.m_entries.size()) {
        return false;
    }
    for (size_t i = 0; i < m_entries.size(); ++i) {
        Entry a = m_entries[i];
        Entry b = other.m_entries[i];
        a.digest.clear();
        b.digest.clear();
        if (a != b) {
            return false;
        }
    }
    return true;
}

PackageFingerprint PackageFingerprint::of(const QString& path, Contents contents) {
    PackageFingerprint fingerprint;
    const auto top = entryAt(path, QStringLiteral("."));
    if (!top) {
        return fingerprint;
    }
    fingerprint.m_exists = true;
    fingerprint.m_entries.push_back(*top);
    if (top->kind != 'd') {
        return fingerprint;
    }
    const QDir package(path);
    QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString member = it.next();
        if (auto entry = entryAt(member, package.relativeFilePath(member))) {
            if (contents == Contents::digested && entry->kind == 'f' && isDigested(entry->name)) {
                entry->digest = digestOf(member, entry->size, maximumDigestedSize(entry->name));
            }
            fingerprint.m_entries.push_back(*entry);
        }
    }
    std::sort(fingerprint.m_entries.begin(), fingerprint.m_entries.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return fingerprint;
}

QJsonObject PackageFingerprint::toJson() const {
    QJsonArray entries;
    for (const Entry& entry : m_entries) {
        entries.append(
            QJsonObject{{QStringLiteral("name"), entry.name},
                        {QStringLiteral("kind"), QString(QLatin1Char(entry.kind))},
                        {QStringLiteral("size"), QString::number(entry.size)},
                        {QStringLiteral("modified"), QString::number(entry.modifiedNs)},
                        {QStringLiteral("inode"), QString::number(entry.inode)},
                        {QStringLiteral("device"), QString::number(entry.device)},
                        {QStringLiteral("digest"), QString::fromLatin1(entry.digest.toHex())}});
    }
    return {{QStringLiteral("exists"), m_exists}, {QStringLiteral("entries"), entries}};
}

std::optional<PackageFingerprint> PackageFingerprint::fromJson(const QJsonObject& object) {
    if (!object.value(QStringLiteral("exists")).isBool() ||
        !object.value(QStringLiteral("entries")).isArray()) {
        return std::nullopt;
    }
    PackageFingerprint fingerprint;
    fingerprint.m_exists = object.value(QStringLiteral("exists")).toBool();
    for (const QJsonValue& value : object.value(QStringLiteral("entries")).toArray()) {
        const QJsonObject e = value.toObject();
        const QString kind = e.value(QStringLiteral("kind")).toString();
        bool ok[4] = {};
        Entry entry;
        entry.name = e.value(QStringLiteral("name")).toString();
        entry.kind = kind.size() == 1 ? kind.at(0).toLatin1() : '?';
        entry.size = e.value(QStringLiteral("size")).toString().toLongLong(&ok[0]);
        entry.modifiedNs = e.value(QStringLiteral("modified")).toString().toLongLong(&ok[1]);
        entry.inode = e.value(QStringLiteral("inode")).toString().toULongLong(&ok[2]);
        entry.device = e.value(QStringLiteral("device")).toString().toULongLong(&ok[3]);
        entry.digest = QByteArray::fromHex(e.value(QStringLiteral("digest")).toString().toLatin1());
        if (entry.name.isEmpty() || entry.kind == '?' || !ok[0] || !ok[1] || !ok[2] || !ok[3]) {
            return std::nullopt;
        }
        fingerprint.m_entries.push_back(entry);
    }
    return fingerprint;
}

} // namespace kestrom
