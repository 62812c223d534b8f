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

// Scripts get the result as the code; a person reads the reason with
// libusb's name of the error, never the result's number.
TEST(PipeError, OtherUsbResultsKeepTheirCodeAndReadAsLibusbNamesThem) {
    const auto error = MakeNSErrorWithIOReturn(UsbResult::exclusiveAccess);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->domain(), QStringLiteral("DeviceControllerIOKitError"));
    EXPECT_EQ(error->code(), qint64(std::int32_t(0xE00002C5)));
    EXPECT_LT(error->code(), 0);
    EXPECT_EQ(error->localizedDescription(),
              QStringLiteral("The device reported a USB error: device already open for exclusive "
                             "access (LIBUSB_ERROR_BUSY)."));
    // The cure is the other program's end, not a new connection.
    ASSERT_TRUE(error->localizedRecoverySuggestion().has_value());
    EXPECT_TRUE(error->localizedRecoverySuggestion()->contains(QStringLiteral("Quit")));
    EXPECT_FALSE(error->localizedRecoverySuggestion()->contains(QStringLiteral("Disconnect")));

    const struct {
        IOReturn result;
        const char* name;
    } named[] = {
        {UsbResult::notResponding, "LIBUSB_ERROR_IO"},
        {UsbResult::pipeStalled, "LIBUSB_ERROR_PIPE"},
        {UsbResult::overrun, "LIBUSB_ERROR_OVERFLOW"},
        {UsbResult::notPrivileged, "LIBUSB_ERROR_ACCESS"},
        // Only the other backends give these.
        {UsbResult::notOpen, "LIBUSB_ERROR_NO_DEVICE"},
        {UsbResult::ioError, "LIBUSB_ERROR_IO"},
        {IOReturn(0xE0001234), "LIBUSB_ERROR_OTHER"},
    };
    for (const auto& row : named) {
        const auto made = MakeNSErrorWithIOReturn(row.result);
        ASSERT_TRUE(made.has_value());
        EXPECT_EQ(made->code(), qint64(row.result));
        const QString text = made->localizedDescription();
        EXPECT_TRUE(text.endsWith(QStringLiteral("(%1).").arg(QLatin1String(row.name))))
            << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("0x"), Qt::CaseInsensitive))
            << text.toStdString();
        EXPECT_EQ(made->localizedRecoverySuggestion(),
                  QStringLiteral("Disconnect the device, connect it again and try again."));
    }
    EXPECT_TRUE(MakeNSErrorWithIOReturn(IOReturn(0xE0001234))
                    ->localizedDescription()
                    .contains(QStringLiteral("Unknown reason")));
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
