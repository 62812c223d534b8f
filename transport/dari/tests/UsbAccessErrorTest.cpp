#include "transport/dari/UsbAccessError.h"
#include "transport/dari/UdevRule.h"
#include "transport/model/PipeError.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using dari::UdevRule;
using dari::UsbAccessError;

namespace {

// udev's folders and the program's own rules folder, in a temporary folder.
class UsbAccessErrorTest : public ::testing::Test {
protected:
    QTemporaryDir root;
    QString etc = root.filePath(QStringLiteral("etc/udev/rules.d"));
    QString lib = root.filePath(QStringLiteral("usr/lib/udev/rules.d"));
    QString shipped = root.filePath(QStringLiteral("the program's/lib/udev/rules.d"));

    UsbAccessErrorTest() {
        for (const QString& folder : {etc, lib, shipped}) {
            QDir().mkpath(folder);
        }
        UdevRule::setPlaces(UdevRule::Places{{etc, lib}, shipped});
    }
    ~UsbAccessErrorTest() override { UdevRule::setPlaces(std::nullopt); }

    static void putRule(const QString& folder) {
        QFile rule(QDir(folder).filePath(UdevRule::fileName));
        ASSERT_TRUE(rule.open(QIODevice::WriteOnly));
        rule.write("TAG+=\"uaccess\"\n");
    }

    static QString advice() {
        const platform::Error error = UsbAccessError::make();
        EXPECT_EQ(fennick::pipeErrorCode(error), fennick::PipeErrorCode::couldNotOpen);
        EXPECT_EQ(error.localizedDescription(),
                  QStringLiteral("The device is connected, but this user may not use it."));
        return error.localizedRecoverySuggestion().value_or(QString());
    }
};

} // namespace

// With the rule where udev reads it, only reconnecting is left, and the
// device goes to the user at the seat; nothing tells the user to install.
TEST_F(UsbAccessErrorTest, WithTheRuleInstalledOnlyReconnectingIsLeft) {
    putRule(shipped);
    for (const QString& folder : {lib, etc}) {
        putRule(folder);
        const QString text = advice();
        EXPECT_TRUE(text.contains(QDir(folder).filePath(UdevRule::fileName))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("uaccess"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("seat"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("connect it again"))) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("sudo"))) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("transport/dari"))) << text.toStdString();
    }
}

// Without it, the advice gives a command that installs the program's own
// copy, and the command works as given, wherever it is run.
TEST_F(UsbAccessErrorTest, WithoutTheRuleTheCommandInstallsTheProgramsCopy) {
    putRule(shipped);
    const QString text = advice();
    const qsizetype start = text.indexOf(QStringLiteral("“sudo "));
    const qsizetype end = text.indexOf(QStringLiteral("”"), start);
    ASSERT_GE(start, 0) << text.toStdString();
    ASSERT_GT(end, start) << text.toStdString();
    QString command = text.mid(start + 6, end - start - 6);
    EXPECT_TRUE(command.contains(QStringLiteral("udevadm control --reload")));
    EXPECT_FALSE(text.contains(QStringLiteral("transport/dari"))) << text.toStdString();

    // Run with the system's folder in its place (and no sudo), it puts the
    // rule where udev reads it: the next error says only reconnecting is left.
    command.replace(QStringLiteral("/etc/udev/rules.d/"), etc + u'/');
    command = command.left(command.indexOf(QStringLiteral(" && ")));
    QProcess shell;
    shell.setWorkingDirectory(root.path());
    shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    ASSERT_TRUE(shell.waitForFinished(10000));
    ASSERT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().constData();
    EXPECT_TRUE(QFile::exists(QDir(etc).filePath(UdevRule::fileName)));
    EXPECT_TRUE(advice().contains(QDir(etc).filePath(UdevRule::fileName)));
}

// Without the rule or a copy of it, the advice says where the rule comes from.
TEST_F(UsbAccessErrorTest, WithoutACopyTheAdviceSaysWhereTheRuleComesFrom) {
    const QString text = advice();
    EXPECT_TRUE(text.contains(QStringLiteral("Debian package"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("transport/dari/udev/") + UdevRule::fileName))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("/etc/udev/rules.d/"))) << text.toStdString();
}

// The build carries the program's copy where an installation puts it.
TEST(UdevRule, TheProgramFindsItsOwnCopyBesideIt) {
    const auto copy = UdevRule::shipped();
    ASSERT_TRUE(copy);
    QFile rule(*copy);
    ASSERT_TRUE(rule.open(QIODevice::ReadOnly));
    EXPECT_TRUE(rule.readAll().contains("TAG+=\"uaccess\""));
}
