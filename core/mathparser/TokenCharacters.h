#pragma once

#include <QHash>
#include <QString>

namespace kestrom {

// The character classes and tables the tokenizer and resolver share.
class TokenCharacters {
public:
    // Vulgar fraction characters and their values.
    static const QHash<QString, double>& vulgarFractions();
    // Superscript characters and the plain text they stand for.
    static const QHash<QString, QString>& superscripts();

    // White space skipped between tokens, line breaks included.
    static bool isWhitespace(const QString& character);
    // White space that ends identifiers and localized numbers; no line breaks.
    static bool isInlineWhitespace(const QString& character);

    static bool isDigit(const QString& character);
    static bool isOctalDigit(const QString& character);
    static bool isHexDigit(const QString& character);
    // ASCII letters only.
    static bool isLetter(const QString& character);
};

} // namespace kestrom
