#include "core/mathparser/TokenCharacterBuffer.h"

#include <QTextBoundaryFinder>

namespace kestrom {

TokenCharacterBuffer::TokenCharacterBuffer(const QString& string)
    : m_characters(characters(string)), m_lowercaseCharacters(characters(string.toLower())) {}

QStringList TokenCharacterBuffer::characters(const QString& text) {
    QStringList result;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype previous = 0;
    while (finder.toNextBoundary() != -1) {
        const qsizetype position = finder.position();
        if (position > previous) {
            result.append(
                text.mid(previous, position - previous).normalized(QString::NormalizationForm_C));
        }
        previous = position;
    }
    return result;
}

QString TokenCharacterBuffer::character(int index) const {
    if (index < 0 || index >= m_characters.size()) {
        return {};
    }
    return m_characters.at(index);
}

QString TokenCharacterBuffer::lowercaseCharacter(int index) const {
    if (index < 0 || index >= m_lowercaseCharacters.size()) {
        return {};
    }
    return m_lowercaseCharacters.at(index);
}

QString TokenCharacterBuffer::text(int from, int to) const {
    QString result;
    for (int i = qMax(from, 0); i < to && i < m_characters.size(); ++i) {
        result += m_characters.at(i);
    }
    return result;
}

} // namespace kestrom
