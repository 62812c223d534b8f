// The print document's print task, the one place a print task is made from
// a document (the print run and the canvas's sequence outlines both ask for
// it), and the split areas of that task.

#include "core/document/job/PrintDocument.h"

#include "model/connections/DeviceConnection.h"
#include "model/errors/ConnectionError.h"
#include "platform/Error.h"

namespace kestrom {

ambrel::PrintTask PrintDocument::makePrintTask() const {
    using ambrel::ConnectionError;
    if (!m_deviceDescriptor) {
        throw ConnectionError(ConnectionError::Case::noDeviceModelInDocument);
    }
    if (!m_originalImage) {
        throw ConnectionError(ConnectionError::Case::noImageInDocument);
    }
    if (!m_transportType) {
        throw ConnectionError(ConnectionError::Case::noDeviceModelInDocument);
    }
    if (!m_canvas) {
        throw ConnectionError(ConnectionError::Case::documentImageIsNotInCanvas);
    }
    ambrel::OriginalImageDrawingOptions options = m_options;
    options.imageBitmapConversion = currentBlackConversion()->blackConversion();
    return ambrel::PrintTask(m_deviceDescriptor, m_canvas, *m_transportType,
                             ambrel::ImageSource::originalImage(m_originalImage, options),
                             m_currentDeviceSetting ? m_currentDeviceSetting->values()
                                                    : QVariantMap());
}

std::shared_ptr<platform::Progress>
PrintDocument::getSplittedSequenceAreas_mm(bool isRapidlyRepeated,
                                           SequenceSplitter::SequenceAreasHandler handler) {
    if (m_deviceDescriptor && m_transportType && m_originalImage) {
        const std::shared_ptr<ambrel::DeviceConnection> connection =
            m_splitter.connection(m_deviceDescriptor, *m_transportType);
        if (auto* splittable = dynamic_cast<quenta::ImageSplittable_px*>(connection.get())) {
            std::optional<ambrel::PrintTask> task;
            try {
                task = makePrintTask();
            } catch (const platform::Error&) {
            }
            if (task) {
                return SequenceSplitter::split(connection, *splittable, *task, isRapidlyRepeated,
                                               std::move(handler));
            }
        }
    }
    handler(QList<QRectF>());
    return nullptr;
}

void PrintDocument::setSplittingConnectionMaker(SequenceSplitter::ConnectionMaker maker) {
    m_splitter.setConnectionMaker(std::move(maker));
}

} // namespace kestrom
