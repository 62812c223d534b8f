#include "platform/worker/PictureWorkerError.h"

#include "platform/PlatformText.h"

namespace platform {

const QString PictureWorkerError::domain = QStringLiteral("Platform.PictureWorkerError");

PictureWorkerError::PictureWorkerError(Cause cause)
    : Error(domain, qint64(cause),
            UserInfo{
                PlatformText::text(QStringLiteral("PictureWorker_pictureNotDrawn")), {}, {}, {}}),
      m_cause(cause) {}

std::shared_ptr<const Error> PictureWorkerError::clone() const {
    return std::make_shared<PictureWorkerError>(*this);
}

void PictureWorkerError::raise() const {
    throw *this;
}

} // namespace platform
