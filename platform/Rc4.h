#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>

namespace platform {

// The RC4 stream cipher, for reading documents that older programs encrypted
// with it. Encrypting and decrypting are the same operation.
class Rc4 {
public:
    // A key of 1 to 256 bytes; an empty key is taken as one zero byte.
    explicit Rc4(QByteArrayView key);

    // XORs the next bytes of the key stream into `data`.
    void apply(uchar* data, qsizetype size);

    static QByteArray apply(QByteArrayView key, QByteArrayView data);

private:
    std::array<uchar, 256> m_state{};
    uchar m_i = 0;
    uchar m_j = 0;
};

} // namespace platform
