#pragma once

#include "core/mathparser/CharacterRange.h"
#include "core/mathparser/Configuration.h"
#include "core/mathparser/Substitution.h"
#include "core/mathparser/TokenResolverOptions.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace kestrom {

class Evaluator;
class Expression;
class ExpressionRewriter;
using ExpressionPtr = std::shared_ptr<Expression>;
// Placeholder names of a rewrite template to the sub-trees they matched.
using Bindings = QHash<QString, ExpressionPtr>;

// The parsed form of an arithmetic expression: a tree of numbers, variables
// and function calls. Operators become calls of their operator's function.
// Nodes are shared; each knows the call whose arguments hold it (weakly).
class Expression : public std::enable_shared_from_this<Expression> {
public:
    class Kind {
    public:
        enum class Case { number, variable, function };

        static Kind number(double value);
        static Kind variable(QString name);
        static Kind function(QString name, std::vector<ExpressionPtr> arguments);

        Case value() const { return m_case; }
        bool isNumber() const { return m_case == Case::number; }
        bool isVariable() const { return m_case == Case::variable; }
        bool isFunction() const { return m_case == Case::function; }

        std::optional<double> number() const;
        std::optional<QString> variable() const;
        std::optional<QString> functionName() const;
        // Empty for numbers and variables.
        const std::vector<ExpressionPtr>& functionArguments() const { return m_arguments; }

    private:
        Kind(Case value) : m_case(value) {}

        Case m_case;
        double m_number = 0;
        QString m_name;
        std::vector<ExpressionPtr> m_arguments;
    };

    // A new node; for a function, every argument's parent becomes this node.
    static ExpressionPtr make(Kind kind, CharacterRange range);
    static ExpressionPtr number(double value, CharacterRange range = {});
    static ExpressionPtr variable(QString name, CharacterRange range = {});
    static ExpressionPtr function(QString name, std::vector<ExpressionPtr> arguments,
                                  CharacterRange range = {});

    // Parses a text through every stage; throws the first MathParserError.
    static ExpressionPtr
    parse(const QString& string,
          const Configuration& configuration = Configuration::defaultConfiguration());
    // Older form with the resolver's settings as option flags.
    static ExpressionPtr parse(const QString& string, std::shared_ptr<OperatorSet> operatorSet,
                               TokenResolverOptions options, std::optional<QLocale> locale);

    Expression(const Expression&) = delete;
    Expression& operator=(const Expression&) = delete;

    const Kind& kind() const { return m_kind; }
    CharacterRange range() const { return m_range; }
    ExpressionPtr parent() const { return m_parent.lock(); }
    // Levels of the tree below and including this node.
    int depth() const { return m_depth; }

    // For display: operators in their operator form, without parentheses.
    QString description() const;

    // A new tree in which every sub-tree that can be computed is folded into
    // a number. Sub-trees whose evaluation fails are kept; never fails.
    ExpressionPtr simplify(const Substitutions& substitutions, const Evaluator& evaluator) const;

    // The tree rewritten by the rewriter's rules. Never fails.
    ExpressionPtr rewrite(const Substitutions& substitutions, const ExpressionRewriter& rewriter,
                          const Evaluator& evaluator) const;

    // Matches this tree against a template whose placeholders ("__exp1",
    // "__num1", "__var1", "__func1") stand for sub-trees; none when it does not
    // match. A placeholder met twice must match equal sub-trees.
    std::optional<Bindings> match(const Expression& templateExpression,
                                  std::optional<Bindings> matchedSoFar = std::nullopt) const;
    bool matches(const Expression& templateExpression) const;

    // Names compare under canonical equivalence.
    static bool sameName(const QString& a, const QString& b);

private:
    Expression(Kind kind, CharacterRange range);

    Kind m_kind;
    CharacterRange m_range;
    std::weak_ptr<Expression> m_parent;
    int m_depth = 1;
};

// Compares kinds only: ranges and parents are ignored, numbers compare as
// floating-point values (so not-a-number never equals itself).
bool operator==(const Expression& a, const Expression& b);

} // namespace kestrom
