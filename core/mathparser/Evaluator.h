#pragma once

#include "core/mathparser/Configuration.h"
#include "core/mathparser/Substitution.h"

#include <QString>

#include <memory>

namespace kestrom {

class Expression;
class Function;
class FunctionOverrider;
class FunctionResolver;
class FunctionSet;
class VariableResolver;

// Computes the value of an expression tree. Copies share the function set,
// so a function registered through any copy is seen by all of them; the angle
// unit and the hooks belong to each copy.
class Evaluator {
public:
    enum class AngleMode { radians = 0, degrees = 1 };

    explicit Evaluator(bool caseSensitive = false);

    // A copy of the process's shared evaluator: case-insensitive, radians, no hooks.
    static Evaluator defaultEvaluator();

    // Throws MathParserError and whatever a substitution, a hook or a function throws.
    double evaluate(const Expression& expression, const Substitutions& substitutions = {}) const;
    // Parses the text with the default configuration and evaluates it.
    double evaluate(const QString& text, const Substitutions& substitutions = {}) const;
    // Parses the text with the given configuration (its locale reads the numbers).
    double evaluate(const QString& text, const Substitutions& substitutions,
                    const Configuration& configuration) const;

    // Throws FunctionRegistrationError; nothing changes then.
    void registerFunction(const Function& function);
    void registerAlias(const QString& alias, const QString& functionName);

    AngleMode angleMeasurementMode() const { return m_angleMeasurementMode; }
    void setAngleMeasurementMode(AngleMode mode) { m_angleMeasurementMode = mode; }

    const std::shared_ptr<const FunctionOverrider>& functionOverrider() const {
        return m_functionOverrider;
    }
    void setFunctionOverrider(std::shared_ptr<const FunctionOverrider> overrider) {
        m_functionOverrider = std::move(overrider);
    }
    const std::shared_ptr<const FunctionResolver>& functionResolver() const {
        return m_functionResolver;
    }
    void setFunctionResolver(std::shared_ptr<const FunctionResolver> resolver) {
        m_functionResolver = std::move(resolver);
    }
    const std::shared_ptr<const VariableResolver>& variableResolver() const {
        return m_variableResolver;
    }
    void setVariableResolver(std::shared_ptr<const VariableResolver> resolver) {
        m_variableResolver = std::move(resolver);
    }

    const std::shared_ptr<FunctionSet>& functionSet() const { return m_functionSet; }

private:
    explicit Evaluator(std::shared_ptr<FunctionSet> functionSet);

    double evaluateVariable(const Expression& expression, const Substitutions& substitutions) const;
    double evaluateFunction(const Expression& expression, const Substitutions& substitutions) const;

    std::shared_ptr<FunctionSet> m_functionSet;
    AngleMode m_angleMeasurementMode = AngleMode::radians;
    std::shared_ptr<const FunctionOverrider> m_functionOverrider;
    std::shared_ptr<const FunctionResolver> m_functionResolver;
    std::shared_ptr<const VariableResolver> m_variableResolver;
};

} // namespace kestrom
