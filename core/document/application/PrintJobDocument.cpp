#include "core/document/application/PrintJobDocument.h"

#include "core/document/package/DocumentPackage.h"
#include "core/document/package/PackageReadAhead.h"
#include "core/document/runs/MaintenanceRun.h"
#include "model/errors/ConnectionError.h"
#include "platform/Error.h"
#include "platform/MainThread.h"
#include "platform/UndoManager.h"

#include <QPointer>
#include <QUrl>

#include <utility>

namespace kestrom {

PrintJobDocument::PrintJobDocument() : m_printDocument(std::make_unique<PrintDocument>()) {
    setUndoManager(m_printDocument->undoManager());
    // The job tells a document never saved from one with a file.
    connect(this, &Document::filePathChanged, this, [this] {
        m_printDocument->setFileURL(filePath() ? QUrl::fromLocalFile(*filePath()) : QUrl());
    });
}

PrintJobDocument::~PrintJobDocument() {
    setUndoManager(nullptr);
}

void PrintJobDocument::savedStateChanged(const SavePoint& point) {
    m_printDocument->markSaved(point.undoChangeCount, point.undoState);
}

void PrintJobDocument::readFromPath(const QString& path) {
    setReadFingerprint(std::nullopt);
    const DocumentPackage::Contents contents = DocumentPackage::load(path);
    DocumentPackage::apply(*m_printDocument, contents);
    setReadFingerprint(contents.fingerprint);
    tookRead(contents);
}

void PrintJobDocument::tookRead(const DocumentPackage::Contents& contents) {
    m_unreadPicture = contents.unreadPicture;
    m_readNotice = DocumentPackage::pictureNotRead(contents);
}

std::shared_ptr<const platform::Error> PrintJobDocument::takeReadNotice() {
    return std::exchange(m_readNotice, nullptr);
}

void PrintJobDocument::writeToPath(const QString& path) {
    DocumentPackage::write(*m_printDocument, path);
    m_unreadPicture.reset();
}

void PrintJobDocument::readFromPathInBackground(const QString& path, FileHandler done) {
    QPointer<PrintJobDocument> self(this);
    // A document that is nobody's yet (one being opened) takes the settings
    // as soon as they parse, so that its window is built with them while
    // the picture decodes; should the read fail, the document goes with
    // its open. One that has content takes the package whole or not at all.
    const bool settingsFirst = !filePath() && !isEdited() && !hasOrAwaitsContent();
    auto settingsApplied = std::make_shared<bool>(false);
    std::function<void(const QVariantMap&)> applySettings;
    if (settingsFirst) {
        applySettings = [self, settingsApplied](const QVariantMap& settings) {
            if (!self) {
                return;
            }
            try {
                DocumentPackage::applySettings(*self->m_printDocument, settings);
                *settingsApplied = true;
            } catch (const platform::Error&) {
                // Refused: the whole read applies them, and says why.
            }
        };
    }
    DocumentPackage::LoadHandler loaded = [self, settingsApplied, done = std::move(done)](
                                              std::optional<DocumentPackage::Contents> contents,
                                              std::shared_ptr<const platform::Error> error) {
        // A document closed meanwhile has nobody waiting for it.
        if (!self) {
            return;
        }
        self->setReadFingerprint(std::nullopt);
        if (contents) {
            try {
                // The settings came from this same read.
                if (*settingsApplied) {
                    DocumentPackage::applyPicture(*self->m_printDocument, *contents);
                } else {
                    DocumentPackage::apply(*self->m_printDocument, *contents);
                }
                self->setReadFingerprint(contents->fingerprint);
                self->tookRead(*contents);
            } catch (const platform::Error& e) {
                error = e.clone();
            }
        }
        if (!error && contents && contents->image && !contents->image->isFullyDecoded()) {
            self->watchWholeDecode(contents->image, contents->path);
        }
        done(error);
    };
    // The program began reading the packages it was started with before
    // their documents were made.
    if (!PackageReadAhead::take(path, quickDecodeBound(), loaded, applySettings)) {
        DocumentPackage::SettingsHandler settingsParsed;
        if (applySettings) {
            // Posted before the read's end, which the same thread posts later.
            settingsParsed = [applySettings](const QVariantMap& settings) {
                platform::MainThread::post([applySettings, settings] { applySettings(settings); });
            };
        }
        DocumentPackage::loadInBackground(path, std::move(loaded), quickDecodeBound(),
                                          std::move(settingsParsed));
    }
}

void PrintJobDocument::watchWholeDecode(const ambrel::OriginalImage::Pointer& image,
                                        const QString& path) {
    QPointer<PrintJobDocument> self(this);
    std::weak_ptr<const ambrel::OriginalImage> weak = image;
    image->whenFullyDecoded([self, weak, path] {
        platform::MainThread::post([self, weak, path] {
            const auto image = weak.lock();
            // A picture replaced meanwhile is no longer the package's.
            if (!self || !image || self->m_printDocument->originalImage() != image ||
                image->decodeFully()) {
                return;
            }
            // As if the read had found it so: no undo step, no edit, and
            // the bytes kept to write back.
            self->m_unreadPicture =
                DocumentPackage::UnreadPicture{image->data(), {}, image->fileURL()};
            platform::UndoManager* undo = self->m_printDocument->undoManager();
            if (undo) {
                undo->disableUndoRegistration();
            }
            self->m_printDocument->setOriginalImage(nullptr);
            if (undo) {
                undo->enableUndoRegistration();
            }
            self->m_readNotice = DocumentPackage::pictureNotRead(path, image->fullDecodeRefusal());
            emit self->readNoticeReady();
        });
    });
}

void PrintJobDocument::writeToPathInBackground(const QString& path, FileHandler done,
                                               BeforeReplacing beforeReplacing,
                                               WriteReason reason) {
    // The user's save writes the job as it is; the job's own saves keep the
    // picture that did not open.
    const bool userSave = reason == WriteReason::userSave;
    DocumentPackage::Snapshot snapshot;
    try {
        snapshot = DocumentPackage::snapshot(
            *m_printDocument, !userSave && m_unreadPicture ? &*m_unreadPicture : nullptr);
    } catch (const platform::Error& e) {
        done(e.clone());
        return;
    }
    QPointer<PrintJobDocument> self(this);
    DocumentPackage::writeInBackground(
        std::move(snapshot), path,
        beforeReplacing ? DocumentPackage::BeforeSwap([beforeReplacing](const QString& written) {
            beforeReplacing(written);
        })
                        : DocumentPackage::BeforeSwap(),
        [self, userSave, done = std::move(done)](std::shared_ptr<const platform::Error> error) {
            if (self) {
                if (userSave && !error) {
                    self->m_unreadPicture.reset();
                }
                done(error);
            }
        });
}

void PrintJobDocument::printDocument(const std::shared_ptr<RunPresenter>& presenter,
                                     std::shared_ptr<platform::ScriptCommand> scriptCommand) {
    QPointer<PrintJobDocument> self(this);
    PrintRun::printDocument(
        presenter, m_printDocument->deviceDescriptor(), m_printDocument->transportType(),
        [self] {
            if (!self) {
                throw ambrel::ConnectionError(
                    ambrel::ConnectionError::Case::noDeviceModelInDocument);
            }
            return self->makePrintTask();
        },
        std::move(scriptCommand));
}

void PrintJobDocument::performMaintenanceAction(const std::shared_ptr<RunPresenter>& presenter,
                                                const ambrel::MaintenanceAction& action) {
    MaintenanceRun::perform(presenter, m_printDocument->deviceDescriptor(),
                            m_printDocument->transportType(), action);
}

} // namespace kestrom
