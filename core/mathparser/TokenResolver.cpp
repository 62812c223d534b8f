#include "core/mathparser/TokenResolver.h"

#include "core/mathparser/NumberText.h"
#include "core/mathparser/TokenCharacters.h"

#include <limits>

namespace kestrom {

namespace {

using Case = MathParserError::Case;

ResolvedToken parenthesis(BuiltInOperator which, CharacterRange range) {
    OperatorPtr op = which == BuiltInOperator::parenthesisOpen
                         ? Operator::make(rawValue(which), Operator::Arity::unary,
                                          Operator::Associativity::right, {QStringLiteral("(")})
                         : Operator::make(rawValue(which), Operator::Arity::unary,
                                          Operator::Associativity::left, {QStringLiteral(")")});
    return ResolvedToken::operatorToken(op, op->tokens().front(), range);
}

// Digits in base 8 or 16 as an unsigned 64-bit value; none when it does not fit.
std::optional<double> readUnsigned(const QString& digits, unsigned base) {
    std::uint64_t value = 0;
    for (QChar c : digits) {
        const int digit = c.isDigit() ? c.digitValue() : c.toLower().unicode() - u'a' + 10;
        if (value > (std::numeric_limits<std::uint64_t>::max() - std::uint64_t(digit)) / base) {
            return std::nullopt;
        }
        value = value * base + std::uint64_t(digit);
    }
    return double(value);
}

bool endsOperand(const ResolvedToken& token) {
    return token.isNumber() || token.isVariable() ||
           (token.isOperator() && token.resolvedOperator()->isPostfix());
}

bool beginsOperand(const ResolvedToken& token) {
    return token.isNumber() || token.isVariable() || token.isIdentifier() ||
           (token.isOperator() && token.resolvedOperator()->isPrefix());
}

} // namespace

TokenResolver::TokenResolver(Tokenizer tokenizer) : m_tokenizer(std::move(tokenizer)) {
    if (const auto& locale = m_tokenizer.configuration().locale) {
        m_numberFormatters.emplace_back(*locale);
    }
}

TokenResolver::TokenResolver(const QString& string, const Configuration& configuration)
    : TokenResolver(Tokenizer(string, configuration)) {}

TokenResolver::TokenResolver(Tokenizer tokenizer, TokenResolverOptions)
    : TokenResolver(std::move(tokenizer)) {}

std::vector<ResolvedToken> TokenResolver::resolve() const {
    const Configuration& configuration = m_tokenizer.configuration();
    const OperatorSet& operators = *configuration.operatorSet;
    const std::vector<RawToken> rawTokens = m_tokenizer.tokenize();

    const auto argumentlessCall = [&](const ResolvedToken* current, const ResolvedToken* previous,
                                      std::vector<ResolvedToken>& into) {
        if (!previous || !previous->isIdentifier()) {
            return;
        }
        if (current && current->builtInOperator() == BuiltInOperator::parenthesisOpen) {
            return;
        }
        const CharacterRange at{previous->range().upperBound, previous->range().upperBound};
        into.push_back(parenthesis(BuiltInOperator::parenthesisOpen, at));
        into.push_back(parenthesis(BuiltInOperator::parenthesisClose, at));
    };

    std::vector<ResolvedToken> resolved;
    for (const RawToken& raw : rawTokens) {
        // Copied: appending below may move the token it would point into.
        const std::optional<ResolvedToken> previous =
            resolved.empty() ? std::nullopt : std::optional<ResolvedToken>(resolved.back());
        const ResolvedToken* previousToken = previous ? &*previous : nullptr;
        std::vector<ResolvedToken> tokens = resolveToken(raw, previousToken);
        const ResolvedToken first = tokens.front();

        std::vector<ResolvedToken> pending;
        if (configuration.allowArgumentlessFunctions) {
            argumentlessCall(&first, previousToken, pending);
        }
        if (configuration.allowImplicitMultiplication) {
            const ResolvedToken* before = pending.empty() ? previousToken : &pending.back();
            if (before && endsOperand(*before) && beginsOperand(first)) {
                const OperatorPtr& multiply = configuration.useHighPrecedenceImplicitMultiplication
                                                  ? operators.implicitMultiplyOperator()
                                                  : operators.multiplyOperator();
                const CharacterRange at{first.range().lowerBound, first.range().lowerBound};
                pending.push_back(ResolvedToken::operatorToken(multiply, QStringLiteral("*"), at));
            }
        }
        pending.insert(pending.end(), tokens.begin(), tokens.end());
        resolved.insert(resolved.end(), pending.begin(), pending.end());
    }
    if (configuration.allowArgumentlessFunctions && !resolved.empty()) {
        const ResolvedToken last = resolved.back();
        argumentlessCall(nullptr, &last, resolved);
    }
    return resolved;
}

std::vector<ResolvedToken> TokenResolver::resolveToken(const RawToken& raw,
                                                       const ResolvedToken* previous) const {
    const OperatorSet& operators = *m_tokenizer.configuration().operatorSet;
    switch (raw.kind()) {
    case RawToken::Kind::hexNumber:
    case RawToken::Kind::octalNumber: {
        const bool hex = raw.kind() == RawToken::Kind::hexNumber;
        const auto value = readUnsigned(raw.string(), hex ? 16 : 8);
        if (!value) {
            throw MathParserError(hex ? Case::cannotParseHexNumber : Case::cannotParseOctalNumber,
                                  raw.range());
        }
        return {ResolvedToken::number(*value, raw.string(), raw.range())};
    }
    case RawToken::Kind::decimalNumber: {
        QString text = raw.string();
        text.replace(QChar(0x2212), QLatin1Char('-'));
        return {ResolvedToken::number(NumberText::readDecimal(text), raw.string(), raw.range())};
    }
    case RawToken::Kind::localizedNumber:
        for (const LocalizedNumberFormatter& formatter : m_numberFormatters) {
            if (const auto value = formatter.number(raw.string())) {
                return {ResolvedToken::number(*value, raw.string(), raw.range())};
            }
        }
        throw MathParserError(Case::cannotParseLocalizedNumber, raw.range());
    case RawToken::Kind::fractionNumber: {
        std::vector<ResolvedToken> result;
        const CharacterRange at{raw.range().lowerBound, raw.range().lowerBound};
        if (previous && previous->isNumber()) {
            // "2½" is 2 + ½.
            result.push_back(ResolvedToken::operatorToken(operators.addFractionOperator(),
                                                          QStringLiteral("+"), at));
        }
        const auto& fractions = TokenCharacters::vulgarFractions();
        const auto found = fractions.constFind(raw.string());
        if (found == fractions.constEnd()) {
            throw MathParserError(Case::cannotParseFractionalNumber, raw.range());
        }
        result.push_back(ResolvedToken::number(*found, raw.string(), raw.range()));
        return result;
    }
    case RawToken::Kind::exponent:
        return resolveExponent(raw);
    case RawToken::Kind::variable:
        return {ResolvedToken::variable(raw.string(), raw.string(), raw.range())};
    case RawToken::Kind::identifier:
        return {ResolvedToken::identifier(raw.string(), raw.string(), raw.range())};
    case RawToken::Kind::operatorToken:
        return {
            ResolvedToken::operatorToken(chooseOperator(raw, previous), raw.string(), raw.range())};
    }
    return {};
}

OperatorPtr TokenResolver::chooseOperator(const RawToken& raw,
                                          const ResolvedToken* previous) const {
    const std::vector<OperatorPtr> candidates =
        m_tokenizer.configuration().operatorSet->operatorForToken(raw.string());
    if (candidates.empty()) {
        throw MathParserError(Case::unknownOperator, raw.range());
    }
    if (candidates.size() == 1) {
        return candidates.front();
    }
    enum class Shape { prefix, infix, postfix };
    std::vector<Shape> groups;
    if (!previous) {
        groups = {Shape::prefix};
    } else if (!previous->isOperator()) {
        groups = {Shape::postfix, Shape::infix, Shape::prefix};
    } else if (previous->resolvedOperator()->isPostfix()) {
        groups = {Shape::postfix, Shape::infix};
    } else {
        groups = {Shape::prefix};
    }
    for (Shape shape : groups) {
        for (const OperatorPtr& candidate : candidates) {
            const bool fits = shape == Shape::prefix    ? candidate->isPrefix()
                              : shape == Shape::postfix ? candidate->isPostfix()
                                                        : candidate->isInfix();
            if (fits) {
                return candidate;
            }
        }
    }
    throw MathParserError(Case::ambiguousOperator, raw.range());
}

std::vector<ResolvedToken> TokenResolver::resolveExponent(const RawToken& raw) const {
    const Configuration& configuration = m_tokenizer.configuration();
    const int start = raw.range().lowerBound;
    const CharacterRange atStart{start, start};
    std::vector<ResolvedToken> result;
    result.push_back(ResolvedToken::operatorToken(configuration.operatorSet->powerOperator(),
                                                  QStringLiteral("**"), atStart));
    result.push_back(parenthesis(BuiltInOperator::parenthesisOpen, atStart));
    const std::vector<ResolvedToken> inner =
        TokenResolver(Tokenizer(raw.string(), configuration)).resolve();
    // Inner ranges are packed from the exponent's start: each keeps its length.
    int position = start;
    for (const ResolvedToken& token : inner) {
        const int length = token.range().count();
        const CharacterRange packed{position, position + length};
        position += length;
        switch (token.kind()) {
        case ResolvedToken::Kind::number:
            result.push_back(ResolvedToken::number(*token.number(), token.string(), packed));
            break;
        case ResolvedToken::Kind::variable:
            result.push_back(ResolvedToken::variable(*token.variable(), token.string(), packed));
            break;
        case ResolvedToken::Kind::identifier:
            result.push_back(
                ResolvedToken::identifier(*token.identifier(), token.string(), packed));
            break;
        case ResolvedToken::Kind::operatorToken:
            result.push_back(
                ResolvedToken::operatorToken(token.resolvedOperator(), token.string(), packed));
            break;
        }
    }
    const int end = raw.range().upperBound;
    result.push_back(parenthesis(BuiltInOperator::parenthesisClose, {end, end}));
    return result;
}

} // namespace kestrom
