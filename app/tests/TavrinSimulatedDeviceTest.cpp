#include "app/simulator/TavrinSimulatedDevice.h"
#include "app/tavrin/TavrinCommand.h"
#include "app/tavrin/TavrinDeviceInformation.h"
#include "app/tavrin/TavrinDeviceState.h"

#include "app/tests/TavrinTestSupport.h"

#include <gtest/gtest.h>

using lunvik::TavrinCommand;
using lunvik::TavrinSimulatedDevice;
using ReplyMode = TavrinSimulatedDevice::ReplyMode;
using tavrin_test::bytes;

namespace {

TEST(TavrinSimulatedDevice, answersQueriesFromItsConfiguration) {
    TavrinSimulatedDevice::Configuration c;
    c.isBusy = true;
    c.errorBits = 0x0006;
    c.headTemperature = 200;
    c.firmware = "3.4";
    c.serial = "ABC";
    TavrinSimulatedDevice device(c);
    device.receive(TavrinCommand::stateQuery());
    const auto state = lunvik::TavrinDeviceState::decode(device.takeReply(100));
    EXPECT_TRUE(state.isBusy);
    EXPECT_EQ(state.errorBits, 0x0006);
    EXPECT_EQ(state.headTemperature, 200);

    device.receive(TavrinCommand::informationQuery());
    auto info =
        lunvik::TavrinDeviceInformation::decode(device.takeReply(36), QStringLiteral("Tavrin a4"));
    EXPECT_EQ(info.firmware, QStringLiteral("3.4"));
    EXPECT_EQ(info.serial, QStringLiteral("ABC"));

    c.shortInformationLayout = true;
    device.setConfiguration(c);
    device.receive(TavrinCommand::informationQuery());
    info = lunvik::TavrinDeviceInformation::decode(device.takeReply(36), QStringLiteral("Gest"));
    EXPECT_EQ(info.firmware, QStringLiteral("3.4"));
    EXPECT_EQ(device.pendingReplySize(), 0);
}

TEST(TavrinSimulatedDevice, misbehavingAnswers) {
    TavrinSimulatedDevice::Configuration c;
    c.stateReplyMode = ReplyMode::silent;
    c.informationReplyMode = ReplyMode::truncated;
    TavrinSimulatedDevice device(c);
    device.receive(TavrinCommand::stateQuery());
    EXPECT_EQ(device.pendingReplySize(), 0);
    device.receive(TavrinCommand::informationQuery());
    EXPECT_EQ(device.takeReply(100).size(), 18);
    c.stateReplyMode = ReplyMode::wrongFrame;
    device.setConfiguration(c);
    device.receive(TavrinCommand::stateQuery());
    const QByteArray reply = device.takeReply(100);
    ASSERT_EQ(reply.size(), 18);
    EXPECT_EQ(reply.at(0), 0x02);
    EXPECT_EQ(reply.at(17), 0x00);
}

// A job whose column data is full of command prefixes and which arrives in
// pieces that split commands and columns.
TEST(TavrinSimulatedDevice, countsColumnBytesInsteadOfParsingThem) {
    QByteArray stream =
        TavrinCommand::density(-3) + TavrinCommand::commandY(0) + TavrinCommand::jobGeometry(16, 3);
    const QByteArray columns = bytes({0x1B, 0x7C, 0x53, 0x1B, 0x7C, 0x55});
    stream += columns + TavrinCommand::stateQuery();
    TavrinSimulatedDevice device;
    for (qsizetype i = 0; i < stream.size(); i += 4) {
        EXPECT_EQ(device.receive(stream.mid(i, 4)), stream.mid(i, 4).size());
    }
    ASSERT_EQ(device.jobs().size(), 1);
    const auto job = device.jobs().first();
    EXPECT_EQ(job.density, -3);
    EXPECT_EQ(job.yValue, 0);
    EXPECT_EQ(job.dotCount, 16);
    EXPECT_EQ(job.columnCount, 3);
    EXPECT_EQ(job.columnData, columns);
    // Only the S after the job was answered.
    EXPECT_EQ(device.commands(), (QStringList{"D", "Y", "0", "S"}));
    EXPECT_EQ(device.pendingReplySize(), 18);
    EXPECT_TRUE(device.protocolErrors().isEmpty());
    EXPECT_EQ(device.receivedBytes(), stream);
}

// Counting without keeping: the same jobs and commands, none of the column
// bytes, and a failure still after the same count.
TEST(TavrinSimulatedDevice, countsColumnBytesWithoutKeepingThemWhenAsked) {
    TavrinSimulatedDevice::Configuration c;
    c.keepsColumnData = false;
    TavrinSimulatedDevice device(c);
    const QByteArray commands = TavrinCommand::density(2) + TavrinCommand::jobGeometry(16, 3);
    EXPECT_EQ(device.receive(commands + bytes({0x1B, 0x7C, 0x53})), commands.size() + 3);
    EXPECT_EQ(device.receive(bytes({0x1B, 0x7C, 0x55}) + TavrinCommand::stateQuery()),
              3 + TavrinCommand::stateQuery().size());
    ASSERT_EQ(device.jobs().size(), 1);
    const auto job = device.jobs().first();
    EXPECT_TRUE(job.isComplete());
    EXPECT_EQ(job.columnByteCount, 6);
    EXPECT_TRUE(job.columnData.isEmpty());
    EXPECT_EQ(device.commands(), (QStringList{"D", "0", "S"}));
    EXPECT_EQ(device.receivedBytes(), commands + TavrinCommand::stateQuery());

    c.failAfterColumnBytes = 5;
    TavrinSimulatedDevice failing(c);
    failing.receive(TavrinCommand::jobGeometry(16, 4));
    EXPECT_EQ(failing.receive(QByteArray(8, '\x01')), 5);
    EXPECT_TRUE(failing.hasFailed());
    ASSERT_TRUE(failing.jobInProgress());
    EXPECT_EQ(failing.jobInProgress()->columnByteCount, 5);
}

TEST(TavrinSimulatedDevice, rebuildsThePictureInCanvasOrientation) {
    TavrinSimulatedDevice device;
    // 12 dots (two bytes a column, four bits unused), 2 columns.
    device.receive(TavrinCommand::jobGeometry(12, 2) + bytes({0x80, 0x1F, 0x10, 0x00}));
    ASSERT_EQ(device.jobs().size(), 1);
    const QImage picture = device.jobs().first().picture();
    ASSERT_EQ(picture.size(), QSize(12, 2));
    QStringList rows;
    for (int y = 0; y < 2; ++y) {
        QString row;
        for (int x = 0; x < 12; ++x) {
            row += picture.pixelIndex(x, y) ? u'#' : u'.';
        }
        rows << row;
    }
    // The first dot is the most significant bit; bits past dot 12 are dropped.
    EXPECT_EQ(rows, (QStringList{"#..........#", "...#........"}));
}

TEST(TavrinSimulatedDevice, failsInTheMiddleOfTheColumns) {
    TavrinSimulatedDevice::Configuration c;
    c.failAfterColumnBytes = 5;
    TavrinSimulatedDevice device(c);
    EXPECT_EQ(device.receive(TavrinCommand::jobGeometry(16, 4)), 7);
    EXPECT_EQ(device.receive(QByteArray(4, '\x01')), 4);
    EXPECT_EQ(device.receive(QByteArray(4, '\x01')), 1);
    EXPECT_TRUE(device.hasFailed());
    EXPECT_EQ(device.receive(TavrinCommand::stateQuery()), 0);
    ASSERT_TRUE(device.jobInProgress());
    EXPECT_EQ(device.jobInProgress()->columnData.size(), 5);
    EXPECT_TRUE(device.jobs().isEmpty());
    device.reconnect();
    EXPECT_FALSE(device.jobInProgress());
    EXPECT_EQ(device.receive(TavrinCommand::stateQuery()), 3);
}

TEST(TavrinSimulatedDevice, reportsBytesOutsideCommands) {
    TavrinSimulatedDevice device;
    device.receive(bytes({0x00, 0x1B, 0x41, 0x1B, 0x7C, 0x5A}) + TavrinCommand::stateQuery());
    EXPECT_EQ(device.protocolErrors().size(), 3);
    EXPECT_EQ(device.commands(), QStringList{"S"});
}

} // namespace
