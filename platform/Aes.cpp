#include "platform/Aes.h"

#include <cstring>

namespace platform {

namespace {

uchar times2(uchar b) {
    return uchar((b << 1) ^ ((b & 0x80) ? 0x1b : 0));
}

uchar multiply(uchar a, uchar b) {
    uchar product = 0;
    for (; b != 0; b >>= 1) {
        if (b & 1) {
            product ^= a;
        }
        a = times2(a);
    }
    return product;
}

uchar rotateLeft(uchar b, int n) {
    return uchar((b << n) | (b >> (8 - n)));
}

// The S-box and its inverse, from the multiplicative inverses in GF(2^8)
// with the affine map, and the products InvMixColumns needs.
struct Tables {
    std::array<uchar, 256> sbox{};
    std::array<uchar, 256> inverse{};
    std::array<std::array<uchar, 256>, 4> times{}; // by 9, 11, 13, 14

    Tables() {
        // p runs through the field by powers of 3, q through their inverses.
        uchar p = 1;
        uchar q = 1;
        do {
            p = uchar(p ^ times2(p));
            q = uchar(q ^ (q << 1));
            q = uchar(q ^ (q << 2));
            q = uchar(q ^ (q << 4));
            if (q & 0x80) {
                q ^= 0x09;
            }
            sbox[p] = uchar(q ^ rotateLeft(q, 1) ^ rotateLeft(q, 2) ^ rotateLeft(q, 3) ^
                            rotateLeft(q, 4) ^ 0x63);
        } while (p != 1);
        sbox[0] = 0x63;
        for (int i = 0; i < 256; ++i) {
            inverse[sbox[size_t(i)]] = uchar(i);
            const uchar factors[4] = {9, 11, 13, 14};
            for (size_t f = 0; f < 4; ++f) {
                times[f][size_t(i)] = multiply(uchar(i), factors[f]);
            }
        }
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

void addRoundKey(uchar* state, const uchar* key) {
    for (int i = 0; i < 16; ++i) {
        state[i] ^= key[i];
    }
}

} // namespace

Aes::Aes(QByteArrayView key) {
    const int words = int(key.size() / 4);
    if (key.size() != 16 && key.size() != 24 && key.size() != 32) {
        return;
    }
    const Tables& t = tables();
    m_rounds = words + 6;
    std::memcpy(m_roundKeys.data(), key.data(), size_t(key.size()));
    uchar rcon = 1;
    for (int i = words; i < 4 * (m_rounds + 1); ++i) {
        uchar w[4];
        std::memcpy(w, &m_roundKeys[size_t(4 * (i - 1))], 4);
        if (i % words == 0) {
            const uchar first = w[0];
            w[0] = uchar(t.sbox[w[1]] ^ rcon);
            w[1] = t.sbox[w[2]];
            w[2] = t.sbox[w[3]];
            w[3] = t.sbox[first];
            rcon = times2(rcon);
        } else if (words > 6 && i % words == 4) {
            for (uchar& b : w) {
                b = t.sbox[b];
            }
        }
        for (int b = 0; b < 4; ++b) {
            m_roundKeys[size_t(4 * i + b)] = uchar(m_roundKeys[size_t(4 * (i - words) + b)] ^ w[b]);
        }
    }
}

void Aes::encryptBlock(const uchar* in, uchar* out) const {
    const Tables& t = tables();
    uchar s[16];
    std::memcpy(s, in, 16);
    addRoundKey(s, m_roundKeys.data());
    for (int round = 1; round <= m_rounds; ++round) {
        // SubBytes and ShiftRows: row r moves r columns to the left.
        uchar shifted[16];
        for (int c = 0; c < 4; ++c) {
            for (int r = 0; r < 4; ++r) {
                shifted[r + 4 * c] = t.sbox[s[r + 4 * ((c + r) % 4)]];
            }
        }
        std::memcpy(s, shifted, 16);
        if (round < m_rounds) {
            for (int c = 0; c < 4; ++c) {
                uchar* a = s + 4 * c;
                const uchar all = uchar(a[0] ^ a[1] ^ a[2] ^ a[3]);
                const uchar first = a[0];
                a[0] ^= uchar(all ^ times2(uchar(a[0] ^ a[1])));
                a[1] ^= uchar(all ^ times2(uchar(a[1] ^ a[2])));
                a[2] ^= uchar(all ^ times2(uchar(a[2] ^ a[3])));
                a[3] ^= uchar(all ^ times2(uchar(a[3] ^ first)));
            }
        }
        addRoundKey(s, &m_roundKeys[size_t(16 * round)]);
    }
    std::memcpy(out, s, 16);
}

void Aes::decryptBlock(const uchar* in, uchar* out) const {
    const Tables& t = tables();
    const auto& [by9, by11, by13, by14] = t.times;
    uchar s[16];
    std::memcpy(s, in, 16);
    addRoundKey(s, &m_roundKeys[size_t(16 * m_rounds)]);
    for (int round = m_rounds - 1; round >= 0; --round) {
        // InvShiftRows and InvSubBytes: row r moves r columns to the right.
        uchar shifted[16];
        for (int c = 0; c < 4; ++c) {
            for (int r = 0; r < 4; ++r) {
                shifted[r + 4 * c] = t.inverse[s[r + 4 * ((c - r + 4) % 4)]];
            }
        }
        std::memcpy(s, shifted, 16);
        addRoundKey(s, &m_roundKeys[size_t(16 * round)]);
        if (round > 0) {
            for (int c = 0; c < 4; ++c) {
                uchar* a = s + 4 * c;
                const uchar a0 = a[0], a1 = a[1], a2 = a[2], a3 = a[3];
                a[0] = uchar(by14[a0] ^ by11[a1] ^ by13[a2] ^ by9[a3]);
                a[1] = uchar(by9[a0] ^ by14[a1] ^ by11[a2] ^ by13[a3]);
                a[2] = uchar(by13[a0] ^ by9[a1] ^ by14[a2] ^ by11[a3]);
                a[3] = uchar(by11[a0] ^ by13[a1] ^ by9[a2] ^ by14[a3]);
            }
        }
    }
    std::memcpy(out, s, 16);
}

QByteArray Aes::encryptCbc(QByteArrayView iv, QByteArrayView data) const {
    const qsizetype blocks = data.size() / blockSize;
    if (!isValid() || iv.size() != blockSize) {
        return {};
    }
    QByteArray out(blocks * blockSize, Qt::Uninitialized);
    uchar chain[16];
    std::memcpy(chain, iv.data(), 16);
    const auto* in = reinterpret_cast<const uchar*>(data.data());
    auto* to = reinterpret_cast<uchar*>(out.data());
    for (qsizetype b = 0; b < blocks; ++b) {
        for (int i = 0; i < 16; ++i) {
            chain[i] ^= in[16 * b + i];
        }
        encryptBlock(chain, chain);
        std::memcpy(to + 16 * b, chain, 16);
    }
    return out;
}

QByteArray Aes::decryptCbc(QByteArrayView iv, QByteArrayView data, bool padded) const {
    const qsizetype blocks = data.size() / blockSize;
    if (!isValid() || iv.size() != blockSize) {
        return {};
    }
    QByteArray out(blocks * blockSize, Qt::Uninitialized);
    const auto* in = reinterpret_cast<const uchar*>(data.data());
    auto* to = reinterpret_cast<uchar*>(out.data());
    const auto* chain = reinterpret_cast<const uchar*>(iv.data());
    for (qsizetype b = 0; b < blocks; ++b) {
        decryptBlock(in + 16 * b, to + 16 * b);
        for (int i = 0; i < 16; ++i) {
            to[16 * b + i] ^= chain[i];
        }
        chain = in + 16 * b;
    }
    if (padded && blocks > 0) {
        const int n = to[out.size() - 1];
        bool valid = n >= 1 && n <= 16;
        for (int i = 1; valid && i <= n; ++i) {
            valid = to[out.size() - i] == n;
        }
        if (valid) {
            out.chop(n);
        }
    }
    return out;
}

} // namespace platform
