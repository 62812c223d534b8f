#pragma once

#include "platform/Error.h"

namespace ambrel {

// A setting entry whose "type" is none of "number", "bool" and "pick"
// ("unknown" when it has none). It stays inside the description decoding,
// which turns it into an empty setting list, so it carries no texts.
class CustomDecodedParameterSerializedInfosError : public platform::Error {
public:
    enum class Case { invalidType };

    static const QString domain;

    explicit CustomDecodedParameterSerializedInfosError(QString type);

    Case errorCase() const { return Case::invalidType; }
    const QString& type() const { return m_type; }

    std::shared_ptr<const platform::Error> clone() const override;
    [[noreturn]] void raise() const override;

private:
    QString m_type;
};

} // namespace ambrel
