#pragma once

#include <QString>
#include <QStringList>

namespace kestrom {

// The text being tokenized, split once into user-perceived characters so that
// every extractor reads any position in constant time. Each character is kept
// in composed normal form, so characters compare as whole characters.
class TokenCharacterBuffer {
public:
    explicit TokenCharacterBuffer(const QString& string);

    // The grapheme clusters of a text, each in composed normal form.
    static QStringList characters(const QString& text);

    const QStringList& characters() const { return m_characters; }
    const QStringList& lowercaseCharacters() const { return m_lowercaseCharacters; }
    int count() const { return int(m_characters.size()); }

    int currentIndex = 0;

    bool isAtEnd() const { return currentIndex >= count(); }
    // The character at an index, or an empty text beyond either end.
    QString character(int index) const;
    QString lowercaseCharacter(int index) const;
    QString current() const { return character(currentIndex); }
    // The characters from..<to joined.
    QString text(int from, int to) const;

private:
    QStringList m_characters;
    QStringList m_lowercaseCharacters;
};

} // namespace kestrom
