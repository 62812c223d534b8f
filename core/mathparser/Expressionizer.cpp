#include "core/mathparser/Expressionizer.h"

#include "core/mathparser/ParserLimits.h"
#include "platform/Log.h"

#include <limits>

namespace kestrom {

namespace {

using Case = MathParserError::Case;

[[noreturn]] void flaw(const char* message) {
    platform::Log::fatal(QString::fromLatin1(message) +
                         QStringLiteral(" (MathParser/Expressionizer)"));
}

const GroupedToken* operatorLeaf(const std::variant<GroupedToken, ExpressionPtr>& entry) {
    const GroupedToken* token = std::get_if<GroupedToken>(&entry);
    return token && token->kind() == GroupedToken::Kind::operatorToken ? token : nullptr;
}

CharacterRange rangeOf(const std::variant<GroupedToken, ExpressionPtr>& entry) {
    if (const GroupedToken* token = std::get_if<GroupedToken>(&entry)) {
        return token->range();
    }
    return std::get<ExpressionPtr>(entry)->range();
}

bool isBuiltIn(const Operator& op, BuiltInOperator which) {
    return op.builtInOperator() == which;
}

} // namespace

Expressionizer::Expressionizer(TokenGrouper grouper) : m_grouper(std::move(grouper)) {}

ExpressionPtr Expressionizer::expression() const {
    return build(m_grouper.group(), 0);
}

ExpressionPtr Expressionizer::checked(ExpressionPtr node) const {
    if (node->depth() > ParserLimits::maximumDepth) {
        throw MathParserError(Case::invalidFormat, node->range());
    }
    return node;
}

ExpressionPtr Expressionizer::build(const GroupedToken& token, int depth) const {
    if (depth > ParserLimits::maximumDepth) {
        throw MathParserError(Case::invalidFormat, token.range());
    }
    switch (token.kind()) {
    case GroupedToken::Kind::number:
        return Expression::number(token.number(), token.range());
    case GroupedToken::Kind::variable:
        return Expression::variable(token.name(), token.range());
    case GroupedToken::Kind::function: {
        std::vector<ExpressionPtr> arguments;
        for (const GroupedToken& argument : token.children()) {
            arguments.push_back(build(argument, depth + 1));
        }
        return checked(Expression::function(token.name(), std::move(arguments), token.range()));
    }
    case GroupedToken::Kind::group:
        return reduce(token.children(), depth + 1);
    case GroupedToken::Kind::operatorToken:
        // An operator standing where an operand belongs: always a missing operand.
        return reduce({token}, depth + 1);
    }
    flaw("Implementation flaw");
}

ExpressionPtr Expressionizer::reduce(const std::vector<GroupedToken>& elements, int depth) const {
    std::vector<Entry> entries(elements.begin(), elements.end());
    while (true) {
        if (entries.empty()) {
            flaw("Implementation flaw");
        }
        if (entries.size() == 1) {
            if (const ExpressionPtr* expression = std::get_if<ExpressionPtr>(&entries.front())) {
                return *expression;
            }
            if (!operatorLeaf(entries.front())) {
                return build(std::get<GroupedToken>(entries.front()), depth + 1);
            }
        }
        std::optional<int> bestPrecedence;
        const Operator* bestOperator = nullptr;
        std::vector<size_t> candidates;
        for (size_t i = 0; i < entries.size(); ++i) {
            const GroupedToken* leaf = operatorLeaf(entries[i]);
            if (!leaf) {
                continue;
            }
            const std::optional<int> precedence = leaf->op()->precedence();
            if (!precedence) {
                flaw("Operator with unknown precedence");
            }
            if (!bestPrecedence || *precedence > *bestPrecedence) {
                bestPrecedence = precedence;
                bestOperator = leaf->op().get();
                candidates = {i};
            } else if (*precedence == *bestPrecedence) {
                candidates.push_back(i);
            }
        }
        if (candidates.empty()) {
            throw MathParserError(Case::invalidFormat, rangeOf(entries.front()));
        }
        const size_t position = bestOperator->associativity() == Operator::Associativity::left
                                    ? candidates.front()
                                    : candidates.back();
        reduceAt(entries, position, depth);
    }
}

size_t Expressionizer::reduceAt(std::vector<Entry>& entries, size_t index, int depth) const {
    if (depth > ParserLimits::maximumDepth) {
        throw MathParserError(Case::invalidFormat, rangeOf(entries[index]));
    }
    const GroupedToken* leaf = operatorLeaf(entries[index]);
    if (!leaf) {
        flaw("Implementation flaw");
    }
    const Operator& op = *leaf->op();
    if (op.isInfix()) {
        return reduceBinary(entries, index, depth);
    }
    return op.isPrefix() ? reducePrefix(entries, index, depth)
                         : reducePostfix(entries, index, depth);
}

size_t Expressionizer::reduceBinary(std::vector<Entry>& entries, size_t index, int depth) const {
    const GroupedToken leaf = std::get<GroupedToken>(entries[index]);
    const OperatorPtr& op = leaf.op();
    if (index == 0) {
        throw MathParserError(MathParserError::Kind(Case::missingLeftOperand, op), leaf.range());
    }
    if (index == entries.size() - 1) {
        throw MathParserError(MathParserError::Kind(Case::missingRightOperand, op), leaf.range());
    }

    // The right operand first, so "2 ** -3" takes the negation whole.
    if (const GroupedToken* right = std::get_if<GroupedToken>(&entries[index + 1])) {
        const GroupedToken* rightLeaf = operatorLeaf(entries[index + 1]);
        if (rightLeaf && rightLeaf->op()->isPrefix()) {
            reducePrefix(entries, index + 1, depth + 1);
        } else {
            entries[index + 1] = build(*right, depth + 1);
        }
    }
    if (!std::holds_alternative<ExpressionPtr>(entries[index + 1])) {
        flaw("Never resolved right operand");
    }

    // Then the left: a postfix operator there merges with its own operand first.
    if (const GroupedToken* left = std::get_if<GroupedToken>(&entries[index - 1])) {
        const GroupedToken* leftLeaf = operatorLeaf(entries[index - 1]);
        if (leftLeaf && leftLeaf->op()->isPostfix()) {
            // The chain merged into one entry; this operator now follows it.
            index = reducePostfix(entries, index - 1, depth + 1) + 1;
        } else {
            entries[index - 1] = build(*left, depth + 1);
        }
    }
    if (!std::holds_alternative<ExpressionPtr>(entries[index - 1])) {
        flaw("Never resolved left operand");
    }

    const ExpressionPtr leftOperand = std::get<ExpressionPtr>(entries[index - 1]);
    const ExpressionPtr rightOperand = std::get<ExpressionPtr>(entries[index + 1]);
    const CharacterRange range{leftOperand->range().lowerBound, rightOperand->range().upperBound};
    const ExpressionPtr node =
        checked(Expression::function(op->function(), {leftOperand, rightOperand}, range));
    entries.erase(entries.begin() + long(index), entries.begin() + long(index) + 2);
    entries[index - 1] = node;
    return index - 1;
}

size_t Expressionizer::reducePrefix(std::vector<Entry>& entries, size_t index, int depth) const {
    if (depth > ParserLimits::maximumDepth) {
        throw MathParserError(Case::invalidFormat, rangeOf(entries[index]));
    }
    const GroupedToken leaf = std::get<GroupedToken>(entries[index]);
    const OperatorPtr& op = leaf.op();
    if (index == entries.size() - 1) {
        throw MathParserError(MathParserError::Kind(Case::missingRightOperand, op), leaf.range());
    }
    if (const GroupedToken* operand = std::get_if<GroupedToken>(&entries[index + 1])) {
        const GroupedToken* operandLeaf = operatorLeaf(entries[index + 1]);
        if (operandLeaf && operandLeaf->op()->isPrefix()) {
            reducePrefix(entries, index + 1, depth + 1);
        } else {
            entries[index + 1] = build(*operand, depth + 1);
        }
    }
    if (!std::holds_alternative<ExpressionPtr>(entries[index + 1])) {
        flaw("Implementation flaw");
    }
    const ExpressionPtr operand = std::get<ExpressionPtr>(entries[index + 1]);
    ExpressionPtr result;
    if (isBuiltIn(*op, BuiltInOperator::unaryPlus)) {
        result = operand; // a unary plus leaves no trace in the tree
    } else {
        const CharacterRange range{leaf.range().lowerBound, operand->range().upperBound};
        result = checked(Expression::function(op->function(), {operand}, range));
    }
    entries.erase(entries.begin() + long(index) + 1);
    entries[index] = result;
    return index;
}

size_t Expressionizer::reducePostfix(std::vector<Entry>& entries, size_t index, int depth) const {
    if (depth > ParserLimits::maximumDepth) {
        throw MathParserError(Case::invalidFormat, rangeOf(entries[index]));
    }
    const GroupedToken leaf = std::get<GroupedToken>(entries[index]);
    const OperatorPtr& op = leaf.op();
    if (index == 0) {
        throw MathParserError(MathParserError::Kind(Case::missingLeftOperand, op), leaf.range());
    }
    if (const GroupedToken* operand = std::get_if<GroupedToken>(&entries[index - 1])) {
        const GroupedToken* operandLeaf = operatorLeaf(entries[index - 1]);
        if (operandLeaf && operandLeaf->op()->isPostfix()) {
            index = reducePostfix(entries, index - 1, depth + 1) + 1;
        } else {
            entries[index - 1] = build(*operand, depth + 1);
        }
    }
    if (!std::holds_alternative<ExpressionPtr>(entries[index - 1])) {
        flaw("Implementation flaw");
    }
    const ExpressionPtr operand = std::get<ExpressionPtr>(entries[index - 1]);
    const CharacterRange range{operand->range().lowerBound, leaf.range().upperBound};
    const ExpressionPtr node = checked(Expression::function(op->function(), {operand}, range));
    entries.erase(entries.begin() + long(index));
    entries[index - 1] = node;
    return index - 1;
}

} // namespace kestrom
