#include "core/document/PrintJobDocument.h"

#include "core/document/MaintenanceRun.h"
#include "model/ConnectionError.h"

#include <QPointer>

namespace kestrom {

PrintJobDocument::PrintJobDocument() : m_printDocument(std::make_unique<PrintDocument>()) {
    setUndoManager(m_printDocument->undoManager());
}

PrintJobDocument::~PrintJobDocument() {
    setUndoManager(nullptr);
}

void PrintJobDocument::changeCountCleared() {
    m_printDocument->markSaved();
}

PrintRun::Parts PrintJobDocument::printParts() const {
    const PrintDocument& job = *m_printDocument;
    PrintRun::Parts parts;
    parts.deviceDescriptor = job.deviceDescriptor();
    parts.originalImage = job.originalImage();
    parts.transportType = job.transportType();
    parts.canvas = job.canvas();
    parts.drawingOptions = job.originalImageDrawingOptions();
    if (const auto conversion = job.currentBlackConversion()) {
        parts.currentBlackConversion = conversion->blackConversion();
    }
    if (job.currentDeviceSetting()) {
        parts.deviceSettingValues = job.currentDeviceSetting()->values();
    }
    return parts;
}

ambrel::PrintTask PrintJobDocument::makePrintTask() const {
    return PrintRun::makePrintTask(printParts());
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
