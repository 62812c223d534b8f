#include "app/tavrin/TavrinCommand.h"
#include "app/tavrin/TavrinCommandError.h"

#include "app/tests/TavrinTestSupport.h"

#include <gtest/gtest.h>

using lunvik::TavrinCommand;
using lunvik::TavrinCommandError;
using tavrin_test::bytes;

namespace {

TEST(TavrinCommand, encodesEveryCommand) {
    struct Row {
        const char* name;
        QByteArray actual;
        QByteArray expected;
    };
    const Row rows[] = {
        {"S", TavrinCommand::stateQuery(), bytes({0x1B, 0x7C, 0x53})},
        {"U", TavrinCommand::informationQuery(), bytes({0x1B, 0x7C, 0x55})},
        {"D -1", TavrinCommand::density(-1), bytes({0x1B, 0x7C, 0x44, 0xFF})},
        {"D 100", TavrinCommand::density(100), bytes({0x1B, 0x7C, 0x44, 0x64})},
        {"D -128", TavrinCommand::density(-128), bytes({0x1B, 0x7C, 0x44, 0x80})},
        {"D 127", TavrinCommand::density(127), bytes({0x1B, 0x7C, 0x44, 0x7F})},
        {"Y 0", TavrinCommand::commandY(0), bytes({0x1B, 0x7C, 0x59, 0x00, 0x00})},
        {"Y 65535", TavrinCommand::commandY(65535), bytes({0x1B, 0x7C, 0x59, 0xFF, 0xFF})},
        {"0 4992x7087", TavrinCommand::jobGeometry(4992, 7087),
         bytes({0x1B, 0x7C, 0x30, 0x80, 0x13, 0xAF, 0x1B})},
        {"0 256x1", TavrinCommand::jobGeometry(256, 1),
         bytes({0x1B, 0x7C, 0x30, 0x00, 0x01, 0x01, 0x00})},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.actual.toHex(' '), row.expected.toHex(' ')) << row.name;
    }
}

TEST(TavrinCommand, blankColumnsAreWholeZeroColumns) {
    EXPECT_EQ(TavrinCommand::blankColumns(3, 12), QByteArray(6, '\0'));
    EXPECT_EQ(TavrinCommand::blankColumns(2, 4992), QByteArray(2 * 624, '\0'));
    EXPECT_TRUE(TavrinCommand::blankColumns(0, 4992).isEmpty());
    EXPECT_TRUE(TavrinCommand::blankColumns(-5, 4992).isEmpty());
}

TEST(TavrinCommand, refusesArgumentsTheFieldsCannotCarry) {
    auto refused = [](auto&& make, TavrinCommandError::Case expected) {
        try {
            make();
        } catch (const TavrinCommandError& e) {
            EXPECT_EQ(e.errorCase(), expected);
            EXPECT_FALSE(e.localizedDescription().startsWith(QStringLiteral("Error_")))
                << e.localizedDescription().toStdString();
            return;
        }
        ADD_FAILURE() << "not refused";
    };
    using Case = TavrinCommandError::Case;
    refused([] { TavrinCommand::density(128); }, Case::densityOutOfRange);
    refused([] { TavrinCommand::density(-129); }, Case::densityOutOfRange);
    refused([] { TavrinCommand::commandY(65536); }, Case::valueOutOfRange);
    refused([] { TavrinCommand::commandY(-1); }, Case::valueOutOfRange);
    refused([] { TavrinCommand::jobGeometry(65536, 10); }, Case::valueOutOfRange);
    refused([] { TavrinCommand::jobGeometry(4992, 70000); }, Case::valueOutOfRange);
}

TEST(TavrinCommand, refusedDensityNamesTheValueAndRange) {
    try {
        TavrinCommand::density(200);
        FAIL();
    } catch (const TavrinCommandError& e) {
        const QString text = e.localizedDescription();
        EXPECT_TRUE(text.contains(QStringLiteral("200"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("-128"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("127"))) << text.toStdString();
    }
}

} // namespace
