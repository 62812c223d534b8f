#pragma once

#include "core/mathparser/CharacterRange.h"

#include <QString>

namespace kestrom {

// A token as the tokenizer cuts it, before its meaning is settled. The text
// is not always the input at the range: hex and octal tokens carry only their
// digits, exponent tokens the plain text of their superscripts, and variable
// tokens the name without "$" or quotes.
class RawToken {
public:
    enum class Kind {
        hexNumber,
        octalNumber,
        decimalNumber,
        fractionNumber,
        localizedNumber,
        exponent,
        variable,
        operatorToken,
        identifier,
    };

    RawToken(Kind kind, QString string, CharacterRange range)
        : m_kind(kind), m_string(std::move(string)), m_range(range) {}

    Kind kind() const { return m_kind; }
    const QString& string() const { return m_string; }
    CharacterRange range() const { return m_range; }

private:
    Kind m_kind;
    QString m_string;
    CharacterRange m_range;
};

} // namespace kestrom
