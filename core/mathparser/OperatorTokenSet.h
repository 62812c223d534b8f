#pragma once

#include <QSet>
#include <QString>

namespace kestrom {

// What the tokenizer needs of an operator set: every character used in an
// operator spelling, and the spellings themselves with their lowercase forms.
struct OperatorTokenSet {
    QSet<QString> characters;
    QSet<QString> tokens;

    static OperatorTokenSet fromKnownTokens(const QSet<QString>& knownTokens);

    // Whether some spelling begins with the text.
    bool hasTokenWithPrefix(const QString& prefix) const { return prefixes.contains(prefix); }

    // Every leading part of every spelling, so that the prefix test is one look-up.
    QSet<QString> prefixes;
};

} // namespace kestrom
