#pragma once

#include <QString>

#include <optional>

namespace kestrom {

// The operators every operator set starts from. The raw value of a case is
// the name of the function the operator evaluates to.
enum class BuiltInOperator {
    logicalOr,
    logicalAnd,
    logicalNot,
    logicalEqual,
    logicalNotEqual,
    logicalLessThan,
    logicalGreaterThan,
    logicalLessThanOrEqual,
    logicalGreaterThanOrEqual,
    bitwiseOr,
    bitwiseXor,
    bitwiseAnd,
    leftShift,
    rightShift,
    minus,
    add,
    divide,
    multiply,
    implicitMultiply,
    modulo,
    bitwiseNot,
    factorial,
    doubleFactorial,
    degree,
    percent,
    power,
    parenthesisOpen,
    parenthesisClose,
    comma,
    unaryMinus,
    unaryPlus,
    squareRoot,
    cubeRoot,
};

constexpr int builtInOperatorCount = int(BuiltInOperator::cubeRoot) + 1;

QString rawValue(BuiltInOperator op);
// The case whose raw value equals the text exactly.
std::optional<BuiltInOperator> builtInOperatorFromRawValue(const QString& rawValue);

} // namespace kestrom
