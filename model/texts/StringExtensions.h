#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace ambrel {

enum class TextEncoding { ascii, utf8, isoLatin1 };

// Text operations the device model and its users share.
class StringExtensions {
public:
    // "2.0" gives "2"; "2.05" stays as it is.
    static QString strippingLastDotZero(const QString& text);
    // Only the first character (a whole grapheme) upper-cased, or all of it.
    static QString uppercased(const QString& text, bool onlyFirstCharacter);
    // The UTF-8 bytes and one terminating zero byte.
    static QByteArray utf8Bytes(const QString& text);
    static QByteArray utf8BytesRemovingTerminationCharacter(const QString& text);
    // The bytes read as a zero-terminated string in the encoding, after one
    // zero byte is appended (so bytes without a zero are read whole). Bytes
    // before the first zero that are not valid in the encoding give nothing.
    static std::optional<QString> cStringAppendingNullCharacter(const QByteArray& bytes,
                                                                TextEncoding encoding);
};

} // namespace ambrel
