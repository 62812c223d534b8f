#include "core/document/DocumentController.h"

#include "core/document/KestromText.h"
#include "platform/Error.h"
#include "platform/Log.h"

#include <QFileInfo>
#include <QTimer>

namespace kestrom {

namespace {

DocumentController*& sharedController() {
    static DocumentController* controller = nullptr;
    return controller;
}

const char* autosaveTimerName = "autosaveTimer";

} // namespace

DocumentController::DocumentController(DocumentMaker makeDocument, QObject* parent)
    : QObject(parent), m_makeDocument(std::move(makeDocument)) {
    if (!sharedController()) {
        sharedController() = this;
    }
}

DocumentController::~DocumentController() {
    if (sharedController() == this) {
        sharedController() = nullptr;
    }
    // Windows hold pointers to their documents; let them go first.
    for (const auto& document : m_documents) {
        emit document->closing();
    }
}

DocumentController* DocumentController::shared() {
    return sharedController();
}

void DocumentController::setRecentDocuments(RecentDocuments recent) {
    m_recent = std::move(recent);
    m_recent.removeMissing();
    emit recentDocumentsChanged();
}

QList<Document*> DocumentController::documents() const {
    QList<Document*> list;
    for (const auto& document : m_documents) {
        list << document.get();
    }
    return list;
}

Document* DocumentController::documentForPath(const QString& path) const {
    const QString wanted = QFileInfo(path).absoluteFilePath();
    for (const auto& document : m_documents) {
        if (document->filePath() && QFileInfo(*document->filePath()).absoluteFilePath() == wanted) {
            return document.get();
        }
    }
    return nullptr;
}

Document* DocumentController::currentDocument() const {
    if (m_current) {
        return m_current;
    }
    return m_documents.empty() ? nullptr : m_documents.back().get();
}

void DocumentController::setCurrentDocument(Document* document) {
    if (m_current == document) {
        return;
    }
    m_current = document;
    emit currentDocumentChanged(document);
}

Document* DocumentController::openUntitledDocument(bool display) {
    std::unique_ptr<Document> document = m_makeDocument();
    document->setUntitledNumber(++m_untitledCount);
    Document* made = document.get();
    addDocument(std::move(document), display);
    return made;
}

void DocumentController::addDocument(std::unique_ptr<Document> document, bool display) {
    Document* added = document.get();
    connect(added, &Document::editedChanged, this, [this, added](bool edited) {
        if (edited) {
            scheduleAutosave(added);
        }
    });
    m_documents.push_back(std::move(document));
    setCurrentDocument(added);
    if (display && m_makeWindow) {
        m_makeWindow(*added);
    }
    emit documentsChanged();
}

void DocumentController::openDocument(const QString& path, bool display, OpenHandler handler) {
    if (Document* open = documentForPath(path)) {
        if (display && m_makeWindow) {
            m_makeWindow(*open);
        }
        if (handler) {
            handler(open, true, nullptr);
        }
        return;
    }
    Document* untouched = nullptr;
    if (m_documents.size() == 1 && !m_documents.front()->filePath() &&
        !m_documents.front()->isEdited()) {
        untouched = m_documents.front().get();
    }
    std::unique_ptr<Document> document = m_makeDocument();
    try {
        if (!QFileInfo(path).isDir()) {
            platform::Error::UserInfo info;
            info.localizedDescription =
                KestromText::text("Document_CannotBeOpened").arg(QFileInfo(path).fileName());
            info.localizedRecoverySuggestion =
                KestromText::text("Document_CannotBeOpened_NotAPackage");
            throw platform::Error(QStringLiteral("KestromDocumentError"), 2, info);
        }
        document->readFromPath(path);
    } catch (const platform::Error& e) {
        // The untitled document stays: a failed open loses nothing.
        presentError(nullptr, e);
        if (handler) {
            handler(nullptr, false, e.clone());
        }
        return;
    }
    document->setFilePath(QFileInfo(path).absoluteFilePath());
    if (untouched) {
        removeDocument(untouched);
    }
    Document* opened = document.get();
    addDocument(std::move(document), display);
    m_recent.note(path);
    emit recentDocumentsChanged();
    if (handler) {
        handler(opened, false, nullptr);
    }
}

void DocumentController::openDocumentWithPanel() {
    if (!m_panels) {
        return;
    }
    QPointer<DocumentController> self(this);
    m_panels->chooseDocumentsToOpen([self](const QStringList& paths) {
        if (!self) {
            return;
        }
        for (const QString& path : paths) {
            self->openDocument(path, true);
        }
    });
}

void DocumentController::openDocumentsFromArguments(const QStringList& paths) {
    for (const QString& path : paths) {
        openDocument(path, true);
    }
    if (m_documents.empty()) {
        try {
            openUntitledDocument(true);
        } catch (const platform::Error& e) {
            presentError(nullptr, e);
        }
    }
}

void DocumentController::clearRecentDocuments() {
    m_recent.clear();
    emit recentDocumentsChanged();
}

QString DocumentController::packagePath(const QString& path) const {
    const QString suffix = QLatin1Char('.') + Document::packageExtension;
    return path.endsWith(suffix) ? path : path + suffix;
}

void DocumentController::saveDocument(Document* document) {
    if (!document) {
        return;
    }
    if (!document->filePath()) {
        saveDocumentAs(document);
        return;
    }
    saveDocumentTo(document, *document->filePath());
}

void DocumentController::saveDocumentAs(Document* document) {
    if (!document || !m_panels) {
        return;
    }
    QPointer<Document> target(document);
    QPointer<DocumentController> self(this);
    m_panels->chooseSaveLocation(*document, [self, target](std::optional<QString> path) {
        if (self && target && path) {
            self->saveDocumentTo(target, *path);
        }
    });
}

bool DocumentController::saveDocumentTo(Document* document, const QString& path) {
    const QString package = QFileInfo(packagePath(path)).absoluteFilePath();
    try {
        document->writeToPath(package);
    } catch (const platform::Error& e) {
        presentError(document, e);
        return false;
    }
    document->setFilePath(package);
    document->updateChangeCount(Document::ChangeType::cleared);
    m_recent.note(package);
    emit recentDocumentsChanged();
    return true;
}

void DocumentController::revertDocumentToSaved(Document* document) {
    if (!document || !document->filePath() || !m_panels) {
        return;
    }
    QPointer<Document> target(document);
    QPointer<DocumentController> self(this);
    m_panels->confirmRevert(*document, [self, target](bool revert) {
        if (!self || !target || !revert || !target->filePath()) {
            return;
        }
        try {
            target->readFromPath(*target->filePath());
            target->updateChangeCount(Document::ChangeType::cleared);
        } catch (const platform::Error& e) {
            self->presentError(target, e);
        }
    });
}

void DocumentController::closeDocument(Document* document, std::function<void(bool)> done) {
    if (!document) {
        return;
    }
    if (!document->isEdited() || !m_panels) {
        removeDocument(document);
        if (done) {
            done(true);
        }
        return;
    }
    QPointer<Document> target(document);
    QPointer<DocumentController> self(this);
    m_panels->askToSaveBeforeClosing(
        *document, [self, target, done](DocumentPanels::CloseAnswer answer) {
            if (!self || !target) {
                return;
            }
            bool close = answer == DocumentPanels::CloseAnswer::discard;
            if (answer == DocumentPanels::CloseAnswer::save) {
                if (target->filePath()) {
                    close = self->saveDocumentTo(target, *target->filePath());
                } else {
                    // Closing waits for the save panel; the user closes again.
                    self->saveDocumentAs(target);
                }
            }
            if (close) {
                self->removeDocument(target);
            }
            if (done) {
                done(close);
            }
        });
}

void DocumentController::removeDocument(Document* document) {
    for (auto it = m_documents.begin(); it != m_documents.end(); ++it) {
        if (it->get() == document) {
            std::unique_ptr<Document> removed = std::move(*it);
            m_documents.erase(it);
            emit removed->closing();
            emit documentsChanged();
            if (m_current == nullptr || m_current == removed.get()) {
                m_current = nullptr;
                emit currentDocumentChanged(currentDocument());
            }
            return;
        }
    }
}

void DocumentController::presentError(Document* document, const platform::Error& error) {
    if (m_panels) {
        m_panels->presentError(document, error);
    } else {
        platform::Log::line(error.localizedDescription());
    }
}

void DocumentController::scheduleAutosave(Document* document) {
    auto* timer = document->findChild<QTimer*>(QLatin1String(autosaveTimerName));
    if (!timer) {
        timer = new QTimer(document);
        timer->setObjectName(QLatin1String(autosaveTimerName));
        timer->setSingleShot(true);
        QPointer<Document> target(document);
        connect(timer, &QTimer::timeout, this, [this, target] {
            if (target) {
                autosave(target);
            }
        });
    }
    timer->start(m_autosaveDelay);
}

void DocumentController::autosave(Document* document) {
    // Untitled documents have no place to be saved in.
    if (Document::autosavesInPlace() && document->isEdited() && document->filePath()) {
        saveDocumentTo(document, *document->filePath());
    }
}

} // namespace kestrom
