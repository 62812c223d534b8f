#pragma once

#include "platform/Observation.h"

#include <QObject>
#include <QString>

#include <optional>

namespace platform {
class UndoManager;
}

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

    bool isEdited() const { return m_changeCount != 0; }
    void updateChangeCount(ChangeType change);

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

    // Documents save themselves in place a while after a change.
    static constexpr bool autosavesInPlace() { return true; }

protected:
    // The document was saved or reverted: its current state is the saved one.
    virtual void changeCountCleared() {}

signals:
    void editedChanged(bool edited);
    // What can be undone or redone, or the names of the steps, changed.
    void undoStateChanged();
    void filePathChanged();
    // The document asks its windows to close (it is being closed).
    void closing();

private:
    std::optional<QString> m_filePath;
    int m_untitledNumber = 1;
    qint64 m_changeCount = 0;
    platform::UndoManager* m_undoManager = nullptr;
    platform::Observation m_undoCountObservation;
    platform::Observation m_undoNameObservation;
};

} // namespace kestrom
