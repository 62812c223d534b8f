#include "core/mathparser/TokenCharacters.h"

namespace kestrom {

namespace {

char16_t single(const QString& character) {
    return character.size() == 1 ? character.at(0).unicode() : char16_t(0);
}

bool isInlineSpace(char16_t c) {
    return c == 0x20 || c == 0x09 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200B) ||
           c == 0x202F || c == 0x205F || c == 0x3000;
}

bool isLineBreak(char16_t c) {
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

} // namespace

const QHash<QString, double>& TokenCharacters::vulgarFractions() {
    static const QHash<QString, double> table = {
        {QString(QChar(0x00BD)), 0.5},       {QString(QChar(0x2153)), 0.3333333},
        {QString(QChar(0x2154)), 0.6666666}, {QString(QChar(0x00BC)), 0.25},
        {QString(QChar(0x00BE)), 0.75},      {QString(QChar(0x2155)), 0.2},
        {QString(QChar(0x2156)), 0.4},       {QString(QChar(0x2157)), 0.6},
        {QString(QChar(0x2158)), 0.8},       {QString(QChar(0x2159)), 0.1666666},
        {QString(QChar(0x215A)), 0.8333333}, {QString(QChar(0x215B)), 0.125},
        {QString(QChar(0x215C)), 0.375},     {QString(QChar(0x215D)), 0.625},
        {QString(QChar(0x215E)), 0.875},
    };
    return table;
}

const QHash<QString, QString>& TokenCharacters::superscripts() {
    static const QHash<QString, QString> table = {
        {QString(QChar(0x2070)), QStringLiteral("0")},
        {QString(QChar(0x00B9)), QStringLiteral("1")},
        {QString(QChar(0x00B2)), QStringLiteral("2")},
        {QString(QChar(0x00B3)), QStringLiteral("3")},
        {QString(QChar(0x2074)), QStringLiteral("4")},
        {QString(QChar(0x2075)), QStringLiteral("5")},
        {QString(QChar(0x2076)), QStringLiteral("6")},
        {QString(QChar(0x2077)), QStringLiteral("7")},
        {QString(QChar(0x2078)), QStringLiteral("8")},
        {QString(QChar(0x2079)), QStringLiteral("9")},
        {QString(QChar(0x207A)), QStringLiteral("+")},
        {QString(QChar(0x207B)), QStringLiteral("-")},
        {QString(QChar(0x207D)), QStringLiteral("(")},
        {QString(QChar(0x207E)), QStringLiteral(")")},
    };
    return table;
}

bool TokenCharacters::isWhitespace(const QString& character) {
    const char16_t c = single(character);
    // A carriage return and line feed pair is one character.
    return isInlineSpace(c) || isLineBreak(c) || character == QStringLiteral("\r\n");
}

bool TokenCharacters::isInlineWhitespace(const QString& character) {
    return isInlineSpace(single(character));
}

bool TokenCharacters::isDigit(const QString& character) {
    const char16_t c = single(character);
    return c >= u'0' && c <= u'9';
}

bool TokenCharacters::isOctalDigit(const QString& character) {
    const char16_t c = single(character);
    return c >= u'0' && c <= u'7';
}

bool TokenCharacters::isHexDigit(const QString& character) {
    const char16_t c = single(character);
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool TokenCharacters::isLetter(const QString& character) {
    const char16_t c = single(character);
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

} // namespace kestrom
