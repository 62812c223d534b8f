#include "core/mathparser/FunctionSet.h"

#include "core/mathparser/FunctionRegistrationError.h"
#include "platform/Log.h"

namespace kestrom {

FunctionSet::FunctionSet(bool caseSensitive) : m_caseSensitive(caseSensitive) {
    try {
        for (const Function& function : Function::standardFunctions()) {
            registerFunction(function);
        }
    } catch (const FunctionRegistrationError&) {
        platform::Log::fatal(QStringLiteral("Conflicting name/alias in built-in functions"));
    }
}

QString FunctionSet::normalized(const QString& name) const {
    const QString cased = m_caseSensitive ? name : name.toLower();
    return cased.normalized(QString::NormalizationForm_C);
}

void FunctionSet::registerFunction(const Function& function) {
    auto registration = std::make_shared<FunctionRegistration>();
    registration->function = function.evaluator();
    for (const QString& name : function.names()) {
        registration->names.insert(normalized(name));
    }
    for (const QString& name : registration->names) {
        if (m_functionsByName.contains(name)) {
            throw FunctionRegistrationError(FunctionRegistrationError::Case::functionAlreadyExists,
                                            name);
        }
    }
    for (const QString& name : registration->names) {
        m_functionsByName.insert(name, registration);
    }
}

void FunctionSet::registerAlias(const QString& alias, const QString& functionName) {
    if (registration(alias)) {
        throw FunctionRegistrationError(FunctionRegistrationError::Case::functionAlreadyExists,
                                        alias);
    }
    const auto found = m_functionsByName.constFind(normalized(functionName));
    if (found == m_functionsByName.constEnd()) {
        throw FunctionRegistrationError(FunctionRegistrationError::Case::functionDoesNotExist,
                                        functionName);
    }
    const std::shared_ptr<FunctionRegistration> target = *found;
    target->names.insert(normalized(alias));
    m_functionsByName.insert(normalized(alias), target);
}

std::shared_ptr<const FunctionRegistration> FunctionSet::registration(const QString& name) const {
    return m_functionsByName.value(normalized(name));
}

} // namespace kestrom
