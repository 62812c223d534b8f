#include "core/document/Document.h"

#include "core/document/KestromText.h"
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

void Document::updateChangeCount(ChangeType change) {
    const bool wasEdited = isEdited();
    switch (change) {
    case ChangeType::done:
    case ChangeType::redone:
        ++m_changeCount;
        break;
    case ChangeType::undone:
        --m_changeCount;
        break;
    case ChangeType::cleared:
        m_changeCount = 0;
        changeCountCleared();
        break;
    }
    if (wasEdited != isEdited()) {
        emit editedChanged(isEdited());
    }
}

void Document::setUndoManager(platform::UndoManager* undoManager) {
    m_undoCountObservation.invalidate();
    m_undoNameObservation.invalidate();
    m_undoManager = undoManager;
    if (!undoManager) {
        return;
    }
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

} // namespace kestrom
