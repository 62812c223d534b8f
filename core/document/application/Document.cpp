#include "core/document/application/Document.h"

#include "core/document/job/KestromText.h"
#include "platform/Error.h"
#include "platform/UndoManager.h"

#include <QFileInfo>

#include <cstdlib>

namespace kestrom {

const QString Document::packageExtension = QStringLiteral("lunvik");

namespace {

platform::Error unsupported(const QString& description) {
    platform::Error::UserInfo info;
    info.localizedDescription = description;
    return platform::Error(QStringLiteral("KestromDocumentError"), 1, info);
}

} // namespace

Document::Document() = default;

Document::~Document() = default;

void Document::setFilePath(std::optional<QString> path) {
    if (path == m_filePath) {
        return;
    }
    m_filePath = std::move(path);
    emit filePathChanged();
}

QString Document::displayName() const {
    if (m_filePath) {
        const QFileInfo info(*m_filePath);
        const QString suffix = QLatin1Char('.') + packageExtension;
        QString name = info.fileName();
        if (name.endsWith(suffix)) {
            name.chop(suffix.size());
        }
        return name;
    }
    const QString untitled = KestromText::text("Document_Untitled");
    return m_untitledNumber <= 1 ? untitled
                                 : untitled + QLatin1Char(' ') + QString::number(m_untitledNumber);
}

bool Document::isEdited() const {
    return m_changeCount != 0 ||
           (m_undoManager && m_undoManager->stateIdentifier() != m_savedUndoState);
}

void Document::updateChangeCount(ChangeType change) {
    if (change == ChangeType::cleared) {
        markSaved(savePoint());
        return;
    }
    m_changeCount += change == ChangeType::undone ? -1 : 1;
    announceEdited();
}

// The undo manager has changed its state before it tells of the new count,
// so the flag last announced is the one to compare with.
void Document::announceEdited() {
    const bool edited = isEdited();
    if (edited != m_announcedEdited) {
        m_announcedEdited = edited;
        emit editedChanged(edited);
    }
}

Document::SavePoint Document::savePoint() const {
    SavePoint point;
    point.changeCount = m_changeCount;
    if (m_undoManager) {
        point.undoChangeCount = m_undoManager->changeCount();
        point.undoState = m_undoManager->stateIdentifier();
    }
    return point;
}

void Document::markSaved(const SavePoint& point) {
    m_changeCount -= point.changeCount;
    m_savedUndoState = point.undoState;
    savedStateChanged(point);
    announceEdited();
}

void Document::setUndoManager(platform::UndoManager* undoManager) {
    m_undoCountObservation.invalidate();
    m_undoNameObservation.invalidate();
    m_undoManager = undoManager;
    m_savedUndoState = undoManager ? undoManager->stateIdentifier() : 0;
    if (!undoManager) {
        return;
    }
    announceEdited();
    m_undoCountObservation = undoManager->observe(
        QStringLiteral("changeCount"), platform::Observable::Old | platform::Observable::New,
        [this](const platform::KeyValueChange& change) {
            const qint64 delta = change.newValue.toLongLong() - change.oldValue.toLongLong();
            for (qint64 i = 0; i < std::abs(delta); ++i) {
                updateChangeCount(delta > 0 ? ChangeType::done : ChangeType::undone);
            }
            emit undoStateChanged();
        });
    m_undoNameObservation =
        undoManager->observe(QStringLiteral("undoMenuItemTitle"),
                             [this](const platform::KeyValueChange&) { emit undoStateChanged(); });
}

void Document::readFromPath(const QString& path) {
    throw unsupported(KestromText::text("Document_CannotBeOpened").arg(QFileInfo(path).fileName()));
}

void Document::writeToPath(const QString& path) {
    throw unsupported(KestromText::text("Document_CannotBeSaved").arg(QFileInfo(path).fileName()));
}

void Document::readFromPathInBackground(const QString& path, FileHandler done) {
    std::shared_ptr<const platform::Error> error;
    m_readFingerprint.reset();
    try {
        readFromPath(path);
    } catch (const platform::Error& e) {
        error = e.clone();
    }
    done(error);
}

void Document::writeToPathInBackground(const QString& path, FileHandler done,
                                       BeforeReplacing beforeReplacing, WriteReason) {
    std::shared_ptr<const platform::Error> error;
    try {
        if (beforeReplacing) {
            beforeReplacing(std::nullopt);
        }
        writeToPath(path);
    } catch (const platform::Error& e) {
        error = e.clone();
    }
    done(error);
}

} // namespace kestrom
