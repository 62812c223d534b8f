#include "core/mathparser/TokenGrouper.h"

#include "core/mathparser/ParserLimits.h"
#include "platform/Log.h"

namespace kestrom {

namespace {

using Case = MathParserError::Case;

bool isBuiltIn(const ResolvedToken& token, BuiltInOperator which) {
    return token.isOperator() && token.builtInOperator() == which;
}

[[noreturn]] void implementationFlaw() {
    platform::Log::fatal(QStringLiteral("Implementation flaw (MathParser/TokenGrouper)"));
}

CharacterRange spanning(const std::vector<GroupedToken>& items) {
    return {items.front().range().lowerBound, items.back().range().upperBound};
}

} // namespace

TokenGrouper::TokenGrouper(TokenResolver resolver) : m_resolver(std::move(resolver)) {}

TokenGrouper::TokenGrouper(const QString& string)
    : TokenGrouper(TokenResolver(Tokenizer(string, Configuration::defaultConfiguration()))) {}

GroupedToken TokenGrouper::group() const {
    Stream stream(m_resolver.resolve());
    std::vector<GroupedToken> items;
    while (stream.peek()) {
        items.push_back(groupItem(stream, 0));
    }
    if (items.empty()) {
        throw MathParserError(Case::emptyGroup, {0, 0});
    }
    const CharacterRange range = spanning(items);
    return GroupedToken::group(std::move(items), range).collapsed();
}

GroupedToken TokenGrouper::groupItem(Stream& stream, int depth) const {
    const ResolvedToken* peeked = stream.peek();
    if (!peeked) {
        implementationFlaw();
    }
    if (depth > ParserLimits::maximumDepth) {
        throw MathParserError(Case::invalidFormat, peeked->range());
    }
    switch (peeked->kind()) {
    case ResolvedToken::Kind::number: {
        const ResolvedToken token = *stream.next();
        return GroupedToken::number(*token.number(), token.range());
    }
    case ResolvedToken::Kind::variable: {
        const ResolvedToken token = *stream.next();
        return GroupedToken::variable(*token.variable(), token.range());
    }
    case ResolvedToken::Kind::identifier:
        return functionCall(stream, depth + 1);
    case ResolvedToken::Kind::operatorToken:
        if (isBuiltIn(*peeked, BuiltInOperator::parenthesisOpen)) {
            return parenthesizedGroup(stream, depth + 1);
        }
        if (isBuiltIn(*peeked, BuiltInOperator::parenthesisClose)) {
            throw MathParserError(Case::missingOpenParenthesis, peeked->range());
        }
        const ResolvedToken token = *stream.next();
        return GroupedToken::operatorToken(token.resolvedOperator(), token.range());
    }
    implementationFlaw();
}

GroupedToken TokenGrouper::functionCall(Stream& stream, int depth) const {
    const std::optional<ResolvedToken> name = stream.next();
    if (!name) {
        implementationFlaw();
    }
    const int nameEnd = name->range().upperBound;
    const std::optional<ResolvedToken> open = stream.next();
    if (!open || !isBuiltIn(*open, BuiltInOperator::parenthesisOpen)) {
        throw MathParserError(Case::missingOpenParenthesis, {nameEnd, nameEnd});
    }
    std::vector<GroupedToken> arguments;
    while (const ResolvedToken* peeked = stream.peek()) {
        if (isBuiltIn(*peeked, BuiltInOperator::parenthesisClose)) {
            break;
        }
        arguments.push_back(argument(stream, peeked->range().lowerBound, depth));
    }
    const std::optional<ResolvedToken> close = stream.next();
    if (close && isBuiltIn(*close, BuiltInOperator::parenthesisClose)) {
        return GroupedToken::function(name->string(), std::move(arguments),
                                      {name->range().lowerBound, close->range().upperBound});
    }
    const int end =
        arguments.empty() ? open->range().upperBound : arguments.back().range().upperBound;
    throw MathParserError(Case::missingCloseParenthesis, {end, end});
}

GroupedToken TokenGrouper::argument(Stream& stream, int argumentStart, int depth) const {
    std::vector<GroupedToken> items;
    while (const ResolvedToken* peeked = stream.peek()) {
        if (isBuiltIn(*peeked, BuiltInOperator::comma)) {
            stream.next();
            break;
        }
        if (isBuiltIn(*peeked, BuiltInOperator::parenthesisClose)) {
            break;
        }
        items.push_back(groupItem(stream, depth));
    }
    if (items.empty()) {
        throw MathParserError(Case::emptyFunctionArgument, {argumentStart, argumentStart});
    }
    const CharacterRange range = spanning(items);
    return GroupedToken::group(std::move(items), range);
}

GroupedToken TokenGrouper::parenthesizedGroup(Stream& stream, int depth) const {
    const std::optional<ResolvedToken> open = stream.next();
    if (!open || !isBuiltIn(*open, BuiltInOperator::parenthesisOpen)) {
        implementationFlaw();
    }
    std::vector<GroupedToken> items;
    while (const ResolvedToken* peeked = stream.peek()) {
        if (isBuiltIn(*peeked, BuiltInOperator::parenthesisClose)) {
            break;
        }
        items.push_back(groupItem(stream, depth));
    }
    const std::optional<ResolvedToken> close = stream.next();
    const int lower = open->range().lowerBound;
    if (close && isBuiltIn(*close, BuiltInOperator::parenthesisClose)) {
        const CharacterRange range{lower, close->range().upperBound};
        if (items.empty()) {
            throw MathParserError(Case::emptyGroup, range);
        }
        return GroupedToken::group(std::move(items), range);
    }
    const int upper = items.empty() ? open->range().upperBound : items.back().range().upperBound;
    throw MathParserError(Case::missingCloseParenthesis, {lower, upper});
}

} // namespace kestrom
