#pragma once

#include "core/mathparser/Expression.h"
#include "core/mathparser/TokenGrouper.h"

#include <variant>
#include <vector>

namespace kestrom {

// Builds the expression tree of a grouped token by precedence and
// associativity: the tightest-binding operator of a group is combined with
// its operands, again and again, until one expression is left.
class Expressionizer {
public:
    explicit Expressionizer(TokenGrouper grouper);

    // Throws the first MathParserError of any stage.
    ExpressionPtr expression() const;

private:
    using Entry = std::variant<GroupedToken, ExpressionPtr>;

    ExpressionPtr build(const GroupedToken& token, int depth) const;
    ExpressionPtr reduce(const std::vector<GroupedToken>& elements, int depth) const;
    // Each returns the index of the entry that replaced the operator.
    size_t reduceAt(std::vector<Entry>& entries, size_t index, int depth) const;
    size_t reduceBinary(std::vector<Entry>& entries, size_t index, int depth) const;
    size_t reducePrefix(std::vector<Entry>& entries, size_t index, int depth) const;
    size_t reducePostfix(std::vector<Entry>& entries, size_t index, int depth) const;
    ExpressionPtr checked(ExpressionPtr node) const;

    TokenGrouper m_grouper;
};

} // namespace kestrom
