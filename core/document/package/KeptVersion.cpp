#include "core/document/package/KeptVersion.h"

#include "platform/Log.h"
#include "platform/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>

#include <unistd.h>

namespace kestrom {

const QString KeptVersion::recordFileName = QStringLiteral("Kept.json");
const QString KeptVersion::lockFileName = QStringLiteral(".lock");

KeptVersion::KeptVersion(QString folder, int lock, Record record)
    : m_folder(std::move(folder)), m_lock(lock), m_record(std::move(record)) {}

KeptVersion::~KeptVersion() {
    if (m_lock >= 0) {
        ::close(m_lock);
    }
}

bool KeptVersion::Record::belongsTo(const PackageFingerprint& package) const {
    return (written ? *written : source).matches(package) || (pending && pending->matches(package));
}

QString KeptVersion::packagePath() const {
    const std::lock_guard lock(m_mutex);
    return QDir(m_folder).filePath(QFileInfo(m_record.package).fileName());
}

KeptVersion::Record KeptVersion::record() const {
    const std::lock_guard lock(m_mutex);
    return m_record;
}

bool KeptVersion::notePending(const PackageFingerprint& pending) {
    const std::lock_guard lock(m_mutex);
    if (m_folder.isEmpty()) {
        return false;
    }
    Record record = m_record;
    record.pending = pending;
    if (!writeRecord(m_folder, record)) {
        return false;
    }
    m_record = record;
    return true;
}

void KeptVersion::noteWritten(const PackageFingerprint& written) {
    const std::lock_guard lock(m_mutex);
    m_record.written = written;
    m_record.pending.reset();
    if (!m_folder.isEmpty() && !writeRecord(m_folder, m_record)) {
        platform::Log::line(QStringLiteral("cannot note the save in ") + m_folder);
    }
}

void KeptVersion::noteRestored(const PackageFingerprint& restored) {
    const std::lock_guard lock(m_mutex);
    m_record.source = restored;
    m_record.written.reset();
    m_record.pending.reset();
    if (!m_folder.isEmpty() && !writeRecord(m_folder, m_record)) {
        platform::Log::line(QStringLiteral("cannot note the restore in ") + m_folder);
    }
}

void KeptVersion::discard() {
    const std::lock_guard lock(m_mutex);
    if (m_folder.isEmpty()) {
        return;
    }
    // The record goes first: a folder without one is never taken back.
    QFile::remove(QDir(m_folder).filePath(recordFileName));
    QDir(m_folder).removeRecursively();
    m_folder.clear();
    if (m_lock >= 0) {
        ::close(m_lock);
        m_lock = -1;
    }
}

std::optional<KeptVersion::Record> KeptVersion::readRecord(const QString& folder) {
    // Written by us as a small plain file: anything else in its place (a
    // link to a device that never ends, a named pipe) is no record.
    const auto data =
        platform::RegularFile::read(QDir(folder).filePath(recordFileName), maximumRecordSize,
                                    platform::RegularFile::Links::refuse);
    if (!data) {
        return std::nullopt;
    }
    const QJsonObject object = QJsonDocument::fromJson(*data).object();
    Record record;
    record.package = object.value(QStringLiteral("package")).toString();
    record.savedAt = QDateTime::fromString(object.value(QStringLiteral("savedAt")).toString(),
                                           Qt::ISODateWithMs);
    const auto source =
        PackageFingerprint::fromJson(object.value(QStringLiteral("source")).toObject());
    if (record.package.isEmpty() || !record.savedAt.isValid() || !source) {
        return std::nullopt;
    }
    record.source = *source;
    for (auto [key, field] : {std::pair{QStringLiteral("written"), &record.written},
                              std::pair{QStringLiteral("pending"), &record.pending}}) {
        if (object.contains(key)) {
            *field = PackageFingerprint::fromJson(object.value(key).toObject());
            if (!*field) {
                return std::nullopt;
            }
        }
    }
    return record;
}

bool KeptVersion::writeRecord(const QString& folder, const Record& record) {
    QJsonObject object{{QStringLiteral("package"), record.package},
                       {QStringLiteral("savedAt"), record.savedAt.toString(Qt::ISODateWithMs)},
                       {QStringLiteral("source"), record.source.toJson()}};
    if (record.written) {
        object.insert(QStringLiteral("written"), record.written->toJson());
    }
    if (record.pending) {
        object.insert(QStringLiteral("pending"), record.pending->toJson());
    }
    QSaveFile file(QDir(folder).filePath(recordFileName));
    return file.open(QIODevice::WriteOnly) &&
           file.write(QJsonDocument(object).toJson(QJsonDocument::Compact)) >= 0 && file.commit();
}

} // namespace kestrom
