#include "transport/model/DeviceCommunicationContextObjCImpl.h"
#include "transport/model/PipeError.h"

#include <gtest/gtest.h>

#include <thread>

using namespace fennick;

namespace {

// A completion-style context whose completions are scripted by the test.
class ScriptedContext : public DeviceCommunicationContextObjCImpl {
public:
    std::optional<quint64> askedLength;
    QByteArray sent;
    std::optional<QByteArray> reply;
    std::shared_ptr<const platform::Error> error;
    bool completeOnAnotherThread = false;

    void sendData(const QByteArray& data, SendCompletion completion) override {
        sent += data;
        finish([completion, e = error] { completion(e); });
    }

    void readDataWithLength(quint64 length, ReadCompletion completion) override {
        askedLength = length;
        finish([completion, r = reply, e = error] { completion(r, e); });
    }

private:
    void finish(std::function<void()> completion) {
        if (completeOnAnotherThread) {
            std::thread([completion] {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                completion();
                completion(); // a second completion is ignored
            }).detach();
        } else {
            completion();
        }
    }
};

} // namespace

TEST(DeviceCommunicationContext, LengthsReachTheCompletionStyleContext) {
    ScriptedContext context;
    context.reply = QByteArray("\x01\x02\xff", 3);

    EXPECT_EQ(context.readBytes(std::nullopt), (std::vector<std::uint8_t>{1, 2, 255}));
    EXPECT_EQ(context.askedLength, DeviceCommunicationContextObjCImpl::noLength);
    EXPECT_EQ(context.askedLength, std::numeric_limits<quint64>::max());

    context.read(3);
    EXPECT_EQ(context.askedLength, 3u);
    context.read(0);
    EXPECT_EQ(context.askedLength, 0u);
}

TEST(DeviceCommunicationContext, CompletionWithNeitherDataNorErrorReadsEmpty) {
    ScriptedContext context;
    EXPECT_EQ(context.read(5), QByteArray());
    EXPECT_TRUE(context.readBytes(5).empty());

    DeviceCommunicationContextObjCImpl base;
    EXPECT_TRUE(base.readBytes(std::nullopt).empty());
    EXPECT_NO_THROW(base.send(QByteArray("abc")));
}

TEST(DeviceCommunicationContext, ErrorsPassThroughUnchanged) {
    for (bool late : {false, true}) {
        ScriptedContext context;
        context.completeOnAnotherThread = late;
        context.error = PipeErrorMakeWithCode(PipeErrorCode::couldNotSendData).clone();
        try {
            context.send(std::vector<std::uint8_t>{0x1B, 0x40});
            ADD_FAILURE() << "send did not fail";
        } catch (const platform::Error& e) {
            EXPECT_EQ(pipeErrorCode(e), PipeErrorCode::couldNotSendData);
            EXPECT_EQ(e.localizedDescription(), context.error->localizedDescription());
        }
        EXPECT_EQ(context.sent, QByteArray("\x1B\x40"));

        context.error = MakeNSErrorWithIOReturn(platform::UsbResult::notResponding)->clone();
        try {
            context.readBytes(1);
            ADD_FAILURE() << "read did not fail";
        } catch (const platform::Error& e) {
            EXPECT_EQ(ioReturn(e), platform::UsbResult::notResponding);
        }
    }
}

TEST(DeviceCommunicationContext, WaitsForACompletionFromAnotherThread) {
    ScriptedContext context;
    context.completeOnAnotherThread = true;
    context.reply = QByteArray("\x06");
    EXPECT_EQ(context.readBytes(1), std::vector<std::uint8_t>{0x06});
}

TEST(DeviceCommunicationContextDeathTest, NegativeLengthEndsTheProcess) {
    ScriptedContext context;
    EXPECT_DEATH(context.read(-1), "negative length");
}
