#pragma once

#include <QString>

#include <optional>

namespace kestrom {

class EvaluationState;

// Asked for functions the function set does not know.
class FunctionResolver {
public:
    virtual ~FunctionResolver() = default;
    // The name is lowercased unless the function set is case-sensitive; none
    // means unknown. May throw.
    virtual std::optional<double> resolveFunction(const QString& name,
                                                  const EvaluationState& state) const = 0;
};

} // namespace kestrom
