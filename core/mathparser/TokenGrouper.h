#pragma once

#include "core/mathparser/GroupedToken.h"
#include "core/mathparser/PeekingIterator.h"
#include "core/mathparser/TokenResolver.h"

namespace kestrom {

// Turns the flat list of resolved tokens into nested groups and function
// calls, and reports the structural faults of an expression.
class TokenGrouper {
public:
    explicit TokenGrouper(TokenResolver resolver);
    explicit TokenGrouper(const QString& string);

    // Throws the first MathParserError of any stage up to grouping.
    GroupedToken group() const;

    const TokenResolver& resolver() const { return m_resolver; }

private:
    using Stream = PeekingIterator<ResolvedToken>;

    GroupedToken groupItem(Stream& stream, int depth) const;
    GroupedToken functionCall(Stream& stream, int depth) const;
    GroupedToken argument(Stream& stream, int argumentStart, int depth) const;
    GroupedToken parenthesizedGroup(Stream& stream, int depth) const;

    TokenResolver m_resolver;
};

} // namespace kestrom
