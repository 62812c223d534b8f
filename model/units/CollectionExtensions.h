#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <span>

namespace ambrel {

// Consecutive slices of `count` elements each, in order; the last slice
// holds the rest and may be shorter. An empty list gives no slices. The count
// must be positive.
template <typename T> QList<QList<T>> chunked(const QList<T>& list, qsizetype count) {
    Q_ASSERT(count > 0);
    QList<QList<T>> slices;
    for (qsizetype i = 0; i < list.size(); i += count) {
        slices.append(list.mid(i, count));
    }
    return slices;
}

// Bytes as two upper-case hexadecimal digits each, joined by one space:
// "0A FF 1B". No bytes give an empty text.
inline QString debugDescription(std::span<const std::uint8_t> bytes) {
    QString text;
    text.reserve(qsizetype(bytes.size()) * 3);
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) {
            text += QLatin1Char(' ');
        }
        text += QStringLiteral("%1").arg(bytes[i], 2, 16, QLatin1Char('0')).toUpper();
    }
    return text;
}

inline QString debugDescription(const QByteArray& bytes) {
    return debugDescription(std::span<const std::uint8_t>(
        reinterpret_cast<const std::uint8_t*>(bytes.constData()), size_t(bytes.size())));
}

} // namespace ambrel
