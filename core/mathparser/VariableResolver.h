#pragma once

#include <QString>

#include <optional>

namespace kestrom {

// Supplies values of variables that the substitutions do not hold.
class VariableResolver {
public:
    virtual ~VariableResolver() = default;
    // None when the variable is unknown.
    virtual std::optional<double> resolveVariable(const QString& name) const = 0;
};

} // namespace kestrom
