#include "core/document/application/RecentDocuments.h"

#include "platform/Log.h"
#include "platform/RegularFile.h"
#include "platform/WorkQueue.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace kestrom {

namespace {

// The list's writes, one at a time in the order they were asked for: each
// syncs the file to the disk, which the window never waits for.
struct RecentDocumentsSavesDescription {
    static platform::WorkQueue::Options options() {
        return {.name = QStringLiteral("recent documents"), .maxThreadCount = 1};
    }
};
using RecentDocumentsSaves = platform::SharedWorkQueue<RecentDocumentsSavesDescription>;

} // namespace

void RecentDocuments::waitForSaves() {
    RecentDocumentsSaves::waitForDone();
}

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

namespace {

// The folder as people read it, the home folder as "~".
QString readableFolder(const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    const QString home = QDir::homePath();
    if (folder == home || folder.startsWith(home + QLatin1Char('/'))) {
        return QDir::toNativeSeparators(QLatin1Char('~') + folder.mid(home.size()));
    }
    return QDir::toNativeSeparators(folder);
}

} // namespace

QStringList RecentDocuments::titles() const {
    QStringList names;
    QStringList folderNames;
    for (const QString& path : m_paths) {
        const QFileInfo info(path);
        names << info.completeBaseName();
        folderNames << QFileInfo(info.absolutePath()).fileName();
    }
    QStringList titles;
    for (qsizetype i = 0; i < m_paths.size(); ++i) {
        if (names.count(names[i]) == 1) {
            titles << names[i];
            continue;
        }
        // The folder's name suffices unless a namesake lies in a folder of the same name.
        bool folderNameShared = false;
        for (qsizetype j = 0; j < m_paths.size(); ++j) {
            folderNameShared |= j != i && names[j] == names[i] && folderNames[j] == folderNames[i];
        }
        const QString folder = folderNameShared || folderNames[i].isEmpty()
                                   ? readableFolder(m_paths[i])
                                   : folderNames[i];
        titles << names[i] + QStringLiteral(" \u2014 ") + folder;
    }
    return titles;
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
    // What this process wrote last is what it reads.
    waitForSaves();
    // A plain file of a few paths: anything else in its place is no list.
    const auto data = platform::RegularFile::read(m_storagePath, maximumFileSize);
    if (!data) {
        return;
    }
    // One absolute path a line; anything else is skipped.
    for (const QByteArray& line : data->split('\n')) {
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
    RecentDocumentsSaves::runRequired(
        [path = m_storagePath, bytes = m_paths.join(QLatin1Char('\n')).toUtf8()] {
            QDir().mkpath(QFileInfo(path).absolutePath());
            QSaveFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) < 0 || !file.commit()) {
                platform::Log::line(QStringLiteral("cannot write the recent documents to ") + path);
            }
        });
}

} // namespace kestrom
