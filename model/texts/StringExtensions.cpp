#include "model/texts/StringExtensions.h"

#include <QStringDecoder>
#include <QTextBoundaryFinder>

namespace ambrel {

QString StringExtensions::strippingLastDotZero(const QString& text) {
    if (text.endsWith(QStringLiteral(".0"))) {
        return text.chopped(2);
    }
    return text;
}

QString StringExtensions::uppercased(const QString& text, bool onlyFirstCharacter) {
    if (!onlyFirstCharacter) {
        return text.toUpper();
    }
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    const qsizetype end = graphemes.toNextBoundary();
    if (end <= 0) {
        return text;
    }
    return text.left(end).toUpper() + text.mid(end);
}

QByteArray StringExtensions::utf8Bytes(const QString& text) {
    QByteArray bytes = text.toUtf8();
    bytes.append('\0');
    return bytes;
}

QByteArray StringExtensions::utf8BytesRemovingTerminationCharacter(const QString& text) {
    return text.toUtf8();
}

std::optional<QString> StringExtensions::cStringAppendingNullCharacter(const QByteArray& bytes,
                                                                       TextEncoding encoding) {
    const qsizetype zero = bytes.indexOf('\0');
    const QByteArray cString = zero < 0 ? bytes : bytes.left(zero);
    switch (encoding) {
    case TextEncoding::ascii:
        for (char c : cString) {
            if (uchar(c) > 0x7F) {
                return std::nullopt;
            }
        }
        return QString::fromLatin1(cString);
    case TextEncoding::isoLatin1:
        return QString::fromLatin1(cString);
    case TextEncoding::utf8: {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = decoder.decode(cString);
        if (decoder.hasError()) {
            return std::nullopt;
        }
        return text;
    }
    }
    return std::nullopt;
}

} // namespace ambrel
