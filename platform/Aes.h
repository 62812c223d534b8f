#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>

namespace platform {

// The AES block cipher with 128-, 192- or 256-bit keys, and its CBC mode, for
// reading documents encrypted with it. Written for clarity, not speed: it
// decrypts some tens of megabytes a second.
class Aes {
public:
    static constexpr int blockSize = 16;

    // A key of 16, 24 or 32 bytes; any other makes an invalid cipher.
    explicit Aes(QByteArrayView key);
    bool isValid() const { return m_rounds > 0; }

    void encryptBlock(const uchar* in, uchar* out) const;
    void decryptBlock(const uchar* in, uchar* out) const;

    // CBC without padding; a partial last block is left out.
    QByteArray encryptCbc(QByteArrayView iv, QByteArrayView data) const;
    // CBC; a partial last block is left out. `padded` removes the PKCS#5
    // padding the last block ends with, and keeps the block whole when it
    // ends with none.
    QByteArray decryptCbc(QByteArrayView iv, QByteArrayView data, bool padded) const;

private:
    int m_rounds = 0;
    std::array<uchar, 240> m_roundKeys{};
};

} // namespace platform
