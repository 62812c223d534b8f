#include "platform/Rc4.h"

#include <utility>

namespace platform {

Rc4::Rc4(QByteArrayView key) {
    const char zero = 0;
    if (key.isEmpty()) {
        key = QByteArrayView(&zero, 1);
    }
    const qsizetype length = std::min<qsizetype>(key.size(), 256);
    for (int i = 0; i < 256; ++i) {
        m_state[size_t(i)] = uchar(i);
    }
    uchar j = 0;
    for (int i = 0; i < 256; ++i) {
        j = uchar(j + m_state[size_t(i)] + uchar(key[i % length]));
        std::swap(m_state[size_t(i)], m_state[j]);
    }
}

void Rc4::apply(uchar* data, qsizetype size) {
    for (qsizetype n = 0; n < size; ++n) {
        m_i = uchar(m_i + 1);
        m_j = uchar(m_j + m_state[m_i]);
        std::swap(m_state[m_i], m_state[m_j]);
        data[n] ^= m_state[uchar(m_state[m_i] + m_state[m_j])];
    }
}

QByteArray Rc4::apply(QByteArrayView key, QByteArrayView data) {
    QByteArray out = data.toByteArray();
    Rc4(key).apply(reinterpret_cast<uchar*>(out.data()), out.size());
    return out;
}

} // namespace platform
