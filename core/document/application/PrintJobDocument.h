#pragma once

#include "core/document/application/Document.h"
#include "core/document/job/PrintDocument.h"
#include "core/document/package/DocumentPackage.h"
#include "core/document/runs/PrintRun.h"
#include "core/document/runs/RunPresenter.h"
#include "model/descriptions/MaintenanceAction.h"
#include "platform/ScriptCommand.h"

#include <memory>

namespace kestrom {

// The document of one print job as the document controller handles it: the
// job itself (PrintDocument), its file, its edited state from the job's undo
// steps, and its print and maintenance runs.
class PrintJobDocument : public Document {
    Q_OBJECT
public:
    PrintJobDocument();
    ~PrintJobDocument() override;

    PrintDocument& job() { return *m_printDocument; }
    const PrintDocument& job() const { return *m_printDocument; }

    // The job's print task (PrintDocument::makePrintTask()); throws
    // ambrel::ConnectionError when the job cannot be printed.
    ambrel::PrintTask makePrintTask() const { return m_printDocument->makePrintTask(); }

    // The print action: without a model or a transport nothing happens.
    void printDocument(const std::shared_ptr<RunPresenter>& presenter,
                       std::shared_ptr<platform::ScriptCommand> scriptCommand = {});
    void performMaintenanceAction(const std::shared_ptr<RunPresenter>& presenter,
                                  const ambrel::MaintenanceAction& action);

    // The document as a package "<name>.lunvik"; decoding and encoding the
    // picture and the file work run on a worker in the background forms.
    void readFromPath(const QString& path) override;
    void writeToPath(const QString& path) override;
    void readFromPathInBackground(const QString& path, FileHandler done) override;
    // A document that opened without its package's picture writes that
    // picture back as it was read when it saves itself, while the job has
    // no picture; the user's save writes the job as it is.
    void writeToPathInBackground(const QString& path, FileHandler done,
                                 BeforeReplacing beforeReplacing = {},
                                 WriteReason reason = WriteReason::userSave) override;
    // That the package's picture could not be read, once.
    std::shared_ptr<const platform::Error> takeReadNotice() override;
    // The package's picture that did not open, kept since the last read
    // until the user saves; nothing when the read opened all.
    const std::optional<DocumentPackage::UnreadPicture>& unreadPicture() const {
        return m_unreadPicture;
    }

protected:
    void savedStateChanged(const SavePoint& point) override;
    bool hasOrAwaitsContent() const override {
        return job().originalImage() || job().hasIncomingPicture();
    }

private:
    // What a read that the job took leaves to keep and to tell.
    void tookRead(const DocumentPackage::Contents& contents);
    // When the picture a read brought, shown before its whole pixels were
    // decoded, turns out not to decode, the job goes on without it, keeps
    // its bytes and tells readNoticeReady.
    void watchWholeDecode(const ambrel::OriginalImage::Pointer& image, const QString& path);

    std::unique_ptr<PrintDocument> m_printDocument;
    std::optional<DocumentPackage::UnreadPicture> m_unreadPicture;
    std::shared_ptr<const platform::Error> m_readNotice;
};

} // namespace kestrom
