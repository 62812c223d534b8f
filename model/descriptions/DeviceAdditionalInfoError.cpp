#include "model/descriptions/DeviceAdditionalInfoError.h"

namespace ambrel {

const QString DeviceAdditionalInfoError::domain =
    QStringLiteral("Ambrel.DeviceAdditionalInfoError");

DeviceAdditionalInfoError::DeviceAdditionalInfoError(QString recordKey, QString recordTypeName)
    : LocalizableError(domain, qint64(Case::keyNotFound)), m_recordKey(std::move(recordKey)),
      m_recordTypeName(std::move(recordTypeName)) {}

std::shared_ptr<const platform::Error> DeviceAdditionalInfoError::clone() const {
    return std::make_shared<DeviceAdditionalInfoError>(*this);
}

void DeviceAdditionalInfoError::raise() const {
    throw *this;
}

} // namespace ambrel
