#include "model/descriptions/DeviceDescriptionError.h"

namespace ambrel {

const QString DeviceDescriptionError::domain = QStringLiteral("Ambrel.DeviceDescriptionError");

DeviceDescriptionError::DeviceDescriptionError(Case c, QString modelName, QString detail)
    : LocalizableError(domain, qint64(c)), m_case(c), m_modelName(std::move(modelName)),
      m_detail(std::move(detail)) {}

QString DeviceDescriptionError::caseName(Case c) {
    switch (c) {
    case Case::noCanvas:
        return QStringLiteral("noCanvas");
    case Case::noOffsetBase:
        return QStringLiteral("noOffsetBase");
    case Case::unknownTransportType:
        return QStringLiteral("unknownTransportType");
    case Case::baseModelNotFound:
        return QStringLiteral("baseModelNotFound");
    }
    return QStringLiteral("noCanvas");
}

std::shared_ptr<const platform::Error> DeviceDescriptionError::clone() const {
    return std::make_shared<DeviceDescriptionError>(*this);
}

void DeviceDescriptionError::raise() const {
    throw *this;
}

} // namespace ambrel
