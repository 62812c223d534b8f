#include "model/connections/TaskSleep.h"
#include "model/pictures/BitmapInfo.h"
#include "model/pictures/GraphicsExtensions.h"
#include "model/texts/StringExtensions.h"
#include "model/units/CollectionExtensions.h"
#include "model/units/ComparableExtensions.h"
#include "model/units/IntegerExtensions.h"
#include "platform/CancellationError.h"
#include "platform/Progress.h"

#include <gtest/gtest.h>

#include <cmath>

#include <chrono>
#include <numbers>
#include <thread>

using namespace ambrel;
using S = StringExtensions;

TEST(CollectionExtensions, chunksKeepOrderAndLeaveTheRestLast) {
    EXPECT_EQ(chunked(QList<int>{1, 2, 3, 4, 5}, 2), (QList<QList<int>>{{1, 2}, {3, 4}, {5}}));
    EXPECT_EQ(chunked(QList<int>{1, 2, 3, 4}, 2), (QList<QList<int>>{{1, 2}, {3, 4}}));
    EXPECT_TRUE(chunked(QList<int>{}, 3).isEmpty());
    EXPECT_EQ(chunked(QList<int>{1, 2}, 5), (QList<QList<int>>{{1, 2}}));
}

TEST(CollectionExtensions, bytesDescribeThemselvesInHex) {
    EXPECT_EQ(debugDescription(QByteArray("\x0A\xFF\x1B", 3)), QStringLiteral("0A FF 1B"));
    EXPECT_EQ(debugDescription(QByteArray()), QString());
}

TEST(IntegerExtensions, bitsAndBytes) {
    EXPECT_TRUE(hasBitFlag(0b0100, 2));
    EXPECT_FALSE(hasBitFlag(0b0100, 1));
    EXPECT_FALSE(hasBitFlag(std::uint8_t(0xFF), 8));
    EXPECT_FALSE(hasBitFlag(-1, 32));
    EXPECT_TRUE(hasBitFlag(std::int8_t(-128), 7));
    EXPECT_EQ(fromUpperLower<std::uint16_t>(0x12, 0x34), 0x1234);
    EXPECT_EQ(fromUpperLower<int>(0xFF, 0x01), 0xFF01);
    EXPECT_EQ(upperByte(std::int16_t(0x7F01)), 0x7F);
    EXPECT_EQ(upperByte(std::int16_t(0x00FF)), 0x00);
}

TEST(IntegerExtensions, fourCharStringsPackFirstCharacterHighest) {
    EXPECT_EQ(fromFourCharString(QStringLiteral("abcd")), 0x61626364);
    EXPECT_EQ(fromFourCharString(QStringLiteral("\x7F\x7F\x7F\x7F")), 0x7F7F7F7F);
    EXPECT_FALSE(fromFourCharString(QStringLiteral("abc")));
    EXPECT_FALSE(fromFourCharString(QStringLiteral("abcde")));
    EXPECT_FALSE(fromFourCharString(QStringLiteral("abcé")));
}

TEST(ComparableExtensions, clampsIntoTheRange) {
    const ClosedRange<int> range{0, 5};
    EXPECT_EQ(clamped(7, range), 5);
    EXPECT_EQ(clamped(-1, range), 0);
    EXPECT_EQ(clamp(range, 3), 3);
    double value = 9.5;
    clampTo(value, ClosedRange<double>{1.0, 2.0});
    EXPECT_EQ(value, 2.0);
}

TEST(StringExtensions, texts) {
    EXPECT_EQ(S::strippingLastDotZero(QStringLiteral("2.0")), QStringLiteral("2"));
    EXPECT_EQ(S::strippingLastDotZero(QStringLiteral("2.05")), QStringLiteral("2.05"));
    EXPECT_EQ(S::strippingLastDotZero(QStringLiteral("20")), QStringLiteral("20"));
    EXPECT_EQ(S::uppercased(QStringLiteral("héllo wörld"), true), QStringLiteral("Héllo wörld"));
    EXPECT_EQ(S::uppercased(QStringLiteral("héllo"), false), QStringLiteral("HÉLLO"));
    // The first character is a whole grapheme: e and a combining accent.
    EXPECT_EQ(S::uppercased(QStringLiteral("e\u0301tude"), true), QStringLiteral("E\u0301tude"));
    EXPECT_EQ(S::uppercased(QString(), true), QString());
    EXPECT_EQ(S::utf8Bytes(QStringLiteral("é")), QByteArray("\xC3\xA9\0", 3));
    EXPECT_EQ(S::utf8Bytes(QString()), QByteArray(1, '\0'));
    EXPECT_EQ(S::utf8BytesRemovingTerminationCharacter(QStringLiteral("é")),
              QByteArray("\xC3\xA9"));
    EXPECT_TRUE(S::utf8BytesRemovingTerminationCharacter(QString()).isEmpty());
}

TEST(StringExtensions, cStringsStopAtTheFirstZero) {
    const QByteArray bytes("ABC\0DEF", 7);
    EXPECT_EQ(S::cStringAppendingNullCharacter(bytes, TextEncoding::ascii), QStringLiteral("ABC"));
    EXPECT_EQ(S::cStringAppendingNullCharacter("ABC", TextEncoding::ascii), QStringLiteral("ABC"));
    EXPECT_EQ(S::cStringAppendingNullCharacter(QByteArray(), TextEncoding::utf8), QString());
    // Invalid bytes count only before the first zero.
    EXPECT_FALSE(S::cStringAppendingNullCharacter("A\xFF", TextEncoding::ascii));
    EXPECT_EQ(S::cStringAppendingNullCharacter(QByteArray("A\0\xFF", 3), TextEncoding::ascii),
              QStringLiteral("A"));
    EXPECT_FALSE(S::cStringAppendingNullCharacter("\xC3", TextEncoding::utf8));
    EXPECT_EQ(S::cStringAppendingNullCharacter("\xC3\xA9", TextEncoding::utf8),
              QStringLiteral("é"));
    EXPECT_EQ(S::cStringAppendingNullCharacter("\xE9", TextEncoding::isoLatin1),
              QStringLiteral("é"));
}

TEST(TaskSleep, pausesAndEndsEarlyWhenCancelled) {
    const auto start = std::chrono::steady_clock::now();
    TaskSleep::sleep(0.02, nullptr);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));

    platform::Progress progress;
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        progress.cancel();
    });
    // Sat out, the sleep would take twenty times the bound.
    const auto before = std::chrono::steady_clock::now();
    EXPECT_THROW(TaskSleep::sleep(600, &progress), platform::CancellationError);
    canceller.join();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(30));
    EXPECT_THROW(TaskSleep::sleep(0, &progress), platform::CancellationError);
}

TEST(BitmapInfo, fieldsReadAndReplaceOnlyTheirBits) {
    BitmapInfo info(1, 0x2000, 0x30000);
    EXPECT_EQ(info.rawValue(), 0x32001u);
    EXPECT_EQ(info.alphaInfo(), 1u);
    EXPECT_EQ(info.byteOrderInfo(), 0x2000u);
    EXPECT_EQ(info.pixelFormatInfo(), 0x30000u);
    info.setAlphaInfo(5);
    EXPECT_EQ(info.rawValue(), 0x32005u);
    info.setByteOrderInfo(0x4000);
    EXPECT_EQ(info.rawValue(), 0x34005u);
    EXPECT_EQ(BitmapInfo(5, 0).debugDescription(),
              QStringLiteral("CGBitmapInfo(alphaInfo: 5, byteOrderInfo: 0, pixelFormatInfo: 0)"));
}

TEST(GraphicsExtensions, grayPixelsComeOutWhereTransparent) {
    QImage image(3, 2, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    image.setPixel(0, 0, qRgba(0, 0, 0, 255));
    image.setPixel(2, 1, qRgba(100, 100, 100, 255));
    const QByteArray pixels = GraphicsExtensions::grayConvertedPixels(image);
    ASSERT_EQ(pixels.size(), 6);
    EXPECT_EQ(uchar(pixels[0]), 0);
    EXPECT_EQ(uchar(pixels[1]), 255);
    EXPECT_EQ(uchar(pixels[3]), 255);
    EXPECT_EQ(uchar(pixels[5]), 100);
    EXPECT_TRUE(GraphicsExtensions::grayConvertedPixels(QImage()).isEmpty());
}

TEST(GraphicsExtensions, grayContextOverCallerMemory) {
    std::vector<std::uint8_t> memory(5 * 2, 7);
    auto context = GraphicsExtensions::grayOpaqueContext(memory.data(), {5, 2});
    ASSERT_TRUE(context);
    EXPECT_EQ(context->bytesPerRow(), 5);
    context->setGrayFillColor(0, 1);
    context->fill(QRectF(0, 0, 5, 1)); // y = 0 is the memory's last row
    EXPECT_EQ(memory[0], 7);
    EXPECT_EQ(memory[5], 0);
    EXPECT_FALSE(GraphicsExtensions::grayOpaqueContext(nullptr, {0, 2}));
}

TEST(GraphicsExtensions, savedStateIsRestoredAlsoWhenTheBodyThrows) {
    auto context = GraphicsExtensions::grayOpaqueContext(nullptr, {4, 4});
    const QTransform before = context->userToDevice();
    const int result = GraphicsExtensions::performSavingGState(*context, [&] {
        context->translateBy(1, 1);
        return 42;
    });
    EXPECT_EQ(result, 42);
    EXPECT_EQ(context->userToDevice(), before);
    EXPECT_THROW(GraphicsExtensions::performSavingGState(*context,
                                                         [&] {
                                                             context->scaleBy(2, 2);
                                                             throw std::runtime_error("x");
                                                         }),
                 std::runtime_error);
    EXPECT_EQ(context->userToDevice(), before);
}

TEST(GraphicsExtensions, turnedContainerSizes) {
    const QSizeF size(4, 2);
    EXPECT_EQ(GraphicsExtensions::rotated(size), QSizeF(2, 4));
    auto near = [](QSizeF a, QSizeF b) {
        return std::abs(a.width() - b.width()) < 1e-3 && std::abs(a.height() - b.height()) < 1e-3;
    };
    using std::numbers::pi;
    EXPECT_TRUE(near(GraphicsExtensions::rotatedContainerSize(size, pi / 2), QSizeF(2, 4)));
    EXPECT_TRUE(near(GraphicsExtensions::rotatedContainerSize(size, pi), QSizeF(4, 2)));
    EXPECT_TRUE(near(GraphicsExtensions::rotatedContainerSize(size, pi / 4), QSizeF(4.243, 4.243)));
    EXPECT_TRUE(near(GraphicsExtensions::rotatedContainerSize(size, -pi / 2), QSizeF(2, 4)));
    EXPECT_TRUE(near(GraphicsExtensions::rotatedContainerSize(size, 5 * pi / 2), QSizeF(2, 4)));
    EXPECT_TRUE(near(GraphicsExtensions::rotatedContainerSize(size, 0), QSizeF(4, 2)));
    // An angle that is not a number turns nothing.
    EXPECT_EQ(GraphicsExtensions::rotatedContainerSize(size, std::nan("")), size);
    EXPECT_EQ(GraphicsExtensions::rotatedContainerSize(size, INFINITY), size);
}
