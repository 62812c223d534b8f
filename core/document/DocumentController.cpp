#include "core/document/DocumentController.h"

#include "core/document/KestromText.h"
#include "platform/Error.h"
#include "platform/Log.h"
#include "platform/UndoManager.h"

#include <QFileInfo>
#include <QTimer>

#include <algorithm>

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
    const QString absolute = QFileInfo(path).absoluteFilePath();
    for (Opening& opening : m_opening) {
        if (opening.path == absolute) {
            opening.display = opening.display || display;
            if (handler) {
                opening.handlers.push_back(std::move(handler));
            }
            return;
        }
    }
    const auto fail = [&](const platform::Error& e) {
        // The untitled document stays: a failed open loses nothing.
        presentError(nullptr, e);
        if (handler) {
            handler(nullptr, false, e.clone());
        }
    };
    if (!QFileInfo(path).isDir()) {
        platform::Error::UserInfo info;
        info.localizedDescription =
            KestromText::text("Document_CannotBeOpened").arg(QFileInfo(path).fileName());
        info.localizedRecoverySuggestion = KestromText::text("Document_CannotBeOpened_NotAPackage");
        fail(platform::Error(QStringLiteral("KestromDocumentError"), 2, info));
        return;
    }
    Opening opening;
    try {
        opening.document = m_makeDocument();
    } catch (const platform::Error& e) {
        fail(e);
        return;
    }
    opening.path = absolute;
    opening.display = display;
    if (m_documents.size() == 1 && !m_documents.front()->filePath() &&
        !m_documents.front()->isEdited()) {
        opening.untouched = m_documents.front().get();
    }
    if (handler) {
        opening.handlers.push_back(std::move(handler));
    }
    Document* reading = opening.document.get();
    m_opening.push_back(std::move(opening));
    QPointer<DocumentController> self(this);
    reading->readFromPathInBackground(absolute, [self, reading](auto error) {
        if (self) {
            self->finishOpening(reading, std::move(error));
        }
    });
}

void DocumentController::finishOpening(Document* document,
                                       std::shared_ptr<const platform::Error> error) {
    const auto found =
        std::find_if(m_opening.begin(), m_opening.end(),
                     [document](const Opening& o) { return o.document.get() == document; });
    if (found == m_opening.end()) {
        return;
    }
    Opening opening = std::move(*found);
    m_opening.erase(found);
    if (error) {
        presentError(nullptr, *error);
        for (const OpenHandler& handler : opening.handlers) {
            handler(nullptr, false, error);
        }
        return;
    }
    document->setFilePath(opening.path);
    // Only while it is still the one untouched document.
    Document* untouched = opening.untouched;
    if (untouched && m_documents.size() == 1 && m_documents.front().get() == untouched &&
        !untouched->filePath() && !untouched->isEdited() && !isBusy(untouched)) {
        removeDocument(untouched);
    }
    addDocument(std::move(opening.document), opening.display);
    m_recent.note(opening.path);
    emit recentDocumentsChanged();
    bool first = true;
    for (const OpenHandler& handler : opening.handlers) {
        handler(document, !first, nullptr);
        first = false;
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
    QPointer<DocumentController> self(this);
    const auto untitledWhenNoneOpened = [self] {
        if (self && self->m_documents.empty() && self->m_opening.empty()) {
            try {
                self->openUntitledDocument(true);
            } catch (const platform::Error& e) {
                self->presentError(nullptr, e);
            }
        }
    };
    for (const QString& path : paths) {
        openDocument(path, true,
                     [untitledWhenNoneOpened](Document*, bool, auto) { untitledWhenNoneOpened(); });
    }
    untitledWhenNoneOpened();
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

void DocumentController::saveDocumentTo(Document* document, const QString& path,
                                        std::function<void(bool)> done) {
    const QString package = QFileInfo(packagePath(path)).absoluteFilePath();
    QPointer<DocumentController> self(this);
    QPointer<Document> target(document);
    runFileWork(document, [self, target, package, done](std::function<void()> finished) {
        if (!target) {
            finished();
            return;
        }
        // What is written is the state of now; later changes stay edits.
        const Document::SavePoint point = target->savePoint();
        target->writeToPathInBackground(package,
                                        [self, target, package, point, done, finished](auto error) {
                                            if (!self || !target) {
                                                return;
                                            }
                                            if (error) {
                                                self->presentError(target, *error);
                                            } else {
                                                target->setFilePath(package);
                                                target->markSaved(point);
                                                self->m_recent.note(package);
                                                emit self->recentDocumentsChanged();
                                                if (target->isEdited()) {
                                                    // Changed while it was written.
                                                    self->scheduleAutosave(target);
                                                }
                                            }
                                            finished();
                                            if (done) {
                                                done(!error);
                                            }
                                        });
    });
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
        self->runFileWork(target, [self, target](std::function<void()> finished) {
            if (!target || !target->filePath()) {
                finished();
                return;
            }
            target->readFromPathInBackground(
                *target->filePath(), [self, target, finished](auto error) {
                    if (!self || !target) {
                        return;
                    }
                    if (error) {
                        self->presentError(target, *error);
                    } else {
                        // The steps lead to states the file no longer has.
                        if (target->undoManager()) {
                            target->undoManager()->removeAllActions();
                        }
                        target->updateChangeCount(Document::ChangeType::cleared);
                    }
                    finished();
                });
        });
    });
}

void DocumentController::runFileWork(Document* document, FileWork work) {
    if (auto waiting = m_fileWork.find(document); waiting != m_fileWork.end()) {
        waiting->push_back(std::move(work));
        return;
    }
    m_fileWork.insert(document, {});
    startFileWork(document, std::move(work));
}

void DocumentController::startFileWork(Document* document, FileWork work) {
    QPointer<DocumentController> self(this);
    work([self, document] {
        if (self) {
            self->fileWorkFinished(document);
        }
    });
}

void DocumentController::fileWorkFinished(Document* document) {
    const auto waiting = m_fileWork.find(document);
    if (waiting == m_fileWork.end()) {
        return;
    }
    if (waiting->empty()) {
        m_fileWork.erase(waiting);
        return;
    }
    FileWork next = std::move(waiting->front());
    waiting->pop_front();
    startFileWork(document, std::move(next));
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
    m_panels->askToSaveBeforeClosing(*document, [self, target,
                                                 done](DocumentPanels::CloseAnswer answer) {
        if (!self || !target) {
            return;
        }
        bool close = answer == DocumentPanels::CloseAnswer::discard;
        if (answer == DocumentPanels::CloseAnswer::save) {
            if (target->filePath()) {
                // Closes once the package is written; a failed save keeps it.
                self->saveDocumentTo(target, *target->filePath(), [self, target, done](bool saved) {
                    if (saved && self && target) {
                        self->removeDocument(target);
                    }
                    if (done) {
                        done(saved);
                    }
                });
                return;
            }
            // Closing waits for the save panel; the user closes again.
            self->saveDocumentAs(target);
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
            m_fileWork.remove(document);
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
        if (isBusy(document)) {
            // Another save or a revert is under way; look again later.
            scheduleAutosave(document);
            return;
        }
        saveDocumentTo(document, *document->filePath());
    }
}

} // namespace kestrom
