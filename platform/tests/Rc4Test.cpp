#include "platform/Rc4.h"

#include <gtest/gtest.h>

using platform::Rc4;

// The key streams of RFC 6229 for a 40-bit and a 128-bit key, at the start
// and 768 bytes on, and decryption as the same operation.
TEST(Rc4, matchesTheKnownKeyStreams) {
    const QByteArray key40 = QByteArray::fromHex("0102030405");
    EXPECT_EQ(Rc4::apply(key40, QByteArray(16, '\0')).toHex(), "b2396305f03dc027ccc3524a0a1118a8");
    EXPECT_EQ(Rc4::apply(key40, QByteArray(784, '\0')).sliced(768).toHex(),
              "eb62638d4f0ba1fe9fca20e05bf8ff2b");
    const QByteArray key128 = QByteArray::fromHex("0102030405060708090a0b0c0d0e0f10");
    EXPECT_EQ(Rc4::apply(key128, QByteArray(16, '\0')).toHex(), "9ac7cc9a609d1ef7b2932899cde41b97");

    const QByteArray text = "Plaintext of some length";
    EXPECT_EQ(Rc4::apply(key128, Rc4::apply(key128, text)), text);
    // Applied in pieces, the stream goes on where it stopped.
    QByteArray pieces = text;
    Rc4 cipher(key128);
    cipher.apply(reinterpret_cast<uchar*>(pieces.data()), 5);
    cipher.apply(reinterpret_cast<uchar*>(pieces.data()) + 5, pieces.size() - 5);
    EXPECT_EQ(pieces, Rc4::apply(key128, text));
    // No key at all is read as a zero byte, not past its end.
    EXPECT_EQ(Rc4::apply({}, text), Rc4::apply(QByteArray(1, '\0'), text));
}
