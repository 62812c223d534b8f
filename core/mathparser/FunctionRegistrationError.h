#pragma once

#include "platform/Error.h"

#include <QString>

namespace kestrom {

// Registering a function or an alias under a name that cannot take it.
class FunctionRegistrationError : public platform::Error {
public:
    enum class Case { functionAlreadyExists, functionDoesNotExist };

    static QString errorDomain() { return QStringLiteral("kestrom.FunctionRegistrationError"); }

    FunctionRegistrationError(Case value, QString name);

    Case value() const { return m_case; }
    const QString& name() const { return m_name; }

    std::shared_ptr<const platform::Error> clone() const override;
    [[noreturn]] void raise() const override;

private:
    Case m_case;
    QString m_name;
};

} // namespace kestrom
