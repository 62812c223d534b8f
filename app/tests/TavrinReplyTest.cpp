#include "app/tavrin/TavrinDeviceInformation.h"
#include "app/tavrin/TavrinDeviceState.h"
#include "model/errors/ConnectionError.h"

#include <gtest/gtest.h>

using ambrel::ConnectionError;
using lunvik::TavrinDeviceInformation;
using lunvik::TavrinDeviceState;

namespace {

QByteArray stateReply(int errorHigh, int errorLow, int busy = 0, int temperature = 30) {
    QByteArray reply(18, '\0');
    reply[0] = 0x02;
    reply[1] = 0x55; // never examined
    reply[2] = char(busy);
    reply[4] = 0x12;
    reply[5] = 0x34;
    reply[6] = char(0xAB);
    reply[7] = char(0xCD);
    reply[8] = char(errorHigh);
    reply[9] = char(errorLow);
    reply[10] = char(temperature);
    reply[11] = 0x7F; // never examined
    reply[17] = 0x03;
    return reply;
}

QList<qint64> codes(const QList<platform::Error>& errors) {
    QList<qint64> out;
    for (const auto& e : errors) {
        out << e.code();
    }
    return out;
}

bool isInvalidData(const std::function<void()>& run) {
    try {
        run();
    } catch (const ConnectionError& e) {
        return e.errorCase() == ConnectionError::Case::receivedInvalidData;
    }
    return false;
}

TEST(TavrinDeviceState, decodesFields) {
    const auto state = TavrinDeviceState::decode(stateReply(0x00, 0x00, 1, 0xC8));
    EXPECT_TRUE(state.isBusy);
    EXPECT_EQ(state.errorBits, 0);
    EXPECT_EQ(state.headTemperature, 200);
    EXPECT_EQ(state.firstUnusedValue, 0x1234);
    EXPECT_EQ(state.secondUnusedValue, 0xABCD);
    EXPECT_FALSE(TavrinDeviceState::decode(stateReply(0, 0, 0)).isBusy);
    // Any nonzero busy byte counts.
    EXPECT_TRUE(TavrinDeviceState::decode(stateReply(0, 0, 0x80)).isBusy);
}

TEST(TavrinDeviceState, errorBitsBecomeErrorsLowestFirst) {
    EXPECT_EQ(codes(TavrinDeviceState::decode(stateReply(0x00, 0x05)).deviceErrors()),
              (QList<qint64>{0, 2}));
    EXPECT_EQ(codes(TavrinDeviceState::decode(stateReply(0x80, 0x00)).deviceErrors()),
              (QList<qint64>{15}));
    EXPECT_EQ(codes(TavrinDeviceState::decode(stateReply(0x00, 0x06)).deviceErrors()),
              (QList<qint64>{1, 2}));
    EXPECT_TRUE(TavrinDeviceState::decode(stateReply(0, 0)).deviceErrors().isEmpty());
    EXPECT_EQ(TavrinDeviceState::decode(stateReply(0xFF, 0xFF)).deviceErrors().size(), 16);
}

TEST(TavrinDeviceState, deviceErrorsCarryThePluginTexts) {
    const auto errors = TavrinDeviceState::decode(stateReply(0x80, 0x01)).deviceErrors();
    ASSERT_EQ(errors.size(), 2);
    for (const auto& e : errors) {
        EXPECT_FALSE(e.localizedDescription().startsWith(QStringLiteral("Error_")))
            << e.localizedDescription().toStdString();
        ASSERT_TRUE(e.localizedRecoverySuggestion());
        EXPECT_FALSE(e.localizedRecoverySuggestion()->isEmpty());
    }
    EXPECT_EQ(errors[0].localizedDescription(), QStringLiteral("The device's cover is open."));
}

TEST(TavrinDeviceState, refusesBadFrames) {
    QByteArray noEtx = stateReply(0, 0);
    noEtx[17] = 0x00;
    QByteArray noStx = stateReply(0, 0);
    noStx[0] = 0x06;
    EXPECT_TRUE(isInvalidData([&] { TavrinDeviceState::decode(noEtx); }));
    EXPECT_TRUE(isInvalidData([&] { TavrinDeviceState::decode(noStx); }));
    EXPECT_TRUE(isInvalidData([&] { TavrinDeviceState::decode(stateReply(0, 0).left(17)); }));
    EXPECT_TRUE(isInvalidData([&] { TavrinDeviceState::decode({}); }));
}

// A 36-byte information reply with the three fields at the given positions.
QByteArray informationReply(const QByteArray& first, int firmwareAt, const QByteArray& firmware,
                            int serialAt, const QByteArray& serial) {
    QByteArray reply(36, '\0');
    reply[0] = 0x02;
    reply[1] = char(0xEE); // never examined
    reply.replace(2, first.size(), first);
    reply.replace(firmwareAt, firmware.size(), firmware);
    reply.replace(serialAt, serial.size(), serial);
    reply[34] = char(0xFE); // never examined
    reply[35] = 0x03;
    return reply;
}

TEST(TavrinDeviceInformation, layoutFollowsTheModelName) {
    const QByteArray shortReply =
        informationReply("GEST300", 10, "2.10", 20, QByteArray("SN000042", 8));
    const auto g = TavrinDeviceInformation::decode(shortReply, QStringLiteral("Gest 300"));
    EXPECT_EQ(g.firstText, QStringLiteral("GEST300"));
    EXPECT_EQ(g.firmware, QStringLiteral("2.10"));
    EXPECT_EQ(g.serial, QStringLiteral("SN000042"));

    const QByteArray longReply = informationReply("TAVRIN-A4", 14, "1.02", 24, "A4-77");
    for (const char* name : {"Tavrin a4", "gest 300"}) {
        const auto info = TavrinDeviceInformation::decode(longReply, QString::fromUtf8(name));
        EXPECT_EQ(info.firstText, QStringLiteral("TAVRIN-A4")) << name;
        EXPECT_EQ(info.firmware, QStringLiteral("1.02")) << name;
        EXPECT_EQ(info.serial, QStringLiteral("A4-77")) << name;
    }
}

TEST(TavrinDeviceInformation, fieldsEndAtZeroOrUseAllBytesAndAreTrimmed) {
    const QByteArray padded = informationReply("", 14, "  1.02    ", 24, "\tAB\nC \t");
    const auto info = TavrinDeviceInformation::decode(padded, QStringLiteral("Tavrin a4"));
    EXPECT_EQ(info.firmware, QStringLiteral("1.02"));
    // Line breaks are not trimmed, spaces and tabs are.
    EXPECT_EQ(info.serial, QStringLiteral("AB\nC"));
    EXPECT_EQ(info.firstText, QString());
    // A serial field without a zero byte uses all eight bytes.
    const QByteArray full = informationReply("X", 14, "1", 24, QByteArray("12345678", 8));
    EXPECT_EQ(TavrinDeviceInformation::decode(full, QStringLiteral("Tavrin a4")).serial,
              QStringLiteral("12345678"));
}

TEST(TavrinDeviceInformation, refusesNonAsciiAndBadFrames) {
    const QByteArray nonAscii = informationReply("X", 14, "1.0\xC3\xA9", 24, "S");
    EXPECT_TRUE(isInvalidData(
        [&] { TavrinDeviceInformation::decode(nonAscii, QStringLiteral("Tavrin a4")); }));
    // Bytes after the terminating zero are not part of the text.
    const QByteArray afterZero = informationReply("X", 14, QByteArray("1.0\0\xFF", 5), 24, "S");
    EXPECT_EQ(TavrinDeviceInformation::decode(afterZero, QStringLiteral("Tavrin a4")).firmware,
              QStringLiteral("1.0"));
    QByteArray noEtx = informationReply("X", 14, "1", 24, "S");
    noEtx[35] = 0x00;
    EXPECT_TRUE(
        isInvalidData([&] { TavrinDeviceInformation::decode(noEtx, QStringLiteral("Gest 300")); }));
    EXPECT_TRUE(isInvalidData([&] {
        TavrinDeviceInformation::decode(informationReply("X", 14, "1", 24, "S").left(35),
                                        QStringLiteral("Tavrin a4"));
    }));
}

} // namespace
