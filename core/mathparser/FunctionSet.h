#pragma once

#include "core/mathparser/Function.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <memory>

namespace kestrom {

// One registered function: the normalised names that lead to it and its body.
struct FunctionRegistration {
    QSet<QString> names;
    FunctionBody function;
};

// The registry of named functions that evaluator copies share. It starts with
// the built-in functions and only grows.
class FunctionSet {
public:
    explicit FunctionSet(bool caseSensitive);
    FunctionSet(const FunctionSet&) = delete;
    FunctionSet& operator=(const FunctionSet&) = delete;

    bool caseSensitive() const { return m_caseSensitive; }

    // Throws FunctionRegistrationError, and then registers nothing.
    void registerFunction(const Function& function);
    void registerAlias(const QString& alias, const QString& functionName);

    std::shared_ptr<const FunctionRegistration> registration(const QString& name) const;

    // Lowercased unless case-sensitive; composed normal form either way.
    QString normalized(const QString& name) const;

private:
    QHash<QString, std::shared_ptr<FunctionRegistration>> m_functionsByName;
    bool m_caseSensitive;
};

} // namespace kestrom
