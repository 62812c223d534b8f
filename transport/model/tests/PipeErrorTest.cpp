#include "transport/model/PipeError.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace fennick;
using platform::UsbResult;

TEST(PipeError, EveryCodeHasItsTextsFromTheTable) {
    for (qint64 code = 0; code <= 7; ++code) {
        const platform::Error error = PipeErrorMakeWithCode(code);
        const QString key = QStringLiteral("Error_pipe_") + pipeErrorCodeName(code);
        EXPECT_EQ(error.domain(), QStringLiteral("DeviceError"));
        EXPECT_EQ(error.code(), code);
        EXPECT_FALSE(error.localizedDescription().isEmpty()) << code;
        EXPECT_NE(error.localizedDescription(), key) << "no text for " << key.toStdString();
        ASSERT_TRUE(error.localizedRecoverySuggestion().has_value());
        EXPECT_NE(*error.localizedRecoverySuggestion(),
                  key + QStringLiteral("_recoverySuggestion"));
    }
    EXPECT_EQ(PipeErrorMakeWithCode(PipeErrorCode::noDevice).localizedDescription(),
              QStringLiteral("No device is connected."));
    EXPECT_EQ(pipeErrorCodeName(0), QStringLiteral("Timeout"));
    EXPECT_EQ(pipeErrorCodeName(3), QStringLiteral("CouldNotGetEnoughData"));
}

TEST(PipeError, CodeOutsideTheEnumerationHasNoTexts) {
    const platform::Error error = PipeErrorMakeWithCode(9);
    EXPECT_EQ(error.domain(), QStringLiteral("DeviceError"));
    EXPECT_EQ(error.code(), 9);
    EXPECT_EQ(error.localizedDescription(), QString());
    EXPECT_FALSE(error.localizedRecoverySuggestion().has_value());
    EXPECT_EQ(pipeErrorCodeName(-1), QString());
}

TEST(PipeError, UsbResultsMapOntoTransportErrors) {
    EXPECT_FALSE(MakeNSErrorWithIOReturn(UsbResult::success).has_value());

    const struct {
        IOReturn result;
        qint64 code;
    } deviceErrors[] = {
        {UsbResult::noDevice, 4},
        {UsbResult::timeout, 0},
        {UsbResult::transactionTimeout, 0},
    };
    for (const auto& row : deviceErrors) {
        const auto error = MakeNSErrorWithIOReturn(row.result);
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->domain(), QStringLiteral("DeviceError")) << row.result;
        EXPECT_EQ(error->code(), row.code);
    }
}

TEST(PipeError, OtherUsbResultsKeepTheirCodeAndReason) {
    const auto error = MakeNSErrorWithIOReturn(UsbResult::exclusiveAccess);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->domain(), QStringLiteral("DeviceControllerIOKitError"));
    EXPECT_EQ(error->code(), qint64(std::int32_t(0xE00002C5)));
    EXPECT_LT(error->code(), 0);
    EXPECT_TRUE(
        error->localizedDescription().contains(*UsbResult::reason(UsbResult::exclusiveAccess)));
    EXPECT_TRUE(error->localizedDescription().contains(QStringLiteral("0xE00002C5")))
        << error->localizedDescription().toStdString();
    EXPECT_TRUE(error->localizedRecoverySuggestion().has_value());

    const auto unknown = MakeNSErrorWithIOReturn(IOReturn(0xE0001234));
    ASSERT_TRUE(unknown.has_value());
    EXPECT_TRUE(unknown->localizedDescription().contains(QStringLiteral("Unknown reason")));
    EXPECT_TRUE(unknown->localizedDescription().contains(QStringLiteral("0xE0001234")));
}

TEST(PipeError, AccessorsAnswerOnlyForTheirDomain) {
    const platform::Error device = PipeErrorMakeWithCode(PipeErrorCode::couldNotReopen);
    const platform::Error ioKit = *MakeNSErrorWithIOReturn(UsbResult::notResponding);

    EXPECT_EQ(pipeErrorCode(device), PipeErrorCode::couldNotReopen);
    EXPECT_FALSE(ioReturn(device).has_value());
    EXPECT_EQ(ioReturn(ioKit), UsbResult::notResponding);
    EXPECT_FALSE(pipeErrorCode(ioKit).has_value());

    // Through the general exception type, as callers catching std::exception see them.
    const std::exception& asException = device;
    EXPECT_EQ(pipeErrorCode(asException), PipeErrorCode::couldNotReopen);
    const std::runtime_error other("other");
    EXPECT_FALSE(pipeErrorCode(other).has_value());
    EXPECT_FALSE(ioReturn(other).has_value());
    EXPECT_FALSE(pipeErrorCode(platform::Error(QStringLiteral("Other"), 4)).has_value());
}

TEST(PipeError, BareDeviceErrorHasNoTexts) {
    const platform::Error error = errorWithDeviceErrorCode(PipeErrorCode::timeout);
    EXPECT_EQ(error.domain(), QStringLiteral("DeviceError"));
    EXPECT_EQ(error.code(), 0);
    EXPECT_FALSE(error.userInfo().localizedDescription.has_value());
    EXPECT_FALSE(error.localizedRecoverySuggestion().has_value());
}
