#include "model/descriptions/CustomDecodedParameterSerializedInfosError.h"

namespace ambrel {

const QString CustomDecodedParameterSerializedInfosError::domain =
    QStringLiteral("Ambrel.CustomDecodedParameterSerializedInfosError");

CustomDecodedParameterSerializedInfosError::CustomDecodedParameterSerializedInfosError(QString type)
    : platform::Error(domain, qint64(Case::invalidType)), m_type(std::move(type)) {}

std::shared_ptr<const platform::Error> CustomDecodedParameterSerializedInfosError::clone() const {
    return std::make_shared<CustomDecodedParameterSerializedInfosError>(*this);
}

void CustomDecodedParameterSerializedInfosError::raise() const {
    throw *this;
}

} // namespace ambrel
