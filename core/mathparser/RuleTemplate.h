#pragma once

#include <QString>

namespace kestrom {

// Prefixes of the placeholder names in rewrite rules. A placeholder is a call
// whose name begins with one of them; the whole name identifies it.
struct RuleTemplate {
    // Any sub-tree.
    static QString anyExpression() { return QStringLiteral("__exp"); }
    // A number.
    static QString anyNumber() { return QStringLiteral("__num"); }
    // A variable.
    static QString anyVariable() { return QStringLiteral("__var"); }
    // A call of any function with any arguments.
    static QString anyFunction() { return QStringLiteral("__func"); }
};

} // namespace kestrom
