#include "core/document/application/DocumentController.h"

#include "core/document/job/KestromText.h"
#include "core/document/package/DocumentFileError.h"
#include "core/document/package/DocumentWorkQueue.h"
#include "core/document/package/KeptVersions.h"
#include "platform/CancellationError.h"
#include "platform/Error.h"
#include "platform/Log.h"
#include "platform/MainThread.h"
#include "platform/UndoManager.h"

#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <cerrno>

namespace kestrom {

namespace {

DocumentController*& sharedController() {
    static DocumentController* controller = nullptr;
    return controller;
}

const char* autosaveTimerName = "autosaveTimer";

// The longest wait before keeping a version is tried again.
constexpr int maximumKeepRetryDelay = 5 * 60 * 1000;

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
    // The documents close with the controller.
    for (auto& [document, state] : m_fileStates) {
        if (state.kept) {
            state.kept->discard();
        }
    }
    // The list of recent documents is on the disk before the program goes.
    RecentDocuments::waitForSaves();
}

void DocumentController::setKeptVersions(std::shared_ptr<const KeptVersions> versions) {
    m_keptVersions = std::move(versions);
}

DocumentController::FileState* DocumentController::fileState(const Document* document) {
    const auto found = m_fileStates.find(document);
    return found == m_fileStates.end() ? nullptr : &found->second;
}

const DocumentController::FileState* DocumentController::fileState(const Document* document) const {
    const auto found = m_fileStates.find(document);
    return found == m_fileStates.end() ? nullptr : &found->second;
}

const KeptVersion* DocumentController::keptVersion(const Document* document) const {
    const FileState* state = fileState(document);
    return state ? state->kept.get() : nullptr;
}

bool DocumentController::isAutosaveStopped(const Document* document) const {
    const FileState* state = fileState(document);
    return state && (state->changedElsewhere || state->keepFailed);
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
    m_fileStates.try_emplace(added);
    setCurrentDocument(added);
    if (display && m_makeWindow) {
        m_makeWindow(*added);
    }
    emit documentsChanged();
}

void DocumentController::openDocument(const QString& path, bool display, OpenHandler handler,
                                      OpenErrors errors) {
    const bool presentsError = errors == OpenErrors::presented;
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
            opening.presentsError = opening.presentsError || presentsError;
            if (handler) {
                opening.handlers.push_back(std::move(handler));
            }
            return;
        }
    }
    const auto fail = [&](const platform::Error& e) {
        // The untitled document stays: a failed open loses nothing.
        if (presentsError) {
            presentError(nullptr, e);
        }
        if (handler) {
            handler(nullptr, false, e.clone());
        }
    };
    // A path where nothing is tells so, rather than what a document is.
    if (!QFileInfo::exists(path)) {
        fail(DocumentFileError::missingFile(absolute));
        return;
    }
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
    // Taken before reading: a change made meanwhile counts as another's.
    opening.fingerprint =
        PackageFingerprint::of(absolute, PackageFingerprint::Contents::metadataOnly);
    opening.display = display;
    opening.presentsError = presentsError;
    if (m_documents.size() == 1 && !m_documents.front()->filePath() &&
        !m_documents.front()->isEdited()) {
        opening.untouched = m_documents.front().get();
    }
    if (handler) {
        opening.handlers.push_back(std::move(handler));
    }
    Document* reading = opening.document.get();
    m_opening.push_back(std::move(opening));
    prepareRead(reading);
    QPointer<DocumentController> self(this);
    reading->readFromPathInBackground(absolute, [self, reading](auto error) {
        if (self) {
            self->finishOpening(reading, std::move(error));
        }
    });
    if (display && m_prepareWindow && !m_opening.empty() &&
        m_opening.back().document.get() == reading) {
        m_prepareWindow(*reading);
    }
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
        // A window made while the package was read goes with it.
        emit opening.document->closing();
        if (opening.presentsError) {
            presentError(nullptr, *error);
        }
        for (const OpenHandler& handler : opening.handlers) {
            handler(nullptr, false, error);
        }
        return;
    }
    document->setFilePath(opening.path);
    // Only while it is still the one untouched document.
    Document* untouched = opening.untouched;
    if (untouched && m_documents.size() == 1 && m_documents.front().get() == untouched &&
        !untouched->filePath() && !untouched->isEdited() && !untouched->hasOrAwaitsContent() &&
        !isBusy(untouched)) {
        removeDocument(untouched);
    }
    addDocument(std::move(opening.document), opening.display);
    noteRead(document, opening.fingerprint);
    keepVersion(document);
    presentReadNotice(document);
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

void DocumentController::saveDocumentAs(Document* document, std::function<void(bool)> done) {
    if (!document || !m_panels) {
        if (done) {
            done(false);
        }
        return;
    }
    QPointer<Document> target(document);
    QPointer<DocumentController> self(this);
    m_panels->chooseSaveLocation(*document, [self, target, done](std::optional<QString> path) {
        if (self && target && path) {
            self->saveDocumentTo(target, *path, done);
        } else if (done) {
            done(false);
        }
    });
}

void DocumentController::saveDocumentTo(Document* document, const QString& path,
                                        std::function<void(bool)> done) {
    writeDocument(document, path, SaveKind::explicitSave, std::move(done));
}

void DocumentController::writeDocument(Document* document, const QString& path, SaveKind kind,
                                       std::function<void(bool)> done, bool replaceChanged) {
    const QString package = QFileInfo(packagePath(path)).absoluteFilePath();
    QPointer<DocumentController> self(this);
    QPointer<Document> target(document);
    runFileWork(document, [self, target, package, kind, done,
                           replaceChanged](std::function<void()> finished) {
        if (!target) {
            finished();
            return;
        }
        FileState* state = self->fileState(target);
        const bool inPlace =
            target->filePath() && QFileInfo(*target->filePath()).absoluteFilePath() == package;
        // The work before it may have stopped autosave (no version kept).
        if (kind == SaveKind::autosave && self->isAutosaveStopped(target)) {
            finished();
            if (done) {
                done(false);
            }
            return;
        }
        // What the write finds and leaves, told on the thread that writes.
        struct Check {
            std::optional<PackageFingerprint> expected;
            std::shared_ptr<KeptVersion> kept;
            bool changedElsewhere = false;
            std::optional<PackageFingerprint> written;
        };
        auto check = std::make_shared<Check>();
        if (inPlace && state && !replaceChanged) {
            check->expected = state->onDisk;
        }
        // An explicit save makes a new version to keep: the old one no
        // longer belongs to the package it leaves.
        if (inPlace && state && kind != SaveKind::explicitSave) {
            check->kept = state->kept;
        }
        const Document::BeforeReplacing beforeReplacing =
            [check, package](const std::optional<QString>& written) {
                // Another program's changes are never written over without
                // asking; a package that is gone has nothing to lose.
                if (check->expected) {
                    const PackageFingerprint now = PackageFingerprint::of(package);
                    if (now.exists() && now != *check->expected) {
                        check->changedElsewhere = true;
                        throw platform::CancellationError();
                    }
                }
                if (!written) {
                    return;
                }
                // Renaming keeps every member as it is: this is the package
                // once it has taken the path's place.
                check->written = PackageFingerprint::of(*written);
                errno = 0;
                if (check->kept && !check->kept->notePending(*check->written)) {
                    throw DocumentFileError::unsavableDocument(package, errno ? errno : EIO);
                }
            };
        // What is written is the state of now; later changes stay edits.
        const Document::SavePoint point = target->savePoint();
        const Document::WriteReason reason = kind == SaveKind::explicitSave
                                                 ? Document::WriteReason::userSave
                                                 : Document::WriteReason::automatic;
        target->writeToPathInBackground(
            package,
            [self, target, package, kind, point, done, finished, check](auto error) {
                if (!self || !target) {
                    return;
                }
                if (check->changedElsewhere) {
                    if (FileState* state = self->fileState(target)) {
                        state->changedElsewhere = true;
                    }
                    self->announceAutosaveState(target);
                    finished();
                    self->askAboutChangeOnDisk(target, kind);
                    if (done) {
                        done(false);
                    }
                    return;
                }
                if (error) {
                    self->presentError(target, *error);
                } else {
                    target->setFilePath(package);
                    target->markSaved(point);
                    self->finishWriting(target, package, kind, check->written);
                }
                finished();
                if (done) {
                    done(!error);
                }
            },
            beforeReplacing, reason);
    });
}

void DocumentController::finishWriting(Document* document, const QString& package, SaveKind kind,
                                       const std::optional<PackageFingerprint>& written) {
    m_recent.note(package);
    emit recentDocumentsChanged();
    if (FileState* state = fileState(document)) {
        // A document that writes in place tells nothing: it is read now.
        state->onDisk = written ? *written : PackageFingerprint::of(package);
        state->changedElsewhere = false;
        announceAutosaveState(document);
        if (kind == SaveKind::explicitSave) {
            // The version to go back to from now on.
            keepVersion(document);
        } else if (state->kept && kind == SaveKind::restore) {
            state->kept->noteRestored(*state->onDisk);
        } else if (state->kept) {
            state->kept->noteWritten(*state->onDisk);
        }
    }
    if (document->isEdited()) {
        // Changed while it was written.
        scheduleAutosave(document);
    }
}

void DocumentController::announceAutosaveState(Document* document) {
    FileState* state = fileState(document);
    if (!state) {
        return;
    }
    const bool stopped = isAutosaveStopped(document);
    if (stopped != state->announcedStopped) {
        state->announcedStopped = stopped;
        emit autosaveStoppedChanged(document, stopped);
    }
}

void DocumentController::noteRead(Document* document, const PackageFingerprint& before) {
    FileState* state = fileState(document);
    if (!state) {
        return;
    }
    // The digests are of the bytes the document parsed, so a change made
    // after the read is never taken for the document's own. Without them,
    // or when the package changed since `before`, the state before reading
    // has no digests and matches no package: the next save asks.
    const std::optional<PackageFingerprint>& read = document->readFingerprint();
    state->onDisk = read && read->sameMetadata(before) ? *read : before;
}

void DocumentController::keepVersion(Document* document) {
    FileState* state = fileState(document);
    if (!state) {
        return;
    }
    if (state->kept) {
        state->kept->discard();
        state->kept.reset();
    }
    // A failure stays until a copy is made: autosave waits for it.
    if (!m_keptVersions || !document->filePath()) {
        state->keepFailed = false;
        announceAutosaveState(document);
        return;
    }
    const std::shared_ptr<const KeptVersions> versions = m_keptVersions;
    const QString package = *document->filePath();
    QPointer<DocumentController> self(this);
    QPointer<Document> target(document);
    // The copy is made before any later write of the document starts, of
    // the package as the work before it found it.
    runFileWork(document, [=](std::function<void()> finished) {
        const FileState* current = self && target ? self->fileState(target) : nullptr;
        if (!current || !current->onDisk) {
            finished();
            return;
        }
        const PackageFingerprint read = *current->onDisk;
        DocumentWorkQueue::run([=] {
            std::shared_ptr<KeptVersion> kept;
            std::shared_ptr<const platform::Error> error;
            try {
                kept = versions->keep(package, read);
            } catch (const platform::Error& e) {
                error = e.clone();
            }
            platform::MainThread::post([=] {
                FileState* now = self && target ? self->fileState(target) : nullptr;
                if (!now) {
                    // Closed meanwhile.
                    if (kept) {
                        kept->discard();
                    }
                    return;
                }
                now->kept = kept;
                // Saving in place would lose the version to go back to.
                const bool failedBefore = now->keepFailed;
                now->keepFailed = bool(error);
                if (error) {
                    // Tried again later and later, so that a full or broken
                    // disk is not worked at every few seconds.
                    now->keepRetryDelay =
                        now->keepRetryDelay > 0
                            ? std::min(2 * now->keepRetryDelay, maximumKeepRetryDelay)
                            : std::min(self->m_autosaveDelay, maximumKeepRetryDelay);
                    now->nextKeepAttempt.setRemainingTime(now->keepRetryDelay);
                } else {
                    now->keepRetryDelay = 0;
                }
                if (error && !failedBefore) {
                    platform::Log::line(QStringLiteral("autosave is off for ") + package +
                                        QStringLiteral(": ") + error->localizedDescription());
                } else if (!error && failedBefore) {
                    platform::Log::line(QStringLiteral("autosave is on again for ") + package);
                }
                // The next work may run at once, and may close the document.
                finished();
                if (!self || !target) {
                    return;
                }
                self->announceAutosaveState(target);
                if (target->isEdited()) {
                    // Changes made while no version could be kept are saved
                    // now, or it is tried again at the next autosave's time.
                    self->scheduleAutosave(target);
                }
            });
        });
    });
}

void DocumentController::askAboutChangeOnDisk(Document* document, SaveKind kind) {
    FileState* state = fileState(document);
    if (!state || state->asking || !m_panels) {
        return;
    }
    state->asking = true;
    QPointer<DocumentController> self(this);
    QPointer<Document> target(document);
    m_panels->askAboutChangeOnDisk(
        *document, [self, target, kind](DocumentPanels::DiskChangeAnswer answer) {
            FileState* state = self && target ? self->fileState(target) : nullptr;
            if (!state) {
                return;
            }
            state->asking = false;
            if (answer == DocumentPanels::DiskChangeAnswer::undecided) {
                return;
            }
            if (answer == DocumentPanels::DiskChangeAnswer::reopen) {
                self->reopenFromDisk(target);
                return;
            }
            if (target->filePath()) {
                // This version replaces what is on disk now.
                state->changedElsewhere = false;
                self->announceAutosaveState(target);
                self->writeDocument(target, *target->filePath(), kind, {}, true);
            }
        });
}

void DocumentController::reopenFromDisk(Document* document) {
    QPointer<DocumentController> self(this);
    QPointer<Document> target(document);
    runFileWork(document, [self, target](std::function<void()> finished) {
        if (!target || !target->filePath()) {
            finished();
            return;
        }
        const QString package = *target->filePath();
        const PackageFingerprint fingerprint =
            PackageFingerprint::of(package, PackageFingerprint::Contents::metadataOnly);
        self->prepareRead(target);
        target->readFromPathInBackground(
            package, [self, target, package, fingerprint, finished](auto error) {
                if (!self || !target) {
                    return;
                }
                FileState* state = self->fileState(target);
                if (error) {
                    // Autosave stays off; saving asks again.
                    self->presentError(target, *error);
                } else if (state) {
                    if (target->undoManager()) {
                        target->undoManager()->removeAllActions();
                    }
                    target->updateChangeCount(Document::ChangeType::cleared);
                    state->changedElsewhere = false;
                    self->announceAutosaveState(target);
                    self->noteRead(target, fingerprint);
                    self->keepVersion(target);
                    self->presentReadNotice(target);
                }
                finished();
            });
    });
}

bool DocumentController::hasChangesToRevert(const Document* document) const {
    if (!document || !document->filePath()) {
        return false;
    }
    if (document->isEdited()) {
        return true;
    }
    const FileState* state = fileState(document);
    return state && (state->changedElsewhere || (state->kept && state->onDisk &&
                                                 *state->onDisk != state->kept->record().source));
}

void DocumentController::revertDocumentToSaved(Document* document) {
    if (!document || !document->filePath() || !m_panels) {
        return;
    }
    DocumentPanels::RevertQuestion question;
    if (const FileState* state = fileState(document); state && state->kept) {
        question.savedAt = state->kept->record().savedAt;
        question.savedInPlaceSince =
            state->onDisk && *state->onDisk != state->kept->record().source;
    }
    QPointer<Document> target(document);
    QPointer<DocumentController> self(this);
    m_panels->confirmRevert(*document, question, [self, target](bool revert) {
        if (!self || !target || !revert || !target->filePath()) {
            return;
        }
        self->runFileWork(target, [self, target](std::function<void()> finished) {
            if (!target || !target->filePath()) {
                finished();
                return;
            }
            const FileState* state = self->fileState(target);
            const std::shared_ptr<KeptVersion> kept = state ? state->kept : nullptr;
            const QString source = kept ? kept->packagePath() : *target->filePath();
            const PackageFingerprint read =
                PackageFingerprint::of(source, PackageFingerprint::Contents::metadataOnly);
            self->prepareRead(target);
            target->readFromPathInBackground(
                source, [self, target, kept, source, read, finished](auto error) {
                    if (!self || !target) {
                        return;
                    }
                    if (error) {
                        self->presentError(target, *error);
                        finished();
                        return;
                    }
                    // The steps lead to states the file no longer has.
                    if (target->undoManager()) {
                        target->undoManager()->removeAllActions();
                    }
                    target->updateChangeCount(Document::ChangeType::cleared);
                    self->presentReadNotice(target);
                    FileState* state = self->fileState(target);
                    if (!kept) {
                        self->noteRead(target, read);
                        finished();
                        return;
                    }
                    const bool savedSince =
                        state && state->onDisk && *state->onDisk != kept->record().source;
                    finished();
                    if (savedSince && self && target && target->filePath()) {
                        // The package holds later saves: it gets the version back.
                        target->updateChangeCount(Document::ChangeType::done);
                        self->writeDocument(target, *target->filePath(), SaveKind::restore, {});
                    }
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
    m_panels->askToSaveBeforeClosing(
        *document, [self, target, done](DocumentPanels::CloseAnswer answer) {
            if (!self || !target) {
                return;
            }
            if (answer == DocumentPanels::CloseAnswer::save) {
                // Closes once the package is written; a failed save, or a save
                // panel that was cancelled, keeps it.
                const auto closeWhenSaved = [self, target, done](bool saved) {
                    if (saved && self && target) {
                        self->removeDocument(target);
                    }
                    if (done) {
                        done(saved && self);
                    }
                };
                if (target->filePath()) {
                    self->saveDocumentTo(target, *target->filePath(), closeWhenSaved);
                } else {
                    self->saveDocumentAs(target, closeWhenSaved);
                }
                return;
            }
            const bool close = answer == DocumentPanels::CloseAnswer::discard;
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
            if (FileState* state = fileState(document); state && state->kept) {
                state->kept->discard();
            }
            m_fileStates.erase(document);
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

void DocumentController::prepareRead(Document* document) {
    document->setQuickDecodeBound(m_quickDecodeBound ? m_quickDecodeBound(*document)
                                                     : PackageDecodeBound());
    // A document shown before its picture was whole is told when the
    // picture turns out not to decode, and stays open without it.
    connect(document, &Document::readNoticeReady, this, &DocumentController::readNoticeReady,
            Qt::UniqueConnection);
}

void DocumentController::readNoticeReady() {
    if (auto* document = qobject_cast<Document*>(sender())) {
        presentReadNotice(document);
    }
}

void DocumentController::presentReadNotice(Document* document) {
    if (const auto notice = document->takeReadNotice()) {
        presentError(document, *notice);
    }
}

void DocumentController::presentError(Document* document, const platform::Error& error) {
    if (m_panels) {
        m_panels->presentError(document, error);
    } else {
        platform::Log::line(error.localizedDescription());
    }
}

void DocumentController::scheduleAutosave(Document* document, int delay) {
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
    timer->start(delay >= 0 ? delay : m_autosaveDelay);
}

void DocumentController::autosave(Document* document) {
    // Untitled documents have no place to be saved in.
    if (Document::autosavesInPlace() && document->isEdited() && document->filePath()) {
        const FileState* state = fileState(document);
        if (state && state->keepFailed && !state->changedElsewhere && !isBusy(document)) {
            if (!state->nextKeepAttempt.hasExpired()) {
                scheduleAutosave(document, int(state->nextKeepAttempt.remainingTime()));
                return;
            }
            // Perhaps there is room for the version now; saving follows.
            keepVersion(document);
            return;
        }
        if (isAutosaveStopped(document)) {
            return;
        }
        if (isBusy(document)) {
            // Another save or a revert is under way; look again later.
            scheduleAutosave(document);
            return;
        }
        writeDocument(document, *document->filePath(), SaveKind::autosave, {});
    }
}

} // namespace kestrom
