#pragma once

#include "core/mathparser/LocalizedNumberFormatter.h"
#include "core/mathparser/ResolvedToken.h"
#include "core/mathparser/TokenResolverOptions.h"
#include "core/mathparser/Tokenizer.h"

#include <vector>

namespace kestrom {

// Turns raw tokens into numbers, variables, function names and operators,
// choosing among operators that share a spelling, and inserts what the user
// may leave out: the parentheses of a call without arguments and the
// multiplication between operands side by side.
class TokenResolver {
public:
    explicit TokenResolver(Tokenizer tokenizer);
    TokenResolver(const QString& string, const Configuration& configuration);
    // Older form; the tokenizer's configuration governs, the options are not read.
    TokenResolver(Tokenizer tokenizer, TokenResolverOptions options);

    // Throws the first MathParserError of tokenizing or resolving.
    std::vector<ResolvedToken> resolve() const;

    const Tokenizer& tokenizer() const { return m_tokenizer; }

private:
    std::vector<ResolvedToken> resolveToken(const RawToken& raw,
                                            const ResolvedToken* previous) const;
    OperatorPtr chooseOperator(const RawToken& raw, const ResolvedToken* previous) const;
    std::vector<ResolvedToken> resolveExponent(const RawToken& raw) const;

    Tokenizer m_tokenizer;
    std::vector<LocalizedNumberFormatter> m_numberFormatters;
};

} // namespace kestrom
