#include "platform/ScriptCommand.h"

#include <gtest/gtest.h>

using platform::ScriptCommand;

namespace {

TEST(ScriptCommand, isCurrentOnlyWhileItsBodyRunsAndCompletesOnce) {
    EXPECT_FALSE(ScriptCommand::current());
    int completions = 0;
    auto command = ScriptCommand::make("scale", [&](const ScriptCommand& c) {
        ++completions;
        EXPECT_EQ(c.result(), QVariant(2));
    });
    command->execute([&] {
        EXPECT_EQ(ScriptCommand::current(), command);
        auto nested = ScriptCommand::make("inner");
        nested->execute([&] {
            EXPECT_EQ(ScriptCommand::current(), nested);
            return QVariant();
        });
        EXPECT_EQ(ScriptCommand::current(), command);
        return QVariant(2);
    });
    EXPECT_FALSE(ScriptCommand::current());
    EXPECT_TRUE(command->isFinished());
    EXPECT_EQ(completions, 1);
}

TEST(ScriptCommand, aSuspendedCommandCompletesWhenResumed) {
    QVariant reply;
    auto command = ScriptCommand::make("print", [&](const ScriptCommand& c) {
        reply = c.hasError() ? QVariant(c.scriptErrorString()) : c.result();
    });
    command->execute([&] {
        ScriptCommand::current()->suspendExecution();
        return QVariant("ignored");
    });
    EXPECT_TRUE(command->isSuspended());
    EXPECT_FALSE(reply.isValid());
    command->setScriptErrorNumber(40);
    command->setScriptErrorString("The machine does not support this offset base.");
    command->resumeExecution(QVariant());
    EXPECT_EQ(reply.toString(), "The machine does not support this offset base.");
    EXPECT_EQ(command->scriptErrorNumber(), 40);
    command->resumeExecution(QVariant(1)); // finished: ignored
    EXPECT_EQ(reply.toString(), "The machine does not support this offset base.");
}

TEST(ScriptCommand, aThrowingBodyLeavesNoCurrentCommand) {
    auto command = ScriptCommand::make("load");
    EXPECT_THROW(command->execute([]() -> QVariant { throw std::runtime_error("bad"); }),
                 std::runtime_error);
    EXPECT_FALSE(ScriptCommand::current());
}

} // namespace
