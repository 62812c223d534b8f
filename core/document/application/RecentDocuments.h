#pragma once

#include <QString>
#include <QStringList>

namespace kestrom {

// The documents opened or saved last, newest first, kept in a file so that
// the next start offers them too.
class RecentDocuments {
public:
    static constexpr int maximumCount = 10;
    // A stored list larger than this is no list of ours.
    static constexpr qint64 maximumFileSize = qint64(1) << 20;

    // Without a file the list lives for the run only.
    explicit RecentDocuments(QString storagePath = {});

    const QStringList& paths() const { return m_paths; }
    // The menu titles of the paths: the document names, and for names that
    // several entries share, enough of the folder to tell them apart.
    QStringList titles() const;
    void note(const QString& path);
    void clear();
    // Drops the documents that no longer exist.
    void removeMissing();
    // The file is written on a worker, in the order of the changes; this
    // waits until the changes made so far are written.
    static void waitForSaves();

private:
    void load();
    void save() const;

    QString m_storagePath;
    QStringList m_paths;
};

} // namespace kestrom
