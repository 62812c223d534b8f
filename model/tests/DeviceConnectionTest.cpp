#include "model/connections/DeviceConnection.h"
#include "model/connections/PrintTask.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "model/errors/ConnectionError.h"
#include "platform/CancellationError.h"
#include "platform/Progress.h"
#include "transport/model/DeviceCommunicationContext.h"
#include "transport/model/DeviceCommunicator.h"
#include "transport/model/PipeError.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>
#include <variant>

using ambrel::ConnectionError;
using ambrel::DeviceConnection;
using ambrel::DeviceDescriptor;
using ambrel::DeviceStatusElement;
using fennick::PipeErrorCode;
using Case = DeviceStatusElement::Case;

namespace {

std::shared_ptr<const DeviceDescriptor> descriptor() {
    static const auto models = DeviceDescriptor::deviceDescriptors(
        R"([{"modelName": "T1", "displayName": "Test Model", "printerType": "test",
             "canvases": [{"identifier": "A4", "size_mm": {"width": 297, "height": 210}}],
             "dpi": 300, "headDotCount": 16, "offsetBases": ["center"]}])",
        platform::Bundle::named(QStringLiteral("AmbrelTestBundle")));
    return models.front();
}

// Answers each read with the next scripted reply: bytes, or an error thrown.
class ScriptedContext : public fennick::DeviceCommunicationContext {
public:
    using Reply = std::variant<QByteArray, platform::Error>;
    std::deque<Reply> replies;
    int reads = 0;

protected:
    void performSend(const QByteArray&) override {}
    QByteArray performRead(std::optional<qint64>) override {
        ++reads;
        if (replies.empty()) {
            throw fennick::PipeErrorMakeWithCode(PipeErrorCode::timeout);
        }
        Reply reply = replies.front();
        replies.pop_front();
        if (auto* error = std::get_if<platform::Error>(&reply)) {
            throw *error;
        }
        return std::get<QByteArray>(reply);
    }
};

// Hands out one context, or fails to open.
class TestCommunicator : public fennick::DeviceCommunicator {
public:
    std::shared_ptr<ScriptedContext> context = std::make_shared<ScriptedContext>();
    std::shared_ptr<const platform::Error> openError;
    mutable int opens = 0;
    mutable platform::Progress* openedWith = nullptr;

    std::shared_ptr<fennick::DeviceCommunicationContext>
    open(platform::Progress* progress) const override {
        ++opens;
        openedWith = progress;
        if (openError) {
            openError->raise();
        }
        return context;
    }
};

// Counts the acknowledgement pauses instead of sleeping; the device part of
// the status is scripted.
class TestConnection : public DeviceConnection {
public:
    TestConnection() : DeviceConnection(descriptor(), ambrel::TransportType::usb) {
        setCommunicator(communicator);
    }
    std::shared_ptr<TestCommunicator> communicator = std::make_shared<TestCommunicator>();
    int pauses = 0;
    QList<DeviceStatusElement> deviceLines;
    std::shared_ptr<const platform::Error> deviceError;
    bool answersGarbage = false;
    fennick::DeviceCommunicationContext* statusContext = nullptr;

    QList<DeviceStatusElement>
    _getStatusElements(fennick::DeviceCommunicationContext& context) override {
        statusContext = &context;
        if (deviceError) {
            deviceError->raise();
        }
        if (answersGarbage) {
            throw std::out_of_range("reply too short");
        }
        return deviceLines;
    }

protected:
    void pauseBeforeNextAckRead(std::chrono::milliseconds duration,
                                const platform::Progress*) override {
        EXPECT_EQ(duration, std::chrono::milliseconds(500));
        ++pauses;
    }
};

QByteArray byte(char b) {
    return QByteArray(1, b);
}

QList<Case> cases(const QList<DeviceStatusElement>& elements) {
    QList<Case> result;
    for (const auto& e : elements) {
        result << e.elementCase();
    }
    return result;
}

} // namespace

TEST(WaitAck, strayBytesAndEmptyReadsAreWaitedOut) {
    TestConnection connection;
    auto& context = *connection.communicator->context;
    context.replies = {byte(0x41), byte(0x41), byte(0x06)};
    EXPECT_NO_THROW(connection.waitAck(context));
    EXPECT_EQ(connection.pauses, 2);
    EXPECT_EQ(context.reads, 3);

    connection.pauses = 0;
    context.replies = {QByteArray(), QByteArray(), byte(0x06)};
    EXPECT_NO_THROW(connection.waitAck(context));
    EXPECT_EQ(connection.pauses, 2);
}

TEST(WaitAck, nakFailsAtOnce) {
    TestConnection connection;
    auto& context = *connection.communicator->context;
    context.replies = {byte(0x15), byte(0x06)};
    try {
        connection.waitAck(context);
        FAIL() << "a NAK was taken as success";
    } catch (const ConnectionError& error) {
        EXPECT_EQ(error.errorCase(), ConnectionError::Case::receivedInvalidData);
    }
    EXPECT_EQ(context.reads, 1);
    EXPECT_EQ(connection.pauses, 0);
}

TEST(WaitAck, thirtyUnansweredReadsTimeOutWithoutTexts) {
    TestConnection connection;
    auto& context = *connection.communicator->context;
    // Read time-outs and an unrelated host failure are retried alike.
    context.replies = {*fennick::MakeNSErrorWithIOReturn(platform::UsbResult::exclusiveAccess)};
    try {
        connection.waitAck(context);
        FAIL() << "silence was taken as success";
    } catch (const platform::Error& error) {
        EXPECT_EQ(error.domain(), fennick::DeviceErrorDomain);
        EXPECT_EQ(error.code(), 0);
        EXPECT_FALSE(error.userInfo().localizedDescription);
        EXPECT_FALSE(error.userInfo().localizedRecoverySuggestion);
    }
    EXPECT_EQ(context.reads, 30);
    EXPECT_EQ(connection.pauses, 30);
}

TEST(WaitAck, aDeviceThatIsGoneEndsTheWait) {
    const platform::Error gone[] = {
        fennick::PipeErrorMakeWithCode(PipeErrorCode::noDevice),
        fennick::PipeErrorMakeWithCode(PipeErrorCode::couldNotReopen),
        *fennick::MakeNSErrorWithIOReturn(platform::UsbResult::notResponding),
    };
    for (const auto& error : gone) {
        TestConnection connection;
        auto& context = *connection.communicator->context;
        context.replies = {byte(0x41), error};
        try {
            connection.waitAck(context);
            FAIL() << error.code();
        } catch (const platform::Error& thrown) {
            EXPECT_EQ(thrown.domain(), error.domain());
            EXPECT_EQ(thrown.code(), error.code());
        }
        EXPECT_EQ(context.reads, 2);
        EXPECT_EQ(connection.pauses, 1);
    }
}

TEST(WaitAck, cancellingTheRunEndsThePause) {
    // The real pause, stretched to ten minutes: ended by the cancel, it
    // takes no time at all; sat out, it would take twenty times the bound.
    class LongPauseConnection : public DeviceConnection {
    public:
        using DeviceConnection::DeviceConnection;

    protected:
        void pauseBeforeNextAckRead(std::chrono::milliseconds,
                                    const platform::Progress* progress) override {
            DeviceConnection::pauseBeforeNextAckRead(std::chrono::minutes(10), progress);
        }
    };
    LongPauseConnection connection(descriptor(), std::nullopt);
    ScriptedContext context;
    context.replies = {byte(0x41), byte(0x06)};
    platform::Progress progress;
    progress.cancel();
    QElapsedTimer timer;
    timer.start();
    EXPECT_THROW(connection.waitAck(context, &progress), platform::CancellationError);
    EXPECT_LT(timer.elapsed(), 30000);
    EXPECT_EQ(context.reads, 1);
}

TEST(DeviceConnection, charCodes) {
    EXPECT_EQ(DeviceConnection::charCode(QStringLiteral("\r\n")), 0x0A);
    EXPECT_EQ(DeviceConnection::charCode(QStringLiteral("A")), 0x41);
    EXPECT_EQ(DeviceConnection::charCode(QString(QChar(0x7F))), 0x7F);
    EXPECT_DEATH(DeviceConnection::charCode(QStringLiteral("é")), "ASCII");
    EXPECT_DEATH(DeviceConnection::charCode(QStringLiteral("AB")), "ASCII");
}

TEST(DeviceConnection, openingUsesTheCommunicatorWithTheRunsProgress) {
    TestConnection connection;
    const auto progress = std::make_shared<platform::Progress>();
    EXPECT_EQ(connection.openDevice(progress), connection.communicator->context);
    EXPECT_EQ(connection.communicator->openedWith, progress.get());
    connection.communicator->openError =
        fennick::PipeErrorMakeWithCode(PipeErrorCode::noDevice).clone();
    try {
        connection.openDevice(progress);
        FAIL();
    } catch (const platform::Error& error) {
        EXPECT_EQ(fennick::pipeErrorCode(error), PipeErrorCode::noDevice);
    }
    DeviceConnection bare(descriptor(), std::nullopt);
    EXPECT_DEATH(bare.openDevice(progress), "communicator");
}

TEST(DeviceConnection, printAndMaintenanceOfTheBaseTouchNoDevice) {
    TestConnection connection;
    ambrel::MaintenanceAction action;
    action.identifier = QStringLiteral("clean");
    EXPECT_NO_THROW(connection.performMaintenanceAction(action, nullptr));
    const ambrel::PrintTask task(descriptor(), descriptor()->canvases().front(),
                                 ambrel::TransportType::usb,
                                 ambrel::ImageSource::canvasSizedImage([] { return QImage(); }));
    EXPECT_NO_THROW(connection.print(task, std::make_shared<platform::Progress>()));
    EXPECT_EQ(connection.communicator->opens, 0);
}

TEST(DeviceStatusQuery, failingOpenGivesTheComputerLinesAndTheError) {
    TestConnection connection;
    connection.communicator->openError =
        fennick::PipeErrorMakeWithCode(PipeErrorCode::noDevice).clone();
    const auto status = connection.getStatus(nullptr);
    EXPECT_EQ(cases(status.elements), (QList<Case>{Case::dateTime, Case::modelName, Case::app,
                                                   Case::macOs, Case::mac, Case::error}));
    ASSERT_TRUE(status.error);
    EXPECT_EQ(fennick::pipeErrorCode(*status.error), PipeErrorCode::noDevice);
    EXPECT_EQ(status.elements.last(), DeviceStatusElement::error(*status.error));
    EXPECT_EQ(status.elements.last().localizedValue(),
              status.error->localizedDescription() + u' ' +
                  *status.error->localizedRecoverySuggestion());
    EXPECT_EQ(status.elements[1].localizedValue(), QStringLiteral("Test Model"));
    EXPECT_FALSE(status.elements[4].localizedValue().isEmpty());
}

TEST(DeviceStatusQuery, deviceLinesFollowTheComputerLines) {
    TestConnection connection;
    connection.deviceLines = {DeviceStatusElement::firmware(QStringLiteral("1.2")),
                              DeviceStatusElement::headTemperature(40)};
    const std::weak_ptr<ScriptedContext> context = connection.communicator->context;
    const auto status = connection.getStatus(nullptr);
    EXPECT_FALSE(status.error);
    EXPECT_EQ(cases(status.elements),
              (QList<Case>{Case::dateTime, Case::modelName, Case::app, Case::macOs, Case::mac,
                           Case::firmware, Case::headTemperature}));
    EXPECT_EQ(connection.statusContext, context.lock().get());
    // The query let go of the context: only the communicator still holds it.
    EXPECT_EQ(context.use_count(), 1);
}

TEST(DeviceStatusQuery, aFailingDeviceReadBecomesTheErrorLine) {
    TestConnection connection;
    connection.deviceError = ConnectionError(ConnectionError::Case::printerIsBusy).clone();
    const auto status = connection.getStatus(nullptr);
    ASSERT_TRUE(status.error);
    EXPECT_TRUE(ConnectionError::is(*status.error, ConnectionError::Case::printerIsBusy));
    EXPECT_EQ(status.elements.size(), 6);
    EXPECT_EQ(status.elements.last().elementCase(), Case::error);
}

TEST(DeviceStatusQuery, aReplyTheSubclassCannotReadStillGivesALine) {
    TestConnection connection;
    connection.answersGarbage = true;
    const auto status = connection.getStatus(nullptr);
    ASSERT_TRUE(status.error);
    EXPECT_TRUE(
        ConnectionError::is(*status.error, ConnectionError::Case::couldNotGetPrinterStatus));
    EXPECT_EQ(status.elements.size(), 6);
    EXPECT_EQ(status.elements.last(), DeviceStatusElement::error(*status.error));
}
