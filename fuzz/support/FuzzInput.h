#pragma once

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstring>

// Takes values one after another from a fuzz input; past its end every
// value is zero or empty, so that any input decodes.
class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool atEnd() const { return m_offset >= m_size; }
    uint8_t byte() { return atEnd() ? 0 : m_data[m_offset++]; }
    bool flag() { return byte() & 1; }
    // One of count choices.
    int pick(int count) { return count > 0 ? byte() % count : 0; }
    qint64 integer() {
        qint64 value = 0;
        for (int i = 0; i < 8; ++i) {
            value = (value << 8) | byte();
        }
        return value;
    }
    double real() {
        const qint64 bits = integer();
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    // A length byte (up to 255, or longer after a 255), then the bytes.
    QByteArray bytes() {
        size_t length = byte();
        if (length == 255) {
            length = (size_t(byte()) << 8) | byte();
        }
        length = std::min(length, m_size - std::min(m_offset, m_size));
        const QByteArray taken(reinterpret_cast<const char*>(m_data + m_offset), qsizetype(length));
        m_offset += length;
        return taken;
    }
    QString text() { return QString::fromUtf8(bytes()); }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_offset = 0;
};
