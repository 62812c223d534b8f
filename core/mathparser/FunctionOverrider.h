#pragma once

#include <QString>

#include <optional>

namespace kestrom {

class EvaluationState;

// Asked before the function set: a value replaces the function's own result.
class FunctionOverrider {
public:
    virtual ~FunctionOverrider() = default;
    // The name as written; none leaves the function in force. May throw.
    virtual std::optional<double> overrideFunction(const QString& name,
                                                   const EvaluationState& state) const = 0;
};

} // namespace kestrom
