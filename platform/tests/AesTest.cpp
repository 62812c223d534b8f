#include "platform/Aes.h"

#include <gtest/gtest.h>

using platform::Aes;

namespace {

QByteArray encrypt(const Aes& aes, const QByteArray& block) {
    QByteArray out(16, '\0');
    aes.encryptBlock(reinterpret_cast<const uchar*>(block.data()),
                     reinterpret_cast<uchar*>(out.data()));
    return out;
}

QByteArray decrypt(const Aes& aes, const QByteArray& block) {
    QByteArray out(16, '\0');
    aes.decryptBlock(reinterpret_cast<const uchar*>(block.data()),
                     reinterpret_cast<uchar*>(out.data()));
    return out;
}

} // namespace

// The examples of FIPS-197, appendix C, for each key size, both ways.
TEST(Aes, matchesTheStandardsExamples) {
    const QByteArray plain = QByteArray::fromHex("00112233445566778899aabbccddeeff");
    const QByteArray key = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f"
                                               "101112131415161718191a1b1c1d1e1f");
    const struct {
        int keyBytes;
        const char* cipher;
    } examples[] = {{16, "69c4e0d86a7b0430d8cdb78070b4c55a"},
                    {24, "dda97ca4864cdfe06eaf70a0ec0d7191"},
                    {32, "8ea2b7ca516745bfeafc49904b496089"}};
    for (const auto& example : examples) {
        const Aes aes(key.first(example.keyBytes));
        ASSERT_TRUE(aes.isValid());
        EXPECT_EQ(encrypt(aes, plain).toHex(), example.cipher) << example.keyBytes;
        EXPECT_EQ(decrypt(aes, QByteArray::fromHex(example.cipher)), plain) << example.keyBytes;
    }
    EXPECT_FALSE(Aes(key.first(15)).isValid());
    EXPECT_FALSE(Aes({}).isValid());
    EXPECT_TRUE(Aes({}).decryptCbc(QByteArray(16, '\0'), QByteArray(32, 'x'), true).isEmpty());
}

// CBC as SP 800-38A gives it (F.2.1), and the PKCS#5 padding of the last
// block: removed when well formed, the block kept whole when not.
TEST(Aes, cbcChainsBlocksAndRemovesPadding) {
    const Aes aes(QByteArray::fromHex("2b7e151628aed2a6abf7158809cf4f3c"));
    const QByteArray iv = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");
    const QByteArray plain = QByteArray::fromHex("6bc1bee22e409f96e93d7e117393172a"
                                                 "ae2d8a571e03ac9c9eb76fac45af8e51");
    const QByteArray cipher = QByteArray::fromHex("7649abac8119b246cee98e9b12e9197d"
                                                  "5086cb9b507219ee95db113a917678b2");
    EXPECT_EQ(aes.encryptCbc(iv, plain), cipher);
    EXPECT_EQ(aes.decryptCbc(iv, cipher, false), plain);
    // A partial block at the end is left out.
    EXPECT_EQ(aes.decryptCbc(iv, cipher + "abc", false), plain);
    EXPECT_TRUE(aes.decryptCbc(iv, cipher.first(15), true).isEmpty());
    EXPECT_TRUE(aes.decryptCbc(iv.first(8), cipher, false).isEmpty());

    const QByteArray text = "eleven byte";
    const QByteArray padded = text + QByteArray(5, '\x05');
    EXPECT_EQ(aes.decryptCbc(iv, aes.encryptCbc(iv, padded), true), text);
    const QByteArray fullBlock = plain.first(16) + QByteArray(16, '\x10');
    EXPECT_EQ(aes.decryptCbc(iv, aes.encryptCbc(iv, fullBlock), true), plain.first(16));
    // Ending in a zero, or in a count the bytes before it do not repeat.
    for (const char* end : {"0102030400", "0102030404"}) {
        const QByteArray unpadded = text + QByteArray::fromHex(end);
        EXPECT_EQ(aes.decryptCbc(iv, aes.encryptCbc(iv, unpadded), true), unpadded) << end;
    }
}
