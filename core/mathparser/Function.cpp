#include "core/mathparser/Function.h"

#include "core/mathparser/ArithmeticFunctions.h"
#include "core/mathparser/ConstantAndLogicalFunctions.h"
#include "core/mathparser/TrigonometricFunctions.h"
#include "platform/Log.h"

#include <QHash>

namespace kestrom {

Function::Function(QString name, FunctionBody evaluator)
    : Function(QStringList{std::move(name)}, std::move(evaluator)) {}

Function::Function(QStringList names, FunctionBody evaluator) : m_evaluator(std::move(evaluator)) {
    for (const QString& name : names) {
        if (!m_names.contains(name)) {
            m_names.append(name);
        }
    }
}

const std::vector<Function>& Function::standardFunctions() {
    static const std::vector<Function> functions = [] {
        std::vector<Function> all = ArithmeticFunctions::functions();
        for (auto family :
             {TrigonometricFunctions::functions(), ConstantAndLogicalFunctions::functions()}) {
            all.insert(all.end(), family.begin(), family.end());
        }
        return all;
    }();
    return functions;
}

const Function& Function::standardFunction(const QString& firstName) {
    static const QHash<QString, size_t> byName = [] {
        QHash<QString, size_t> table;
        const auto& functions = standardFunctions();
        for (size_t i = 0; i < functions.size(); ++i) {
            table.insert(functions[i].names().front(), i);
        }
        return table;
    }();
    const auto found = byName.constFind(firstName);
    if (found == byName.constEnd()) {
        platform::Log::fatal(QStringLiteral("No built-in function named ") + firstName);
    }
    return standardFunctions()[*found];
}

} // namespace kestrom
