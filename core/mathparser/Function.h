#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace kestrom {

class EvaluationState;

// The body of a function: computes a value from the call's state; may throw.
using FunctionBody = std::function<double(const EvaluationState&)>;

// A named operation of the expression language, under one or more names.
class Function {
public:
    Function(QString name, FunctionBody evaluator);
    Function(QStringList names, FunctionBody evaluator);

    // The first name, then the aliases; no duplicates.
    const QStringList& names() const { return m_names; }
    const FunctionBody& evaluator() const { return m_evaluator; }

    // The built-in functions every function set starts with, in order.
    static const std::vector<Function>& standardFunctions();
    // A built-in function by its first name; a name that is not one ends the process.
    static const Function& standardFunction(const QString& firstName);

private:
    QStringList m_names;
    FunctionBody m_evaluator;
};

} // namespace kestrom
