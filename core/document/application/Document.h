#pragma once

#include "core/document/package/PackageDecodeBound.h"
#include "core/document/package/PackageFingerprint.h"
#include "platform/Observation.h"

#include <QObject>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace platform {
class Error;
class UndoManager;
} // namespace platform

namespace kestrom {

// A document as the document controller sees it: where it is stored, its
// name, and whether it holds changes not yet saved. What it holds and how it
// is read and written belongs to the subclass.
class Document : public QObject {
    Q_OBJECT
public:
    // How the change count moves: a change made, undone or redone, or the
    // document saved or reverted.
    enum class ChangeType { done, undone, redone, cleared };

    static const QString packageExtension;

    Document();
    ~Document() override;

    // The package the document was read from or last saved to.
    const std::optional<QString>& filePath() const { return m_filePath; }
    void setFilePath(std::optional<QString> path);

    // The package's name without its extension, or the untitled name.
    QString displayName() const;
    void setUntitledNumber(int number) { m_untitledNumber = number; }

    // Edited when the change count is not zero, or when the undo steps
    // reached another state than the saved one with the same count.
    bool isEdited() const;
    // Whether the document holds content or content is on its way in (an
    // import not yet ended): such a document is not untouched, even before
    // the step that brought the content has made it edited.
    virtual bool hasOrAwaitsContent() const { return false; }
    void updateChangeCount(ChangeType change);

    // The state a save writes. A save takes it when it starts and hands it
    // to markSaved() when the package is written, so that changes made
    // while the package was written keep the document edited.
    struct SavePoint {
        qint64 changeCount = 0;
        qint64 undoChangeCount = 0;
        qint64 undoState = 0;
    };
    SavePoint savePoint() const;
    void markSaved(const SavePoint& point);

    // The undo manager whose steps make the document edited: each step done
    // or redone counts one change, each undone step one back. The manager
    // must outlive the document or be replaced first.
    platform::UndoManager* undoManager() const { return m_undoManager; }
    void setUndoManager(platform::UndoManager* undoManager);

    // Reads the package at the path into the document; throws platform::Error.
    virtual void readFromPath(const QString& path);
    // Writes the document as a package at the path; throws platform::Error
    // and leaves an existing package untouched when it fails.
    virtual void writeToPath(const QString& path);

    // The error, or nothing when the work succeeded.
    using FileHandler = std::function<void(std::shared_ptr<const platform::Error> error)>;
    // Runs on the thread that writes, last before the package at the path
    // changes: with the complete new package when the document writes one
    // beside the old and swaps it in, with nothing when it writes in place.
    // A platform::Error it throws stops the write, the old package as it was.
    using BeforeReplacing = std::function<void(const std::optional<QString>& written)>;
    // Why a document is written: the user saved it (File › Save, Save As,
    // saving before closing), or it saves itself (in place after a change,
    // or putting back the version it was reverted to).
    enum class WriteReason { userSave, automatic };
    // As readFromPath and writeToPath, with the slow part on a worker where
    // the document can: `done` runs on the main thread, once, and never
    // after the document is gone. These do the work at once and call `done`
    // before they return.
    virtual void readFromPathInBackground(const QString& path, FileHandler done);
    virtual void writeToPathInBackground(const QString& path, FileHandler done,
                                         BeforeReplacing beforeReplacing = {},
                                         WriteReason reason = WriteReason::userSave);

    // What a read that succeeded has to tell the user: what of the package
    // it could not read (its picture, say), once; nothing when it read all.
    virtual std::shared_ptr<const platform::Error> takeReadNotice() { return nullptr; }

    // The package as the last read found it: its metadata and the digests
    // of the members as they were read. Nothing when the document cannot
    // tell, or the package changed while it was read.
    const std::optional<PackageFingerprint>& readFingerprint() const { return m_readFingerprint; }

    // What readFromPathInBackground first decodes a package's picture to
    // cover (see PackageDecodeBound), so that the document shows before all
    // its pixels are decoded; empty (the default) to decode it whole first.
    void setQuickDecodeBound(const PackageDecodeBound& bound) { m_quickDecodeBound = bound; }
    const PackageDecodeBound& quickDecodeBound() const { return m_quickDecodeBound; }

    // Documents save themselves in place a while after a change.
    static constexpr bool autosavesInPlace() { return true; }

protected:
    // Told by a read, from the bytes it parsed.
    void setReadFingerprint(std::optional<PackageFingerprint> fingerprint) {
        m_readFingerprint = std::move(fingerprint);
    }
    // The document was saved or reverted: the state at the point is the
    // saved one.
    virtual void savedStateChanged(const SavePoint& point) { (void)point; }

signals:
    void editedChanged(bool edited);
    // What can be undone or redone, or the names of the steps, changed.
    void undoStateChanged();
    void filePathChanged();
    // The document asks its windows to close (it is being closed).
    void closing();
    // A read notice (takeReadNotice) came after the document was shown
    // with what the read brought: its picture's whole pixels did not decode.
    void readNoticeReady();

private:
    void announceEdited();

    std::optional<QString> m_filePath;
    int m_untitledNumber = 1;
    qint64 m_changeCount = 0;
    qint64 m_savedUndoState = 0;
    bool m_announcedEdited = false;
    platform::UndoManager* m_undoManager = nullptr;
    platform::Observation m_undoCountObservation;
    platform::Observation m_undoNameObservation;
    PackageDecodeBound m_quickDecodeBound;
    std::optional<PackageFingerprint> m_readFingerprint;
};

} // namespace kestrom
