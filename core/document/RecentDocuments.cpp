#include "core/document/RecentDocuments.h"

#include "platform/Log.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace kestrom {

RecentDocuments::RecentDocuments(QString storagePath) : m_storagePath(std::move(storagePath)) {
    load();
}

void RecentDocuments::note(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_paths.removeAll(absolute);
    m_paths.prepend(absolute);
    while (m_paths.size() > maximumCount) {
        m_paths.removeLast();
    }
    save();
}

void RecentDocuments::clear() {
    m_paths.clear();
    save();
}

void RecentDocuments::removeMissing() {
    const qsizetype before = m_paths.size();
    m_paths.removeIf([](const QString& path) { return !QFileInfo::exists(path); });
    if (m_paths.size() != before) {
        save();
    }
}

void RecentDocuments::load() {
    if (m_storagePath.isEmpty()) {
        return;
    }
    QFile file(m_storagePath);
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    // One absolute path a line; anything else is skipped.
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QString path = QString::fromUtf8(line).trimmed();
        if (QDir::isAbsolutePath(path) && !m_paths.contains(path) &&
            m_paths.size() < maximumCount) {
            m_paths << path;
        }
    }
}

void RecentDocuments::save() const {
    if (m_storagePath.isEmpty()) {
        return;
    }
    QDir().mkpath(QFileInfo(m_storagePath).absolutePath());
    QSaveFile file(m_storagePath);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(m_paths.join(QLatin1Char('\n')).toUtf8()) < 0 || !file.commit()) {
        platform::Log::line(QStringLiteral("cannot write the recent documents to ") +
                            m_storagePath);
    }
}

} // namespace kestrom
