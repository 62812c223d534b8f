#pragma once

#include "core/document/package/PackageFingerprint.h"

#include <QDateTime>
#include <QString>

#include <mutex>
#include <optional>

namespace kestrom {

// A copy of a package as it was opened or explicitly saved, kept in the
// user's data folder while its document is open, so that Revert to Saved can
// go back to it after the package was saved in place. While this object
// lives it holds a lock on the copy: a copy whose lock nobody holds was left
// by a process that ended, and the next start may take it back (KeptVersions).
class KeptVersion {
public:
    struct Record {
        QString package;           // the original package
        QDateTime savedAt;         // when the kept version was written
        PackageFingerprint source; // the package as it was kept
        // The package as the document last wrote it in place, if it did.
        std::optional<PackageFingerprint> written;
        // The package as a write under way leaves it once it has taken the
        // package's place. Noted before the swap, so that a process killed
        // between the swap and noteWritten still finds its version.
        std::optional<PackageFingerprint> pending;
        // Whether the package in this state belongs to this version; a
        // record noted without digests compares metadata alone.
        bool belongsTo(const PackageFingerprint& package) const;
        bool operator==(const Record&) const = default;
    };

    KeptVersion(QString folder, int lock, Record record);
    ~KeptVersion();
    KeptVersion(const KeptVersion&) = delete;
    KeptVersion& operator=(const KeptVersion&) = delete;

    // The copy, a package named like the original.
    QString packagePath() const;
    const QString& folder() const { return m_folder; }
    // A copy: a write on a worker may note a pending state meanwhile.
    Record record() const;

    // Notes the package as a write in place will leave it, before that
    // write puts it in place; any thread. False when the note cannot be
    // written: the write must not go on.
    bool notePending(const PackageFingerprint& pending);
    // Notes the package as the document wrote it in place, so that a start
    // after a crash knows this version belongs to the package it finds.
    void noteWritten(const PackageFingerprint& written);
    // Notes that the package was written with this version again.
    void noteRestored(const PackageFingerprint& restored);
    // Removes the copy.
    void discard();

    static const QString recordFileName; // "Kept.json"
    static const QString lockFileName;   // ".lock"
    // A record larger than this is no record of ours.
    static constexpr qint64 maximumRecordSize = qint64(1) << 20;
    // Nothing when the folder holds no record, or only something else in
    // its place (not a plain file, too large, not a record).
    static std::optional<Record> readRecord(const QString& folder);
    // Writes the record beside the copy by renaming, so it is never half there.
    static bool writeRecord(const QString& folder, const Record& record);

private:
    mutable std::mutex m_mutex;
    QString m_folder;
    int m_lock = -1;
    Record m_record;
};

} // namespace kestrom
