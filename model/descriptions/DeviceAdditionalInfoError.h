#pragma once

#include "model/errors/LocalizableError.h"

namespace ambrel {

// A record asked of a device's additional information that the description
// does not hold.
class DeviceAdditionalInfoError : public LocalizableError {
public:
    enum class Case { keyNotFound };

    static const QString domain;

    DeviceAdditionalInfoError(QString recordKey, QString recordTypeName);

    Case errorCase() const { return Case::keyNotFound; }
    // The key the record stands under, and the record's type, for developers.
    const QString& recordKey() const { return m_recordKey; }
    const QString& recordTypeName() const { return m_recordTypeName; }

    QString errorTypeIdentifier() const override { return QStringLiteral("deviceAdditionalInfo"); }
    QString codeIdentifier() const override { return QStringLiteral("keyNotFound"); }
    QList<platform::FormatArgument> descriptionFormatArguments() const override {
        return {m_recordKey};
    }
    LocalizedStringTable table() const override { return LocalizedStringTable::ambrel(); }

    std::shared_ptr<const platform::Error> clone() const override;
    [[noreturn]] void raise() const override;

private:
    QString m_recordKey;
    QString m_recordTypeName;
};

} // namespace ambrel
