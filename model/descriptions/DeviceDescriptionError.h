#pragma once

#include "model/errors/LocalizableError.h"

namespace ambrel {

// A device description text that decodes but describes no usable model: a
// defect of the plug-in that supplied it. It names the model concerned.
class DeviceDescriptionError : public LocalizableError {
public:
    enum class Case {
        noCanvas,             // a listed model without canvases
        noOffsetBase,         // a listed model without a known anchor
        unknownTransportType, // a transport other than "usb" and "wifi"
        baseModelNotFound,    // an override whose base never appears
    };

    static const QString domain;

    // detail: the transport name or the missing base's name; else empty.
    DeviceDescriptionError(Case c, QString modelName, QString detail = {});

    Case errorCase() const { return m_case; }
    const QString& modelName() const { return m_modelName; }
    const QString& detail() const { return m_detail; }

    static QString caseName(Case c);

    QString errorTypeIdentifier() const override { return QStringLiteral("deviceDescription"); }
    QString codeIdentifier() const override { return caseName(m_case); }
    QList<platform::FormatArgument> descriptionFormatArguments() const override {
        return {m_modelName, m_detail};
    }
    LocalizedStringTable table() const override { return LocalizedStringTable::ambrel(); }

    std::shared_ptr<const platform::Error> clone() const override;
    [[noreturn]] void raise() const override;

private:
    Case m_case;
    QString m_modelName;
    QString m_detail;
};

} // namespace ambrel
