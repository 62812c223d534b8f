#pragma once

#include "core/document/package/KeptVersion.h"

#include <QDateTime>
#include <QString>

#include <memory>

namespace kestrom {

// The folder that holds the kept versions of the open documents, one folder
// each, named after the package's path and a random part, so that two
// processes with the same package each keep their own. A version whose
// process ended without closing its document (a crash) stays: the next
// opening of the same package, still as that process left it, takes it back.
class KeptVersions {
public:
    // "<data folder>/Kept Versions"; empty when the user has no data folder.
    static QString standardFolder();
    // How long a version that no package can take back any more stays.
    static constexpr int staleDays = 30;

    explicit KeptVersions(QString folder);
    const QString& folder() const { return m_folder; }

    // The version of the package at the path, which the document has just
    // read in the state the fingerprint gives: one left by a process that
    // ended with the package in that state is taken back, else the package
    // is copied. Any thread. Throws platform::Error when nothing can be kept.
    std::unique_ptr<KeptVersion> keep(const QString& package, const PackageFingerprint& read) const;

    // Removes what ended processes left that is of no use: copies never
    // finished (after an hour), and versions older than staleDays whose
    // package is gone or was changed since. Any thread.
    void removeStale(const QDateTime& now = QDateTime::currentDateTimeUtc()) const;

private:
    // The lock of a version nobody holds; -1 when a living process holds it.
    static int takeLock(const QString& folder);
    QString namePrefix(const QString& package) const;
    std::unique_ptr<KeptVersion> takeBack(const QString& package,
                                          const PackageFingerprint& read) const;
    std::unique_ptr<KeptVersion> copy(const QString& package, const PackageFingerprint& read) const;

    QString m_folder;
};

} // namespace kestrom
